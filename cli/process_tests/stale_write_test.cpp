// quorvafix-cli fix as a process against an outside writer that changes the
// very Dll being repaired between the tool's load and its write: the newer
// value stays, the tool reports the driver still faulty, says why and exits
// with 1; a change elsewhere lets the repair through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CHILD = QUORVAFIX_STALE_WRITE_CHILD;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

std::string Text(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(StaleWrite, OutsideChangeOfTheDllBetweenLoadAndWriteIsKept) {
  struct Case {
    const char* what;
    std::string from, to;  // the outside writer's change
    int status;
    bool repaired;
  };
  const Case cases[] = {
      {"the Dll itself", "\"---btceif.dll\"", "\"mybtdrv.dll\"", EXIT_FAULT_LEFT, false},
      {"another value", "\"Owner\"=\"Mar", "\"Owner\"=\"Ana Mar", EXIT_NO_FAULT_LEFT, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    const std::string original = Text(EXAMPLES + "/disabled-lowercase.reg");
    WriteText(file, original);
    ChildProcess child;
    ASSERT_TRUE(child.Start({CHILD, file, c.from, c.to}, dir.File("out"), dir.File("err")));
    int status = -1;
    ASSERT_TRUE(child.Wait(&status));
    const std::string out = Text(dir.File("out"));
    const std::string err = Text(dir.File("err"));
    EXPECT_EQ(status, c.status) << err;
    std::string outside = Replaced(original, c.from, c.to);
    if (c.repaired) {
      EXPECT_EQ(Text(file), Replaced(outside, "\"---btceif.dll\"", "\"BTCEIF.DLL\"")) << err;
      EXPECT_NE(out.find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos) << out;
      EXPECT_EQ(err, "");
    } else {
      EXPECT_EQ(Text(file), outside);
      EXPECT_NE(out.find("Dll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!"), std::string::npos) << out;
      EXPECT_EQ(out.find("FIXED"), std::string::npos) << out;
      EXPECT_EQ(out.find("solved"), std::string::npos) << out;
      EXPECT_NE(
          err.find(
              "cannot repair Drivers\\BuiltIn\\BtSerialB\\Dll: " + file +
              ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB: "
              "it changed on disk since it was read"),
          std::string::npos)
          << err;
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "out"}));
  }
}

}  // namespace
