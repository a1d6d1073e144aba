#include "shell/desktop_program.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/reg_file_store.h"
#include "platform/registry.h"
#include "platform/window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/app_start.h"
#include "shell/registry_check.h"
#include "shell/registry_location.h"

namespace {

constexpr char16_t kCaption[] = u"QUORVAFIX";

InstanceHandle ProgramInstance() {
  static const InstanceHandle instance = InstallResourceModule(&QuorvafixResources());
  return instance;
}

// UTF-16 form of UTF-8 text (file names on this system); a byte that does
// not start a well-formed sequence becomes U+FFFD.
std::u16string Utf16Of(const std::string& text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2
                : lead >= 0xC2 ? 1 : -1;
    uint32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!ok || (extra == 2 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
        (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

// Shows why the program cannot start; always returns 1.
int RefuseToStart(const std::string& why) {
  ProgramInstance();  // the box carries the program's icon
  MessageBox(0, Utf16Of(why).c_str(), kCaption, MB_OK | MB_ICONWARNING);
  return 1;
}

}  // namespace

int RunQuorvafix(int argc, const char* const* argv) {
  std::string path = RegistryFilePath(argc, argv);
  if (path.empty()) {
    return RefuseToStart("No registry file was given, and neither XDG_DATA_HOME nor HOME names "
                         "a folder for the default one.");
  }
  RegFileOptions options;
  options.missing_file_is_empty = true;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(path, &error, options);
  if (store == nullptr) return RefuseToStart("The registry file cannot be used.\n\n" + error);
  InstallRegistryStore(store.get());
  InstallRegistryCheck([&store](std::u16string* why) {
    if (store->Refresh() == ERROR_SUCCESS) return true;
    *why = Utf16Of(store->LastFailure());
    return false;
  });
  int code = WinMain(ProgramInstance(), 0, u"", SW_SHOW);
  InstallRegistryCheck(nullptr);
  InstallRegistryStore(nullptr);
  return code;
}
