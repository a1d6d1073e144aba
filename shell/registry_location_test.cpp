#include "shell/registry_location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct LocationCase {
  const char* argument;   // null: none
  const char* data_home;  // null: unset
  const char* home;       // null: unset
  std::string path;
};

void SetOrUnset(const char* name, const char* value) {
  if (value == nullptr) {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
}

TEST(RegistryFilePath, ArgumentThenDataHomeThenHome) {
  const LocationCase cases[] = {
      {"/tmp/pda.reg", "/data", "/home/ana", "/tmp/pda.reg"},
      {"rel.reg", nullptr, nullptr, "rel.reg"},
      {nullptr, "/data", "/home/ana", "/data/quorvafix/registry.reg"},
      {nullptr, nullptr, "/home/ana", "/home/ana/.local/share/quorvafix/registry.reg"},
      {nullptr, "", "/home/ana", "/home/ana/.local/share/quorvafix/registry.reg"},
      {nullptr, "data", "/home/ana", "/home/ana/.local/share/quorvafix/registry.reg"},
      {"", "/data", "/home/ana", "/data/quorvafix/registry.reg"},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const LocationCase& c : cases) {
    SetOrUnset("XDG_DATA_HOME", c.data_home);
    SetOrUnset("HOME", c.home);
    const char* argv[] = {"quorvafix", c.argument, nullptr};
    int argc = c.argument == nullptr ? 1 : 2;
    EXPECT_EQ(RegistryFilePath(argc, argv), c.path)
        << (c.argument ? c.argument : "-") << " " << (c.data_home ? c.data_home : "-");
  }
}

TEST(RegistryFilePath, FurtherArgumentsAreIgnored) {
  const char* argv[] = {"quorvafix", "a.reg", "b.reg", nullptr};
  EXPECT_EQ(RegistryFilePath(3, argv), "a.reg");
}

}  // namespace
