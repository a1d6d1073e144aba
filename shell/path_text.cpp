#include "shell/path_text.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/registry/reg_text_codec.h"

std::u16string WideOfUtf8(const std::string& text) {
  std::u16string out;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t at = 0;
  while (at < text.size()) {
    at += DecodeUtf8Prefix(bytes + at, text.size() - at, &out);
    if (at == text.size()) break;
    out += u'\uFFFD';
    ++at;
  }
  return out;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::vector<char> folder(4096);
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (folder.size() > (1u << 20)) return path;
    folder.resize(folder.size() * 2);
  }
  std::string base = folder.data();
  if (base.empty() || base.back() != '/') base += '/';
  return base + path;
}
