#include "shell/registry_check.h"

#include <utility>

namespace {

RegistryCheck& Installed() {
  static RegistryCheck check;
  return check;
}

}  // namespace

void InstallRegistryCheck(RegistryCheck check) { Installed() = std::move(check); }

bool RegistryIsCurrent(std::u16string* why) {
  const RegistryCheck& check = Installed();
  return !check || check(why);
}
