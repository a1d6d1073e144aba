#include "platform/device/device_repair.h"

#include "platform/registry/reg_text_codec.h"

namespace {

constexpr char16_t DLL_VALUE[] = u"Dll";
// A Dll longer than this is no repaired one; reading it whole is not needed.
constexpr uint32_t READ_BACK_BYTES = 256;

// The text of type-1 data: its units up to the first NUL.
std::u16string TextOf(const char16_t* units, uint32_t bytes) {
  std::u16string text(units, bytes / 2);
  return text.substr(0, text.find(u'\0'));
}

// One driver's repair; false when the link is lost.
bool RepairOne(DeviceRegistry& device, const std::u16string& text, DriverRepair& repair) {
  RegKey key;
  if (device.OpenKey(HKEY_LOCAL_MACHINE, repair.key.c_str(), &key) != ERROR_SUCCESS) {
    repair.outcome = RepairOutcome::NotFixed;
    repair.reason = device.LastFailure();
    return !device.LinkLost();
  }
  const uint32_t size = static_cast<uint32_t>((text.size() + 1) * 2);
  RegStatus written =
      device.SetValue(key, DLL_VALUE, REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()), size);
  if (written != ERROR_SUCCESS) {
    repair.outcome = device.LinkLost() ? RepairOutcome::Unknown : RepairOutcome::NotFixed;
    repair.reason = device.LastFailure();
  } else {
    char16_t back[READ_BACK_BYTES / 2];
    uint32_t length = READ_BACK_BYTES;
    uint32_t type = 0;
    RegStatus read =
        device.QueryValue(key, DLL_VALUE, &type, reinterpret_cast<uint8_t*>(back), &length);
    if (read == ERROR_MORE_DATA || (read == ERROR_SUCCESS && type != REG_SZ)) {
      repair.outcome = RepairOutcome::NotFixed;
      repair.reason = "the handheld reported the write done but holds another value";
    } else if (read != ERROR_SUCCESS) {
      repair.outcome = RepairOutcome::Unknown;
      repair.reason = "written, but it could not be read back: " + device.LastFailure();
    } else if (TextOf(back, length) != text) {
      repair.outcome = RepairOutcome::NotFixed;
      repair.reason = "the handheld reported the write done but still holds \"" +
                      MessageText(TextOf(back, length)) + "\"";
    } else {
      repair.outcome = RepairOutcome::Fixed;
    }
  }
  device.CloseKey(key);
  return !device.LinkLost();
}

}  // namespace

void RepairDrivers(DeviceRegistry& device, const std::u16string& text,
                   std::vector<DriverRepair>& repairs) {
  for (DriverRepair& repair : repairs) {
    if (!RepairOne(device, text, repair)) return;
  }
}
