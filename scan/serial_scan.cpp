#include "scan/serial_scan.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/registry/registry.h"
#include "text/wide_text.h"

namespace {

constexpr char16_t ACTIVE_DRIVERS_PATH[] = u"Drivers\\Active";
constexpr char ACTIVE_ENTRY_PREFIX[] = "Drivers\\Active\\";
constexpr char16_t DLL_VALUE[] = u"Dll";
constexpr uint32_t REPAIRED_DLL_BYTES =
    sizeof(SCAN_REPAIRED_DLL);  // 10 characters and the terminator
static_assert(REPAIRED_DLL_BYTES == 22, "the repair writes 22 bytes");
constexpr const char* FAULTY_DLLS[] = {"---BTCEIF.DLL", "QVBTDEV.DLL"};

constexpr uint32_t SUBKEY_NAME_CHARS = 200;
constexpr uint32_t VALUE_QUERY_BYTES = 300;
// One unit more than the query is offered, so the terminator written at the
// returned length always lands inside the buffer.
constexpr int VALUE_BUFFER_UNITS = VALUE_QUERY_BYTES / 2 + 1;
constexpr uint32_t KEY_ACCESS = 1;

// True when every unit of text has a Windows-1252 byte that widens back to it,
// so the narrow form names the same key.
bool NarrowsExactly(const char16_t* text) {
  for (; *text != 0; ++text) {
    if (CodePageToWide(static_cast<unsigned char>(WideToCodePage(*text))) != *text) return false;
  }
  return true;
}

// Reads string value `name` of key into text, and its UTF-16 form into wide
// when given; exact, when given, tells whether text narrowed exactly. Returns
// the query's status: ERROR_FILE_NOT_FOUND for a value that is not there,
// ERROR_MORE_DATA for one longer than the query takes.
RegStatus QueryText(RegKey key, const char16_t* name, DynString& text,
                    std::u16string* wide = nullptr, bool* exact = nullptr) {
  char16_t buffer[VALUE_BUFFER_UNITS];
  uint32_t length = VALUE_QUERY_BYTES;
  RegStatus status =
      RegQueryValueEx(key, name, nullptr, reinterpret_cast<uint8_t*>(buffer), &length);
  if (status != ERROR_SUCCESS) return status;
  buffer[length < VALUE_QUERY_BYTES ? length / 2 : VALUE_QUERY_BYTES / 2] = 0;
  text.AssignWide(buffer);
  if (wide != nullptr) wide->assign(buffer);
  if (exact != nullptr) *exact = NarrowsExactly(buffer);
  return ERROR_SUCCESS;
}

RegStatus QueryText(RegKey key, const char* name, DynString& text, std::u16string* wide = nullptr,
                    bool* exact = nullptr) {
  WideText wide_name(name);
  return QueryText(key, wide_name.Get(), text, wide, exact);
}

// Why an entry is skipped whose value the query with status gave empty or
// not at all: missing when the value was read empty or is not there, else
// unreadable. The handheld skips both alike; only an unreadable value may
// hide the fault.
ScanSkip QueryFailure(RegStatus status, ScanSkip missing, ScanSkip unreadable) {
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? missing : unreadable;
}

// Appends to the report while remembering where it ends, so that adding a
// block costs its own length rather than a measuring of the whole report.
// Each addition makes the same Reserve call as Append, so the report grows
// exactly as if appended to. A sink of the report layout.
class ReportWriter {
 public:
  explicit ReportWriter(DynString& report) : report_(report), end_(report.Length()) {}

  void Text(const char* text) {
    int add = static_cast<int>(std::strlen(text));
    report_.Reserve(end_ + add);
    std::memcpy(report_.At(0) + end_, text, static_cast<size_t>(add) + 1);
    end_ += add;
  }
  void Field(const char* text) { Text(text); }

 private:
  DynString& report_;
  int end_;
};

// What one walk carries from entry to entry.
struct Walk {
  bool repair;
  ReportWriter report;
  DynString& message;
  bool found;
};

bool IsFaulty(const DynString& dll) {
  for (const char* faulty : FAULTY_DLLS) {
    if (dll.Compare(faulty) == 0) return true;
  }
  return false;
}

// Marks the entry (when recorded) as skipped for why.
void Skip(ScanEntry* entry, ScanSkip why) {
  if (entry != nullptr) entry->skip = why;
}

// Examines the driver key at driver_path for the device device_name and adds
// its block to the report. Sets found when the driver's Dll is faulty.
void ExamineDriver(const DynString& device_name, const DynString& driver_path, Walk& walk,
                   ScanEntry* entry) {
  RegKey driver;
  WideText wide_path(driver_path.CStr());
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, wide_path.Get(), 0, KEY_ACCESS, &driver) != ERROR_SUCCESS) {
    Skip(entry, ScanSkip::DriverKeyMissing);
    return;
  }
  DynString dll;
  bool faulty = false;
  bool repaired = false;
  const RegStatus dll_status =
      QueryText(driver, DLL_VALUE, dll, entry != nullptr ? &entry->stored_dll : nullptr);
  if (dll_status == ERROR_SUCCESS) {
    dll.ToUpper();
    if (IsFaulty(dll)) {
      walk.found = faulty = true;
      if (walk.repair) {
        repaired = RegSetValueEx(driver, DLL_VALUE, REG_SZ,
                                 reinterpret_cast<const uint8_t*>(SCAN_REPAIRED_DLL),
                                 REPAIRED_DLL_BYTES) == ERROR_SUCCESS;
      }
    }
  }
  if (dll.Length() > 0) {
    WriteDriverBlock(walk.report, device_name.CStr(), dll.CStr(), faulty, repaired);
    if (repaired) walk.message.Assign(SCAN_REPAIRED_MESSAGE);
    if (entry != nullptr) {
      WideText wide_dll(dll.CStr());
      entry->dll = wide_dll.Get();
      entry->faulty = faulty;
      entry->repaired = repaired;
    }
  } else {
    Skip(entry, QueryFailure(dll_status, ScanSkip::NoDll, ScanSkip::DllUnreadable));
  }
  RegCloseKey(driver);
}

// Examines the active-driver entry subkey_name of Drivers\Active.
void ExamineEntry(const char16_t* subkey_name, Walk& walk, ScanEntry* entry) {
  if (!NarrowsExactly(subkey_name)) return Skip(entry, ScanSkip::EntryNameNotRepresentable);
  DynString entry_path(ACTIVE_ENTRY_PREFIX);
  DynString narrow_name;
  narrow_name.AssignWide(subkey_name);
  entry_path.Append(narrow_name);
  WideText wide_entry_path(entry_path.CStr());
  RegKey entry_key;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, wide_entry_path.Get(), 0, KEY_ACCESS, &entry_key) !=
      ERROR_SUCCESS) {
    return Skip(entry, ScanSkip::EntryNotOpened);
  }
  DynString device_name;
  DynString pnp_id;
  DynString driver_path;
  bool key_exact = false;
  const RegStatus name_status =
      QueryText(entry_key, "Name", device_name, entry != nullptr ? &entry->name : nullptr);
  if (name_status != ERROR_SUCCESS) {
    Skip(entry, QueryFailure(name_status, ScanSkip::NoName, ScanSkip::NameUnreadable));
  } else if (device_name.CompareN("COM", 3) != 0) {
    Skip(entry, ScanSkip::NotComPort);
  } else {
    bool has_pnp_id = QueryText(entry_key, "PnpId", pnp_id) == ERROR_SUCCESS && pnp_id.Length() > 0;
    const RegStatus key_status = QueryText(entry_key, "Key", driver_path,
                                           entry != nullptr ? &entry->key : nullptr, &key_exact);
    if (has_pnp_id) {
      Skip(entry, ScanSkip::HasPnpId);
    } else if (key_status != ERROR_SUCCESS || driver_path.Length() == 0) {
      Skip(entry, QueryFailure(key_status, ScanSkip::NoKey, ScanSkip::KeyUnreadable));
    } else if (!key_exact) {
      Skip(entry, ScanSkip::KeyPathNotRepresentable);
    } else {
      ExamineDriver(device_name, driver_path, walk, entry);
    }
  }
  RegCloseKey(entry_key);
}

// The whole name of the index-th subkey of key, whose name is name_size units
// long with its terminator.
std::u16string WholeSubkeyName(RegKey key, uint32_t index, uint32_t name_size) {
  std::u16string name(name_size, u'\0');
  uint32_t length = name_size;
  if (RegEnumKeyEx(key, index, name.data(), &length) != ERROR_SUCCESS) return std::u16string();
  name.resize(length);
  return name;
}

}  // namespace

void ScanSerialDrivers(DynString& report, DynString& message, bool repair, ScanObserver* observer) {
  *report.At(0) = '\0';
  Walk walk{repair, ReportWriter(report), message, false};
  RegKey active;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, ACTIVE_DRIVERS_PATH, 0, KEY_ACCESS, &active) ==
      ERROR_SUCCESS) {
    for (uint32_t index = 0;; ++index) {
      char16_t subkey_name[SUBKEY_NAME_CHARS];
      uint32_t name_length = SUBKEY_NAME_CHARS;
      RegStatus status = RegEnumKeyEx(active, index, subkey_name, &name_length);
      if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
      ScanEntry told;
      ScanEntry* entry = observer != nullptr ? &told : nullptr;
      if (status == ERROR_MORE_DATA) {
        if (entry != nullptr) entry->subkey = WholeSubkeyName(active, index, name_length);
        Skip(entry, ScanSkip::NameTooLong);
      } else {
        if (entry != nullptr) entry->subkey = subkey_name;
        ExamineEntry(subkey_name, walk, entry);
      }
      if (observer != nullptr) observer->EntryDone(told);
    }
    RegCloseKey(active);
  }
  if (!walk.found) {
    walk.report.Text(SCAN_ALL_OK);
    message.Assign(SCAN_NOT_FOUND_MESSAGE);
  }
}
