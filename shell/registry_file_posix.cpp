#include <cstdlib>

#include "shell/registry_location.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string DefaultRegistryFile() {
  std::string data_home = Environment("XDG_DATA_HOME");
  if (!data_home.empty() && data_home[0] == '/') return data_home + "/quorvafix/registry.reg";
  std::string home = Environment("HOME");
  if (home.empty()) return std::string();
  return home + "/.local/share/quorvafix/registry.reg";
}
