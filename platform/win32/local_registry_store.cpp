// LocalRegistry on Windows: the registry service's operations passed to
// advapi32 (win32_registry_calls.h), remembering each open key's path so
// that a failure names the key and value it concerns.
#include <map>
#include <string>

#include "platform/code_page.h"
#include "platform/registry/local_registry.h"
#include "platform/win32/win32_registry_calls.h"

namespace {

std::string PathText(const std::u16string& path) {
  std::string text;
  for (char16_t unit : path) text += WideToCodePage(unit);
  return text;
}

class Win32LocalRegistry : public LocalRegistry {
 public:
  Win32LocalRegistry() { paths_[HKEY_LOCAL_MACHINE] = u"HKEY_LOCAL_MACHINE"; }

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override {
    std::u16string full = Path(key);
    if (path != nullptr && *path != 0) full += (full.empty() ? u"" : u"\\") + std::u16string(path);
    RegStatus status = win32::OpenKey(key, path != nullptr ? path : u"", result);
    if (status != ERROR_SUCCESS) return Failed("RegOpenKeyExW " + PathText(full), status);
    paths_[*result] = full;
    return status;
  }

  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override {
    RegStatus status = win32::EnumKey(key, index, name, *length, length);
    if (status == ERROR_MORE_DATA) ++*length;  // the size needed, terminator included
    return status;
  }

  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override {
    return win32::QueryValue(key, name != nullptr ? name : u"", type, data, length);
  }

  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override {
    RegStatus status = win32::SetValue(key, name != nullptr ? name : u"", type, data, length);
    if (status != ERROR_SUCCESS) {
      std::u16string value = name != nullptr ? name : u"";
      return Failed("RegSetValueExW " + PathText(Path(key)) + "\\" + PathText(value), status);
    }
    return status;
  }

  RegStatus CloseKey(RegKey key) override {
    paths_.erase(key);
    return win32::CloseKey(key);
  }

  std::string LastFailure() const override { return last_failure_; }

 private:
  std::u16string Path(RegKey key) const {
    auto found = paths_.find(key);
    return found != paths_.end() ? found->second : u"";
  }

  RegStatus Failed(const std::string& call, RegStatus status) {
    last_failure_ = call + ": " + win32::StatusText(status);
    return status;
  }

  std::map<RegKey, std::u16string> paths_;
  std::string last_failure_;
};

}  // namespace

std::unique_ptr<LocalRegistry> LocalRegistry::Open(std::string*) {
  return std::make_unique<Win32LocalRegistry>();
}
