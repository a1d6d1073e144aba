// Wildcards in FILE arguments on Windows (run under Wine): expanded in the
// file-name part only, files alone, sorted as NTFS lists them, appended to
// what the list held; an argument matching nothing stays as typed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/file_arguments.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

TEST(AddFileArgument, ExpandsWildcardsInTheFileNamePart) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("sub"));
  std::filesystem::create_directory(dir.File("folder.reg"));
  for (const char* name : {"b.reg", "A.reg", "c.txt", "sub/x.reg"}) WriteText(dir.File(name), "");
  const std::string d = dir.Path() + "/";
  std::string w = d;
  for (char& c : w) c = c == '/' ? '\\' : c;
  const std::vector<std::vector<std::string>> cases = {
      {d + "*.reg", d + "A.reg", d + "b.reg"},
      {w + "?.*", w + "A.reg", w + "b.reg", w + "c.txt"},
      {d + "*.none", d + "*.none"},
      {d + "s*/x.reg", d + "s*/x.reg"},
      {d + "sub/*", d + "sub/x.reg"},
      {"-", "-"},
  };
  for (const std::vector<std::string>& c : cases) {
    std::vector<std::string> files = {"before"};
    AddFileArgument(c[0], &files);
    std::vector<std::string> expected = {"before"};
    expected.insert(expected.end(), c.begin() + 1, c.end());
    EXPECT_EQ(files, expected) << c[0];
  }
}

}  // namespace
