#include "cli/terminal_text.h"

namespace {

constexpr char HEX[] = "0123456789abcdef";

void AppendEscape(unsigned code, std::string* out) {
  switch (code) {
    case '\n':
      *out += "\\n";
      return;
    case '\r':
      *out += "\\r";
      return;
    case '\t':
      *out += "\\t";
      return;
    default:
      *out += {'\\', 'x', HEX[code >> 4], HEX[code & 15]};
  }
}

}  // namespace

int ControlCodeAt(std::string_view utf8, size_t at, size_t* length) {
  unsigned char byte = static_cast<unsigned char>(utf8[at]);
  *length = 1;
  if (byte < 0x20 || byte == 0x7f) return byte;
  // U+0080 to U+009F are the two bytes C2 80 to C2 9F.
  if (byte == 0xC2 && at + 1 < utf8.size() &&
      (static_cast<unsigned char>(utf8[at + 1]) & 0xE0) == 0x80) {
    *length = 2;
    return static_cast<unsigned char>(utf8[at + 1]);
  }
  return -1;
}

std::string EscapeControls(std::string_view utf8, bool keep_tab) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t length;
    int code = ControlCodeAt(utf8, i, &length);
    if (code < 0 || (code == '\t' && keep_tab)) {
      out.append(utf8, i, length);
    } else {
      AppendEscape(static_cast<unsigned>(code), &out);
    }
    i += length;
  }
  return out;
}

void PrintErrorLine(std::FILE* err, std::string_view message) {
  std::fprintf(err, "quorvafix-cli: %s\n", EscapeControls(message).c_str());
}
