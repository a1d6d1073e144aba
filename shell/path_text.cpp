#include "shell/path_text.h"

#include <cstddef>
#include <cstdint>

#include "platform/registry/reg_text_codec.h"
#include "shell/path_system.h"

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

std::string FileNameOf(const std::string& path) {
  std::string::size_type separator = path.find_last_of(PATH_SEPARATORS);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}
