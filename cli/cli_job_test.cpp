#include "cli/cli_job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/report_text.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/test_registry.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

constexpr char HEALTHY_REPORT[] =
    "COM1:\nDll: SERIAL_PXA.DLL\nCOM3:\nDll: IRSIR.DLL\nCOM5:\nDll: BTCEIF.DLL\nCOM6:\nDll: "
    "BTCEIF.DLL\n"
    "\nAll OK !!!\n";
constexpr char REPAIRED_LINE[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able "
    "to other applications\n";
constexpr char NOT_FOUND_LINE[] = "We have not find any Bluetooth Bug from QUORVA in this PDA.\n";

class CliJobTest : public ::testing::Test {
 protected:
  // A copy of the sample registry name in the scratch folder.
  std::string Sample(const std::string& name) {
    std::string path = dir_.File(name);
    WriteBytes(path, ReadBytes(EXAMPLES + "/" + name));
    return path;
  }

  JobResult Run(CliCommand command, const std::string& file, const std::string& patch = "",
                FileSystem* fs = nullptr) {
    return RunJob(command, file, patch, fs);
  }

  TempDir dir_;
};

TEST_F(CliJobTest, DetectOnHealthyRegistry) {
  JobResult r = Run(CliCommand::Detect, Sample("healthy.reg"));
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(r.out, HEALTHY_REPORT);
  EXPECT_EQ(r.err, "");
}

TEST_F(CliJobTest, DetectMarksTheFaultAndChangesNothing) {
  std::string file = Sample("quorva-driver.reg");
  JobResult r = Run(CliCommand::Detect, file);
  EXPECT_EQ(r.status, EXIT_FAULT_LEFT);
  EXPECT_EQ(r.out,
            "COM1:\nDll: SERIAL_PXA.DLL\nCOM3:\nDll: IRSIR.DLL\n"
            "COM5:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\nCOM6:\nDll: BTCEIF.DLL\n");
  EXPECT_EQ(ReadBytes(file), ReadBytes(EXAMPLES + "/quorva-driver.reg"));
}

TEST_F(CliJobTest, FixOnHealthyRegistrySaysNothingWasFound) {
  JobResult r = Run(CliCommand::Fix, Sample("healthy.reg"));
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(r.out, std::string(HEALTHY_REPORT) + NOT_FOUND_LINE);
}

// The repaired file differs from the original only in the faulty Dll line.
void ExpectOnlyDllLineChanged(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              const std::string& old_text, const std::string& new_text, int unit) {
  auto widen = [unit](const std::string& s) {
    std::string out;
    for (char c : s) {
      out.push_back(c);
      if (unit == 2) out.push_back('\0');
    }
    return out;
  };
  std::string expected(before.begin(), before.end());
  size_t at = expected.find(widen("\"Dll\"=\"" + old_text + "\""));
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, widen("\"Dll\"=\"" + old_text + "\"").size(),
                   widen("\"Dll\"=\"" + new_text + "\""));
  EXPECT_EQ(std::string(after.begin(), after.end()), expected);
}

TEST_F(CliJobTest, FixRepairsInPlaceAndTheSecondRunFindsNothing) {
  struct Case {
    const char* sample;
    const char* faulty;
    int unit;
  };
  const Case cases[] = {{"quorva-driver.reg", "QVBTDEV.DLL", 2},
                        {"disabled-lowercase.reg", "---btceif.dll", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    std::string file = Sample(c.sample);
    std::vector<uint8_t> before = ReadBytes(file);
    JobResult first = Run(CliCommand::Fix, file);
    EXPECT_EQ(first.status, EXIT_NO_FAULT_LEFT);
    EXPECT_NE(first.out.find("  FIXED!\n"), std::string::npos);
    EXPECT_NE(first.out.find(REPAIRED_LINE), std::string::npos);
    ExpectOnlyDllLineChanged(before, ReadBytes(file), c.faulty, "BTCEIF.DLL", c.unit);

    JobResult second = Run(CliCommand::Fix, file);
    EXPECT_EQ(second.status, EXIT_NO_FAULT_LEFT);
    EXPECT_EQ(second.out, std::string(HEALTHY_REPORT) + NOT_FOUND_LINE);
    for (const std::string& name : dir_.Names())
      EXPECT_EQ(name.find(".lock"), std::string::npos) << name;
  }
}

TEST_F(CliJobTest, PatchHoldsOnlyTheRepairedValueAndLeavesTheFile) {
  std::string file = Sample("disabled-lowercase.reg");
  std::string patch = dir_.File("patch.reg");
  JobResult r = Run(CliCommand::Fix, file, patch);
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  // The export is untouched: no "FIXED!" or "We have solved the Bug" says it is.
  EXPECT_NE(r.out.find("Dll: ---BTCEIF.DLL  FIXED IN THE PATCH\n" + PatchMessage(file, patch)),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("FIXED!"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("We have solved"), std::string::npos) << r.out;
  EXPECT_EQ(ReadBytes(file), ReadBytes(EXAMPLES + "/disabled-lowercase.reg"));
  std::vector<uint8_t> bytes = ReadBytes(patch);
  EXPECT_EQ(
      std::string(bytes.begin(), bytes.end()),
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB]\n\"Dll\"=\"BTCEIF.DLL\"\n\n");
}

// A sample made by hand in the forms Windows also reads: '#' comments, the
// faulty driver's key line and its Key value ending in backslashes.
std::string HandMadeSample(const std::string& text) {
  std::string out = text;
  auto replace = [&out](const std::string& from, const std::string& to) {
    size_t at = out.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    out.replace(at, from.size(), to);
  };
  replace("REGEDIT4\n", "REGEDIT4\n# exported by hand\n");
  replace("\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerialB\"",
          "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerialB\\\\\"");
  replace("[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB]",
          "  # the Bluetooth port\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB\\\\]");
  return out;
}

// fix and fix --patch repair the same driver, each changing only what it
// should, in a hand-made file and in a UTF-16 file headed "REGEDIT4".
TEST_F(CliJobTest, FixAndPatchAgreeOnFilesInWindowsForms) {
  std::vector<uint8_t> sample = ReadBytes(EXAMPLES + "/disabled-lowercase.reg");
  std::string hand_made = HandMadeSample(std::string(sample.begin(), sample.end()));
  std::u16string wide;
  DecodeCodePage(reinterpret_cast<const uint8_t*>(hand_made.data()), hand_made.size(), &wide);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int unit;
  };
  const Case cases[] = {{"hand.reg", NarrowBytes(hand_made), 1},
                        {"wide.reg", Utf16Bytes(wide, true), 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = dir_.File(c.name);
    WriteBytes(file, c.bytes);
    std::string patch = dir_.File("patch.reg");
    JobResult patched = Run(CliCommand::Fix, file, patch);
    EXPECT_EQ(patched.status, EXIT_NO_FAULT_LEFT) << patched.err;
    EXPECT_EQ(ReadBytes(file), c.bytes);
    std::string expected_patch =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB]\n\"Dll\"=\"BTCEIF.DLL\"\n\n";
    std::vector<uint8_t> expected_bytes = NarrowBytes(expected_patch);
    if (c.unit == 2) {
      expected_bytes =
          Utf16Bytes(std::u16string(expected_patch.begin(), expected_patch.end()), true);
    }
    EXPECT_EQ(ReadBytes(patch), expected_bytes);

    JobResult fixed = Run(CliCommand::Fix, file);
    EXPECT_EQ(fixed.status, EXIT_NO_FAULT_LEFT) << fixed.err;
    // The same blocks; the patch's say where the repair went.
    EXPECT_EQ(fixed.out.substr(0, fixed.out.find("FIXED")),
              patched.out.substr(0, patched.out.find("FIXED")));
    EXPECT_NE(fixed.out.find("COM6:\nDll: ---BTCEIF.DLL  FIXED!\n"), std::string::npos)
        << fixed.out;
    EXPECT_NE(patched.out.find("COM6:\nDll: ---BTCEIF.DLL  FIXED IN THE PATCH\n" +
                               PatchMessage(file, patch) + "\n"),
              std::string::npos)
        << patched.out;
    ExpectOnlyDllLineChanged(c.bytes, ReadBytes(file), "---btceif.dll", "BTCEIF.DLL", c.unit);
  }
}

TEST_F(CliJobTest, UnreadableOrRefusedFilesAreTrouble) {
  JobResult missing = Run(CliCommand::Detect, dir_.File("missing.reg"));
  EXPECT_EQ(missing.status, EXIT_TROUBLE);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "quorvafix-cli: " + dir_.File("missing.reg") +
                             ": cannot read: No such file or directory\n");

  std::string bad = dir_.File("bad.reg");
  WriteText(bad, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n");
  JobResult refused = Run(CliCommand::Fix, bad);
  EXPECT_EQ(refused.status, EXIT_TROUBLE);
  EXPECT_EQ(refused.err, "quorvafix-cli: " + bad + ":4: dword: needs 1 to 8 hex digits\n");

  WriteText(bad, "hello\n");
  EXPECT_EQ(Run(CliCommand::Detect, bad).status, EXIT_TROUBLE);
}

TEST_F(CliJobTest, FailedRepairWriteKeepsTheFileAndSaysWhy) {
  std::string file = Sample("quorva-driver.reg");
  FailingFileSystem fs(RealFileSystem());
  fs.FailAt(FileSystem::Step::Rename, 1, EROFS);
  JobResult r = Run(CliCommand::Fix, file, "", &fs);
  EXPECT_EQ(r.status, EXIT_FAULT_LEFT);
  EXPECT_NE(r.out.find("Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"), std::string::npos);
  EXPECT_EQ(r.out.find("We have"), std::string::npos) << "no outcome message";
  EXPECT_EQ(r.err.rfind(
                "quorvafix-cli: " + file + ": cannot repair Drivers\\BuiltIn\\BtSerialA\\Dll: ", 0),
            0u)
      << r.err;
  EXPECT_EQ(ReadBytes(file), ReadBytes(EXAMPLES + "/quorva-driver.reg"));
  EXPECT_EQ(dir_.Names().size(), 1u) << "no lock is left";
}

TEST_F(CliJobTest, FailedPatchWriteIsTroubleAndRepairsNothing) {
  std::string file = Sample("quorva-driver.reg");
  JobResult r = Run(CliCommand::Fix, file, dir_.File("no-such-folder/patch.reg"));
  EXPECT_EQ(r.status, EXIT_TROUBLE);
  EXPECT_NE(r.out.find("Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"), std::string::npos);
  EXPECT_NE(r.err.find("cannot write the patch"), std::string::npos);
  EXPECT_EQ(ReadBytes(file), ReadBytes(EXAMPLES + "/quorva-driver.reg"));
}

TEST_F(CliJobTest, ExitStatusComesFromTheScanNotFromTheReportText) {
  std::string file = dir_.File("mark.reg");
  WriteText(file, Regedit4({{"01", "COM1: <<<< BUG DETECTED HERE!", "Drivers\\\\A"}},
                           {{"Drivers\\A", "a.dll <<<< BUG DETECTED HERE!"}}));
  JobResult r = Run(CliCommand::Detect, file);
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(r.out,
            "COM1: <<<< BUG DETECTED HERE!\nDll: A.DLL <<<< BUG DETECTED HERE!\n\nAll OK !!!\n");
}

TEST_F(CliJobTest, LongEntryNameNoLongerHidesALaterFault) {
  std::string file = dir_.File("long.reg");
  WriteText(file, Regedit4({{std::string(250, 'n'), "COM1:", "Drivers\\\\A"},
                            {"02", "COM5:", "Drivers\\\\B"}},
                           {{"Drivers\\A", "a.dll"}, {"Drivers\\B", "QVBTDEV.DLL"}}));
  CliOptions options;
  options.command = CliCommand::Detect;
  options.verbose = true;
  JobResult r = RunJob(options, file);
  EXPECT_EQ(r.status, EXIT_FAULT_LEFT);
  EXPECT_EQ(r.out,
            "COM5:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"
            "entry \"" +
                std::string(250, 'n') +
                "\": skipped, name too long\n"
                "entry \"02\", Name \"COM5:\": examined, Dll \"QVBTDEV.DLL\", faulty\n");
}

TEST_F(CliJobTest, KeyPathOutsideTheCodePageIsNeverOpened) {
  // "Bt\u0394" narrows to "Bt?", which names another key.
  std::string file = dir_.File("wide.reg");
  WriteBytes(
      file, Utf16Bytes(u"Windows Registry Editor Version 5.00\r\n\r\n"
                       u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n\"Name\"=\"COM5:\"\r\n"
                       u"\"Key\"=\"Drivers\\\\Bt\u0394\"\r\n\r\n"
                       u"[HKEY_LOCAL_MACHINE\\Drivers\\Bt\u0394]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\r\n"
                       u"[HKEY_LOCAL_MACHINE\\Drivers\\Bt?]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n",
                       true));
  std::vector<uint8_t> before = ReadBytes(file);
  CliOptions options;
  options.command = CliCommand::Fix;
  options.verbose = true;
  JobResult r = RunJob(options, file);
  EXPECT_EQ(ReadBytes(file), before);
  // No all-clear stands over the entry that was not examined.
  EXPECT_EQ(r.status, EXIT_INCOMPLETE);
  EXPECT_EQ(r.out, std::string("\n") + UnexaminedNotice(1) + "\n" +
                       "entry \"01\", Name \"COM5:\": skipped, key path not representable\n");
  EXPECT_EQ(r.err, "quorvafix-cli: " + file + ": " + UnexaminedNotice(1) + "\n");
}

TEST_F(CliJobTest, VerboseLinesFollowTheUnchangedReport) {
  std::string file = Sample("quorva-driver.reg");
  CliOptions options;
  options.command = CliCommand::Fix;
  options.verbose = true;
  JobResult r = RunJob(options, file);
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(r.out,
            "COM1:\nDll: SERIAL_PXA.DLL\nCOM3:\nDll: IRSIR.DLL\n"
            "COM5:\nDll: QVBTDEV.DLL  FIXED!\nCOM6:\nDll: BTCEIF.DLL\n" +
                std::string(REPAIRED_LINE) +
                "entry \"01\", Name \"PGR1:\": skipped, not a COM port\n"
                "entry \"02\", Name \"COM1:\": examined, Dll \"SERIAL_PXA.DLL\"\n"
                "entry \"03\", Name \"COM3:\": examined, Dll \"IRSIR.DLL\"\n"
                "entry \"04\", Name \"TCH1:\": skipped, not a COM port\n"
                "entry \"05\", Name \"COM5:\": examined, Dll \"QVBTDEV.DLL\", faulty, repaired\n"
                "entry \"06\", Name \"COM6:\": examined, Dll \"BTCEIF.DLL\"\n"
                "entry \"07\", Name \"COM9:\": skipped, has a PnpId\n"
                "entry \"08\", Name \"WAV1:\": skipped, not a COM port\n");
}

TEST_F(CliJobTest, StoredControlCharactersReachNoStreamRaw) {
  // Windows file names hold no control characters: there only the stored
  // texts are hostile.
#ifdef _WIN32
  const std::string name = "esc[2J.reg", shown = name;
#else
  const std::string name = "esc\x1b[2J.reg", shown = "esc\\x1b[2J.reg";
#endif
  std::string file = dir_.File(name);
  WriteText(file, Regedit4({{"01", "COM5:\x1b]0;owned\x07", "Drivers\\\\A"}},
                           {{"Drivers\\A", "QVBTDEV.DLL\x1b[5m"}}));
  FailingFileSystem fs(RealFileSystem());
  fs.FailAt(FileSystem::Step::Rename, 1, EROFS);
  JobResult r = Run(CliCommand::Fix, file, "", &fs);
  EXPECT_EQ(r.out, "COM5:\\x1b]0;owned\\x07\nDll: QVBTDEV.DLL\\x1b[5M\n\nAll OK !!!\n" +
                       std::string(NOT_FOUND_LINE));
  WriteText(file,
            Regedit4({{"01", "COM5:", "Drivers\\\\A\x1b"}}, {{"Drivers\\A\x1b", "QVBTDEV.DLL"}}));
  r = Run(CliCommand::Fix, file, "", &fs);
  EXPECT_EQ(r.status, EXIT_FAULT_LEFT);
  EXPECT_EQ(r.err.rfind(
                "quorvafix-cli: " + dir_.File(shown) + ": cannot repair Drivers\\A\\x1b\\Dll: ", 0),
            0u)
      << r.err;
  for (char c : r.out + r.err) EXPECT_NE(c, '\x1b');
}

}  // namespace
