#include "platform/registry/local_registry.h"

std::unique_ptr<LocalRegistry> LocalRegistry::Open(std::string* why) {
  *why =
      "--local-registry: this system has no registry of its own (the option reads the "
      "registry of the Windows computer the tool runs on); give a registry export FILE instead";
  return nullptr;
}
