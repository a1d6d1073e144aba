// A stand-in rapi.dll for the tests: the Remote API's connection and
// registry calls, with the documented semantics, served from a registry
// export file instead of a handheld, and the link's faults on demand. The
// test sets, before it starts the program:
//   QUORVAFIX_RAPI_REGISTRY    the export to serve (Windows path); unset: no
//                              handheld, the connection's event is never set
//   QUORVAFIX_RAPI_CONNECT_MS  the handheld answers after this many ms (0)
//   QUORVAFIX_RAPI_LOSE_AFTER  the link is lost after this many registry
//                              calls: every later call fails, CeRapiGetError
//                              says why; the first lost CeRegSetValueEx still
//                              reaches the handheld, only its answer is lost
//   QUORVAFIX_RAPI_WRITES      "refuse": CeRegSetValueEx answers
//                              ERROR_ACCESS_DENIED; "drop": it answers success
//                              and stores nothing
#include <windows.h>

#include <string>

#include "platform/device/testing/standin_registry.h"
#include "platform/files/win32_path.h"

namespace {

// RAPIINIT, as the published header lays it out.
struct RapiInit {
  DWORD size;
  HANDLE done;
  HRESULT result;
};

// The link's failure once it is lost (RPC_S_SERVER_UNAVAILABLE as an HRESULT).
constexpr HRESULT LINK_FAILED = static_cast<HRESULT>(0x800706BA);

struct Settings {
  std::wstring registry;
  DWORD connect_ms = 0;
  long lose_after = -1;  // -1: never
  std::wstring writes;
};

Settings settings;
long calls = 0;
bool lost = false;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024];
  DWORD size = ::GetEnvironmentVariableW(name, value, 1024);
  return size > 0 && size < 1024 ? std::wstring(value, size) : std::wstring();
}

DWORD WINAPI Connect(void* parameter) {
  RapiInit* init = static_cast<RapiInit*>(parameter);
  ::Sleep(settings.connect_ms);
  init->result = ServeRegistryFile(NarrowPath(settings.registry)) ? S_OK : E_FAIL;
  ::SetEvent(init->done);
  return 0;
}

// Counts a registry call; true when the link is lost by now.
bool LinkLostAt() {
  ++calls;
  if (settings.lose_after >= 0 && calls > settings.lose_after) lost = true;
  return lost;
}

// The status of a call the lost link failed.
constexpr LONG FAILED_CALL = ERROR_DEVICE_NOT_CONNECTED;

uintptr_t Key(HKEY key) { return reinterpret_cast<uintptr_t>(key); }
const char16_t* Text(LPCWSTR text) { return reinterpret_cast<const char16_t*>(text); }
char16_t* Text(LPWSTR text) { return reinterpret_cast<char16_t*>(text); }

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI CeRapiInitEx(RapiInit* init) {
  if (init == nullptr || init->size != sizeof(RapiInit)) return E_INVALIDARG;
  settings.registry = Environment(L"QUORVAFIX_RAPI_REGISTRY");
  settings.connect_ms =
      static_cast<DWORD>(_wtol(Environment(L"QUORVAFIX_RAPI_CONNECT_MS").c_str()));
  std::wstring lose = Environment(L"QUORVAFIX_RAPI_LOSE_AFTER");
  settings.lose_after = lose.empty() ? -1 : _wtol(lose.c_str());
  settings.writes = Environment(L"QUORVAFIX_RAPI_WRITES");
  init->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  init->result = E_PENDING;
  if (!settings.registry.empty()) {
    HANDLE thread = ::CreateThread(nullptr, 0, Connect, init, 0, nullptr);
    if (thread != nullptr) ::CloseHandle(thread);
  }
  return S_OK;
}

__declspec(dllexport) HRESULT WINAPI CeRapiUninit() { return S_OK; }

__declspec(dllexport) HRESULT WINAPI CeRapiGetError() { return lost ? LINK_FAILED : S_OK; }

__declspec(dllexport) DWORD WINAPI CeGetLastError() { return lost ? FAILED_CALL : 0; }

__declspec(dllexport) LONG WINAPI
    CeRegOpenKeyEx(HKEY key, LPCWSTR path, DWORD, REGSAM, PHKEY result) {
  if (LinkLostAt()) return FAILED_CALL;
  uintptr_t opened = 0;
  LONG status = ServedOpenKey(Key(key), Text(path), &opened);
  if (status == ERROR_SUCCESS) *result = reinterpret_cast<HKEY>(opened);
  return status;
}

__declspec(dllexport) LONG WINAPI CeRegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD length,
                                                 LPDWORD, LPWSTR, LPDWORD, PFILETIME) {
  if (LinkLostAt()) return FAILED_CALL;
  uint32_t size = *length;
  LONG status = ServedEnumKey(Key(key), index, Text(name), &size);
  *length = size;
  return status;
}

__declspec(dllexport) LONG WINAPI
    CeRegEnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD name_length, LPDWORD, LPDWORD type,
                   LPBYTE data, LPDWORD data_length) {
  if (LinkLostAt()) return FAILED_CALL;
  uint32_t name_size = *name_length;
  uint32_t got_type = 0;
  uint32_t data_size = *data_length;
  LONG status =
      ServedEnumValue(Key(key), index, Text(name), &name_size, &got_type, data, &data_size);
  *name_length = name_size;
  if (type != nullptr) *type = got_type;
  *data_length = data_size;
  return status;
}

__declspec(dllexport) LONG WINAPI
    CeRegQueryValueEx(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD length) {
  if (LinkLostAt()) return FAILED_CALL;
  uint32_t got_type = 0;
  uint32_t size = *length;
  LONG status = ServedQueryValue(Key(key), Text(name), &got_type, data, &size);
  if (type != nullptr) *type = got_type;
  *length = size;
  return status;
}

__declspec(dllexport) LONG WINAPI
    CeRegSetValueEx(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD length) {
  const bool was_lost = lost;
  if (LinkLostAt()) {
    if (!was_lost) ServedSetValue(Key(key), Text(name), type, data, length);
    return FAILED_CALL;
  }
  if (settings.writes == L"refuse") return ERROR_ACCESS_DENIED;
  if (settings.writes == L"drop") return ERROR_SUCCESS;
  return ServedSetValue(Key(key), Text(name), type, data, length);
}

__declspec(dllexport) LONG WINAPI CeRegCloseKey(HKEY key) {
  if (LinkLostAt()) return FAILED_CALL;
  return ServedCloseKey(Key(key));
}

}  // extern "C"
