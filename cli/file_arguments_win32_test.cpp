// Wildcards in FILE arguments on Windows (run under Wine): expanded in the
// file-name part only, files alone, sorted as NTFS lists them; an argument
// matching nothing stays as typed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/file_arguments.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

TEST(AddFileArgument, ExpandsWildcardsInTheFileNamePart) {
  TempDir dir;
  for (const char* name : {"b.reg", "A.reg", "c.txt", "sub/x.reg"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    WriteText(dir.File(name), "REGEDIT4\r\n");
  }
  std::filesystem::create_directory(dir.File("folder.reg"));
  std::string windows_dir = dir.Path();
  for (char& c : windows_dir) c = c == '/' ? '\\' : c;
  const std::string d = dir.Path() + "/";
  const std::string w = windows_dir + "\\";
  const struct {
    std::string argument;
    std::vector<std::string> files;
  } cases[] = {
      {d + "*.reg", {d + "A.reg", d + "b.reg"}},
      {w + "?.*", {w + "A.reg", w + "b.reg", w + "c.txt"}},
      {d + "*.none", {d + "*.none"}},
      {d + "s*/x.reg", {d + "s*/x.reg"}},
      {d + "sub/*", {d + "sub/x.reg"}},
      {d + "b.reg", {d + "b.reg"}},
      {"-", {"-"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    // Appended after what the list held.
    std::vector<std::string> files = {"before"};
    AddFileArgument(c.argument, &files);
    std::vector<std::string> expected = {"before"};
    expected.insert(expected.end(), c.files.begin(), c.files.end());
    EXPECT_EQ(files, expected);
  }
}

}  // namespace
