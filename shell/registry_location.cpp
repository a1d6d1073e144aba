#include "shell/registry_location.h"

#include <cstdlib>

namespace {

constexpr char RELATIVE_PATH[] = "/quorvafix/registry.reg";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string RegistryFilePath(int argc, const char* const* argv) {
  if (argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0') return argv[1];
  std::string data_home = Environment("XDG_DATA_HOME");
  if (!data_home.empty() && data_home[0] == '/') return data_home + RELATIVE_PATH;
  std::string home = Environment("HOME");
  if (home.empty()) return std::string();
  return home + "/.local/share" + RELATIVE_PATH;
}
