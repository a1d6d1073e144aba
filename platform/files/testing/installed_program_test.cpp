// What counts as an installed program, and the failure that names the
// package: looked up on PATH the way execvp looks, or taken as a path.

#include "platform/files/testing/installed_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/testing/scratch_files.h"

namespace {

// PATH set to a value for the test's length, restored after.
class PathSetTo {
 public:
  explicit PathSetTo(const std::string& value) {
    const char* old = std::getenv("PATH");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("PATH", value.c_str(), 1);
  }
  ~PathSetTo() { had_ ? ::setenv("PATH", old_.c_str(), 1) : ::unsetenv("PATH"); }

 private:
  bool had_ = false;
  std::string old_;
};

void MakeFile(const std::string& path, mode_t mode) {
  WriteText(path, "#!/bin/sh\n");
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

TEST(IsInstalled, FindsOnlyRegularFilesThatMayBeRun) {
  TempDir first, second;
  MakeFile(first.File("plain"), 0644);
  MakeFile(second.File("plain"), 0755);  // a later folder's runnable one counts
  MakeFile(first.File("tool"), 0700);
  ASSERT_EQ(::mkdir(first.File("folder").c_str(), 0755), 0);
  PathSetTo path(first.Path() + ":" + second.Path());
  const struct {
    std::string program;
    bool found;
  } CASES[] = {
      {"tool", true},
      {"plain", true},
      {"folder", false},
      {"missing", false},
      {first.File("tool"), true},
      {first.File("plain"), false},
      {first.File("folder"), false},
      {first.File("missing"), false},
      {"./tool", false},  // a path, relative to the working folder, not PATH
  };
  for (const auto& c : CASES) {
    SCOPED_TRACE(c.program);
    EXPECT_EQ(static_cast<bool>(IsInstalled(c.program, "pkg")), c.found);
  }
}

TEST(IsInstalled, AnEmptyPathEntryIsTheWorkingFolder) {
  TempDir dir;
  MakeFile(dir.File("here"), 0755);
  char* old = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  {
    PathSetTo path("/nonexistent:");
    EXPECT_TRUE(IsInstalled("here", "pkg"));
  }
  {
    PathSetTo path("/nonexistent");
    EXPECT_FALSE(IsInstalled("here", "pkg"));
  }
  ASSERT_EQ(::chdir(old), 0);
  std::free(old);
}

TEST(IsInstalled, TheFailureNamesTheProgramAndItsPackage) {
  PathSetTo path("/nonexistent");
  ::testing::AssertionResult result = IsInstalled("setfacl", "acl");
  ASSERT_FALSE(result);
  EXPECT_STREQ(result.message(),
               "setfacl is not installed: install the Debian package acl "
               "(scripts/install-deps.sh does)");
}

}  // namespace
