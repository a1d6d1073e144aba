// The device's system services on Win32. rapi.dll's flat functions are
// declared here from their published prototypes (no SDK header ships with
// mingw-w64) and found with GetProcAddress, so that the programs start and
// work on files where the synchronisation software is absent.
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "platform/device/device_system.h"
#include "platform/files/win32_path.h"
#include "platform/win32/win32_registry_calls.h"

namespace {

// RAPIINIT: filled in by CeRapiInitEx.
struct RapiInit {
  DWORD size;
  HANDLE done;     // heRapiInit: signalled once the connection is made or has failed
  HRESULT result;  // hrRapiInit: the connection's outcome, once signalled
};

using CeRapiInitExCall = HRESULT(WINAPI*)(RapiInit*);
using CeRapiUninitCall = HRESULT(WINAPI*)();
using CeRapiGetErrorCall = HRESULT(WINAPI*)();
using CeRegOpenKeyExCall = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
using CeRegEnumKeyExCall = LONG(WINAPI*)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPWSTR, LPDWORD,
                                         PFILETIME);
using CeRegEnumValueCall = LONG(WINAPI*)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE,
                                         LPDWORD);
using CeRegQueryValueExCall = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CeRegSetValueExCall = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
using CeRegCloseKeyCall = LONG(WINAPI*)(HKEY);

// The calls of a loaded rapi.dll.
struct RapiCalls {
  CeRapiInitExCall init;
  CeRapiUninitCall uninit;
  CeRapiGetErrorCall link_error;
  CeRegOpenKeyExCall open_key;
  CeRegEnumKeyExCall enum_key;
  CeRegEnumValueCall enum_value;
  CeRegQueryValueExCall query_value;
  CeRegSetValueExCall set_value;
  CeRegCloseKeyCall close_key;
};

template <typename Call>
bool Find(HMODULE dll, const char* name, Call* call) {
  *call = reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
  return *call != nullptr;
}

bool FindAll(HMODULE dll, RapiCalls* calls) {
  return Find(dll, "CeRapiInitEx", &calls->init) && Find(dll, "CeRapiUninit", &calls->uninit) &&
         Find(dll, "CeRapiGetError", &calls->link_error) &&
         Find(dll, "CeRegOpenKeyEx", &calls->open_key) &&
         Find(dll, "CeRegEnumKeyEx", &calls->enum_key) &&
         Find(dll, "CeRegEnumValue", &calls->enum_value) &&
         Find(dll, "CeRegQueryValueEx", &calls->query_value) &&
         Find(dll, "CeRegSetValueEx", &calls->set_value) &&
         Find(dll, "CeRegCloseKey", &calls->close_key);
}

HKEY Key(uintptr_t key) { return reinterpret_cast<HKEY>(key); }
LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }

class Win32RapiLink : public RapiLink {
 public:
  Win32RapiLink(HMODULE dll, const RapiCalls& calls) : dll_(dll), calls_(calls) {}
  ~Win32RapiLink() override {
    calls_.uninit();
    ::FreeLibrary(dll_);
  }

  int32_t OpenKey(uintptr_t key, const char16_t* path, uintptr_t* result) override {
    HKEY opened = nullptr;
    LONG status = calls_.open_key(Key(key), Wide(path), 0, 0, &opened);
    if (status == ERROR_SUCCESS) *result = reinterpret_cast<uintptr_t>(opened);
    return status;
  }
  int32_t EnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t* length) override {
    DWORD size = *length;
    LONG status =
        calls_.enum_key(Key(key), index, Wide(name), &size, nullptr, nullptr, nullptr, nullptr);
    *length = size;
    return status;
  }
  int32_t EnumValue(uintptr_t key, uint32_t index, char16_t* name, uint32_t* name_length,
                    uint32_t* type, uint8_t* data, uint32_t* data_length) override {
    DWORD name_size = *name_length;
    DWORD got_type = 0;
    DWORD data_size = *data_length;
    LONG status = calls_.enum_value(Key(key), index, Wide(name), &name_size, nullptr, &got_type,
                                    data, &data_size);
    *name_length = name_size;
    *type = got_type;
    *data_length = data_size;
    return status;
  }
  int32_t QueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                     uint32_t* length) override {
    DWORD got_type = 0;
    DWORD size = *length;
    LONG status = calls_.query_value(Key(key), Wide(name), nullptr, &got_type, data, &size);
    if (type != nullptr) *type = got_type;
    *length = size;
    return status;
  }
  int32_t SetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                   uint32_t length) override {
    return calls_.set_value(Key(key), Wide(name), 0, type, data, length);
  }
  int32_t CloseKey(uintptr_t key) override { return calls_.close_key(Key(key)); }
  int32_t LinkError() override { return calls_.link_error(); }

 private:
  HMODULE dll_;
  RapiCalls calls_;
};

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

}  // namespace

bool SystemReachesHandhelds(std::string*) { return true; }

std::unique_ptr<RapiLink> ConnectDevice(int wait_seconds, DeviceConnectFailure* failure,
                                        std::string* why) {
  *failure = DeviceConnectFailure::NotInstalled;
  HMODULE dll = ::LoadLibraryExW(L"rapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  RapiCalls calls{};
  if (dll == nullptr || !FindAll(dll, &calls)) {
    if (dll != nullptr) ::FreeLibrary(dll);
    *why =
        "--device: the synchronisation software is not installed on this computer (no "
        "rapi.dll in the system folder): install ActiveSync (Windows XP) or Windows Mobile "
        "Device Center (Vista and later), connect the handheld and run this again";
    return nullptr;
  }
  RapiInit init{sizeof(RapiInit), nullptr, E_FAIL};
  HRESULT started = calls.init(&init);
  if (FAILED(started)) {
    ::FreeLibrary(dll);
    *failure = DeviceConnectFailure::Refused;
    *why = "--device: the synchronisation software could not start a connection (" + Hex(started) +
           "); restart it, or the computer, and run this again";
    return nullptr;
  }
  DWORD waited = ::WaitForSingleObject(init.done, static_cast<DWORD>(wait_seconds) * 1000);
  if (waited != WAIT_OBJECT_0 || FAILED(init.result)) {
    calls.uninit();
    ::FreeLibrary(dll);
    *failure = DeviceConnectFailure::NoAnswer;
    *why = "--device: no handheld answered within " + std::to_string(wait_seconds) +
           (wait_seconds == 1 ? " second" : " seconds") +
           ": connect it (cable or cradle), wait until the synchronisation software "
           "shows it as connected, and run this again (--wait=SECONDS waits longer)";
    return nullptr;
  }
  *failure = DeviceConnectFailure::None;
  return std::make_unique<Win32RapiLink>(dll, calls);
}

namespace {

class Win32RepairLock : public DeviceRepairLock {
 public:
  explicit Win32RepairLock(HANDLE mutex) : mutex_(mutex) {}
  ~Win32RepairLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

}  // namespace

std::unique_ptr<DeviceRepairLock> TakeDeviceRepairLock() {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, L"Global\\QUORVAFIX-handheld-repair");
  if (mutex == nullptr) return nullptr;
  DWORD taken = ::WaitForSingleObject(mutex, 0);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return nullptr;
  }
  return std::make_unique<Win32RepairLock>(mutex);
}

namespace {

std::wstring Environment(const wchar_t* name) {
  DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, &value[0], size));
  return value;
}

bool MakeFolder(const std::wstring& folder, std::string* why) {
  if (::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
    return true;
  *why = NarrowPath(folder) + ": " + win32::StatusText(::GetLastError());
  return false;
}

// Writes bytes to the new file path; the file is removed again when a step fails.
DWORD WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  DWORD written = 0;
  DWORD error = ERROR_SUCCESS;
  if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || !::FlushFileBuffers(file)) {
    error = ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_WRITE_FAULT;
  }
  ::CloseHandle(file);
  if (error != ERROR_SUCCESS) ::DeleteFileW(path.c_str());
  return error;
}

}  // namespace

bool SaveUndoFile(const std::vector<uint8_t>& bytes, std::string* path, std::string* why) {
  std::wstring folder = Environment(L"LOCALAPPDATA");
  if (folder.empty()) {
    *why = "LOCALAPPDATA is not set: there is no folder for the undo file";
    return false;
  }
  folder += L"\\quorvafix";
  if (!MakeFolder(folder, why)) return false;
  folder += L"\\undo";
  if (!MakeFolder(folder, why)) return false;
  std::time_t now = std::time(nullptr);
  wchar_t stamp[32];
  std::wcsftime(stamp, 32, L"%Y-%m-%d %H-%M-%S", std::localtime(&now));
  for (int copy = 1; copy < 100; ++copy) {
    std::wstring name =
        folder + L"\\" + stamp + (copy > 1 ? L" (" + std::to_wstring(copy) + L")" : L"") + L".reg";
    DWORD error = WriteNewFile(name, bytes);
    *path = NarrowPath(name);
    if (error == ERROR_SUCCESS) return true;
    if (error != ERROR_FILE_EXISTS) {
      *why = *path + ": " + win32::StatusText(error);
      return false;
    }
  }
  *why = NarrowPath(folder) + ": every name for this second is taken";
  return false;
}
