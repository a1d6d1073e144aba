#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "shell/registry_location.h"

namespace {

struct AppDataCase {
  const wchar_t* app_data;  // null: unset
  std::string path;
};

TEST(RegistryFilePath, ArgumentThenAppData) {
  const AppDataCase cases[] = {
      {L"C:\\Users\\ana\\AppData\\Roaming",
       "C:\\Users\\ana\\AppData\\Roaming\\quorvafix\\registry.reg"},
      {L"C:\\Users\\ana\\AppData\\Roaming\\",
       "C:\\Users\\ana\\AppData\\Roaming\\quorvafix\\registry.reg"},
      {L"D:\\", "D:\\quorvafix\\registry.reg"},
      {L"\\\\server\\home\\ana", "\\\\server\\home\\ana\\quorvafix\\registry.reg"},
      {L"C:\\Users\\Zo\u00EB", "C:\\Users\\Zo\xC3\xAB\\quorvafix\\registry.reg"},
      {L"Roaming", ""},
      {L"C:Roaming", ""},
      {nullptr, ""},
  };
  for (const AppDataCase& c : cases) {
    ASSERT_EQ(_wputenv_s(L"APPDATA", c.app_data == nullptr ? L"" : c.app_data), 0);
    const char* argv[] = {"quorvafix.exe", nullptr};
    EXPECT_EQ(RegistryFilePath(1, argv), c.path) << c.path;
  }
  ASSERT_EQ(_wputenv_s(L"APPDATA", L"C:\\Users\\ana"), 0);
  const char* named[] = {"quorvafix.exe", "E:\\pda.reg", "other.reg", nullptr};
  EXPECT_EQ(RegistryFilePath(3, named), "E:\\pda.reg");
  const char* empty[] = {"quorvafix.exe", "", nullptr};
  EXPECT_EQ(RegistryFilePath(2, empty), "C:\\Users\\ana\\quorvafix\\registry.reg");
}

}  // namespace
