#include "scan/serial_scan.h"

#include <cstdint>
#include <cstring>

#include "platform/registry.h"
#include "text/wide_text.h"

namespace {

constexpr char16_t ACTIVE_DRIVERS_PATH[] = u"Drivers\\Active";
constexpr char ACTIVE_ENTRY_PREFIX[] = "Drivers\\Active\\";
constexpr char16_t DLL_VALUE[] = u"Dll";
constexpr char16_t REPAIRED_DLL[] = u"BTCEIF.DLL";
constexpr uint32_t REPAIRED_DLL_BYTES = sizeof(REPAIRED_DLL);  // 10 characters and the terminator
static_assert(REPAIRED_DLL_BYTES == 22, "the repair writes 22 bytes");
constexpr const char* FAULTY_DLLS[] = {"---BTCEIF.DLL", "QVBTDEV.DLL"};

constexpr uint32_t SUBKEY_NAME_CHARS = 200;
constexpr uint32_t VALUE_QUERY_BYTES = 300;
// One unit more than the query is offered, so the terminator written at the
// returned length always lands inside the buffer.
constexpr int VALUE_BUFFER_UNITS = VALUE_QUERY_BYTES / 2 + 1;
constexpr uint32_t KEY_ACCESS = 1;

// Reads string value `name` of key into text. False when the query fails.
bool QueryText(RegKey key, const char16_t* name, DynString& text) {
  char16_t buffer[VALUE_BUFFER_UNITS];
  uint32_t length = VALUE_QUERY_BYTES;
  if (RegQueryValueEx(key, name, nullptr, reinterpret_cast<uint8_t*>(buffer), &length) != ERROR_SUCCESS) {
    return false;
  }
  buffer[length < VALUE_QUERY_BYTES ? length / 2 : VALUE_QUERY_BYTES / 2] = 0;
  text.AssignWide(buffer);
  return true;
}

bool QueryText(RegKey key, const char* name, DynString& text) {
  WideText wide_name(name);
  return QueryText(key, wide_name.Get(), text);
}

// Appends to the report while remembering where it ends, so that adding a
// block costs its own length rather than a measuring of the whole report.
// Each addition makes the same Reserve call as Append, so the report grows
// exactly as if appended to.
class ReportWriter {
 public:
  explicit ReportWriter(DynString& report) : report_(report), end_(report.Length()) {}

  ReportWriter& Add(const char* text) {
    int add = static_cast<int>(std::strlen(text));
    report_.Reserve(end_ + add);
    std::memcpy(report_.At(0) + end_, text, static_cast<size_t>(add) + 1);
    end_ += add;
    return *this;
  }
  ReportWriter& Add(const DynString& text) { return Add(text.CStr()); }

 private:
  DynString& report_;
  int end_;
};

bool IsFaulty(const DynString& dll) {
  for (const char* faulty : FAULTY_DLLS) {
    if (dll.Compare(faulty) == 0) return true;
  }
  return false;
}

// Examines the driver key at driver_path for the device device_name and adds
// its block to the report. Sets found when the driver's Dll is faulty.
void ExamineDriver(const DynString& device_name, const DynString& driver_path, bool repair,
                   ReportWriter& report, DynString& message, bool& found) {
  RegKey driver;
  WideText wide_path(driver_path.CStr());
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, wide_path.Get(), 0, KEY_ACCESS, &driver) != ERROR_SUCCESS) {
    return;
  }
  DynString dll;
  bool faulty = false;
  bool repaired = false;
  if (QueryText(driver, DLL_VALUE, dll)) {
    dll.ToUpper();
    if (IsFaulty(dll)) {
      found = faulty = true;
      if (repair) {
        repaired = RegSetValueEx(driver, DLL_VALUE, REG_SZ, reinterpret_cast<const uint8_t*>(REPAIRED_DLL),
                                 REPAIRED_DLL_BYTES) == ERROR_SUCCESS;
      }
    }
  }
  if (dll.Length() > 0) {
    report.Add(device_name).Add("\r\nDll: ").Add(dll);
    if (faulty) {
      report.Add(repaired ? SCAN_FIXED_MARK : SCAN_BUG_MARK);
      if (repaired) message.Assign(SCAN_REPAIRED_MESSAGE);
    }
    report.Add("\r\n");
  }
  RegCloseKey(driver);
}

// Examines the active-driver entry subkey_name of Drivers\Active.
void ExamineEntry(const char16_t* subkey_name, bool repair, ReportWriter& report, DynString& message,
                  bool& found) {
  DynString entry_path(ACTIVE_ENTRY_PREFIX);
  DynString narrow_name;
  narrow_name.AssignWide(subkey_name);
  entry_path.Append(narrow_name);
  WideText wide_entry_path(entry_path.CStr());
  RegKey entry;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, wide_entry_path.Get(), 0, KEY_ACCESS, &entry) != ERROR_SUCCESS) {
    return;
  }
  DynString device_name;
  DynString pnp_id;
  DynString driver_path;
  bool selected = QueryText(entry, "Name", device_name) && device_name.CompareN("COM", 3) == 0;
  if (selected) {
    bool has_pnp_id = QueryText(entry, "PnpId", pnp_id) && pnp_id.Length() > 0;
    bool has_key = QueryText(entry, "Key", driver_path) && driver_path.Length() > 0;
    selected = !has_pnp_id && has_key;
  }
  if (selected) ExamineDriver(device_name, driver_path, repair, report, message, found);
  RegCloseKey(entry);
}

}  // namespace

void ScanSerialDrivers(DynString& report, DynString& message, bool repair) {
  *report.At(0) = '\0';
  ReportWriter writer(report);
  bool found = false;
  RegKey active;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, ACTIVE_DRIVERS_PATH, 0, KEY_ACCESS, &active) == ERROR_SUCCESS) {
    for (uint32_t index = 0;; ++index) {
      char16_t subkey_name[SUBKEY_NAME_CHARS];
      uint32_t name_length = SUBKEY_NAME_CHARS;
      if (RegEnumKeyEx(active, index, subkey_name, &name_length) != ERROR_SUCCESS) break;
      ExamineEntry(subkey_name, repair, writer, message, found);
    }
    RegCloseKey(active);
  }
  if (!found) {
    writer.Add(SCAN_ALL_OK);
    message.Assign(SCAN_NOT_FOUND_MESSAGE);
  }
}
