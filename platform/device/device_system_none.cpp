#include "platform/device/device_system.h"

bool SystemReachesHandhelds(std::string* why) {
  *why =
      "--device: this system cannot reach a connected handheld (the option goes through the "
      "Windows synchronisation software's rapi.dll); on Linux, bring a registry export over "
      "as the guide tells (docs/guide.md, \"Getting the registry off the handheld\")";
  return false;
}

std::unique_ptr<RapiLink> ConnectDevice(int, DeviceConnectFailure* failure, std::string* why) {
  *failure = DeviceConnectFailure::NoSystemSupport;
  SystemReachesHandhelds(why);
  return nullptr;
}

std::unique_ptr<DeviceRepairLock> TakeDeviceRepairLock() {
  return std::make_unique<DeviceRepairLock>();
}

bool SaveUndoFile(const std::vector<uint8_t>&, std::string*, std::string* why) {
  *why = "this system keeps no undo files";
  return false;
}
