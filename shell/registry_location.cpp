#include "shell/registry_location.h"

std::string RegistryFilePath(int argc, const char* const* argv) {
  if (argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0') return argv[1];
  return DefaultRegistryFile();
}
