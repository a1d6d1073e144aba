#include "platform/registry/reg_value_format.h"

#include <vector>

#include "platform/code_page.h"
#include "platform/registry/reg_format_rules.h"
#include "platform/registry/reg_tree.h"

namespace {

// regedit goes on to the next line once a line of hex reaches this width.
constexpr size_t HEX_LINE_LIMIT = 77;

constexpr char16_t HEX_DIGITS[] = u"0123456789abcdef";

void AppendQuoted(std::u16string_view text, std::u16string* out) {
  out->push_back(u'"');
  for (char16_t u : text) {
    if (const char16_t e = EscapeOf(u)) {
      out->push_back(u'\\');
      out->push_back(e);
    } else {
      out->push_back(u);
    }
  }
  out->push_back(u'"');
}

void AppendHexNumber(uint32_t value, int min_digits, std::u16string* out) {
  char16_t digits[8];
  int n = 0;
  do {
    digits[n++] = HEX_DIGITS[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n < min_digits) digits[n++] = u'0';
  while (n > 0) out->push_back(digits[--n]);
}

void AppendHexBytes(const std::vector<uint8_t>& bytes, size_t column, std::u16string_view eol,
                    std::u16string* out) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    out->push_back(HEX_DIGITS[bytes[i] >> 4]);
    out->push_back(HEX_DIGITS[bytes[i] & 0xF]);
    if (i + 1 == bytes.size()) break;
    out->push_back(u',');
    column += 3;
    if (column >= HEX_LINE_LIMIT) {
      out->push_back(u'\\');
      out->append(eol);
      out->append(u"  ");
      column = 2;
    }
  }
}

char16_t UnitAt(const uint8_t* data, size_t i) {
  return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

}  // namespace

std::u16string FormatValueName(std::u16string_view name) {
  std::u16string out(1, u'@');
  if (!name.empty()) {
    out.clear();
    AppendQuoted(name, &out);
  }
  return out;
}

std::u16string FormatKeyLine(RegKey root, std::u16string_view path) {
  const char16_t* root_name = RegTree::RootName(root);
  if (root_name == nullptr) return std::u16string();
  std::u16string out = u"[";
  out += root_name;
  if (!path.empty()) {
    out += u'\\';
    out += path;
  }
  out += u']';
  return out;
}

RegStatus FormatValueData(RegDialect dialect, uint32_t type, const uint8_t* data, size_t size,
                          size_t start_column, std::u16string_view eol, std::u16string* out,
                          std::string* reason) {
  out->clear();
  if (type == REG_SZ) {
    size_t units = size / 2;
    bool terminated = size % 2 == 0 && units >= 1 && UnitAt(data, units - 1) == 0;
    for (size_t i = 0; terminated && i + 1 < units; ++i) terminated = UnitAt(data, i) != 0;
    if (!terminated) {
      *reason = "a string value must be UTF-16 text with one terminating NUL and no other";
      return ERROR_NOT_SUPPORTED;
    }
    std::u16string text(units - 1, u'\0');
    for (size_t i = 0; i + 1 < units; ++i) text[i] = UnitAt(data, i);
    AppendQuoted(text, out);
    return ERROR_SUCCESS;
  }
  if (type == REG_DWORD && size == 4) {
    out->append(u"dword:");
    AppendHexNumber(data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24), 8, out);
    return ERROR_SUCCESS;
  }
  std::vector<uint8_t> bytes(data, data + size);
  if (dialect == RegDialect::Regedit4 && (type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
    bool exact = size % 2 == 0;
    bytes.clear();
    for (size_t i = 0; exact && i < size / 2; ++i) {
      char b = WideToCodePage(UnitAt(data, i));
      exact = CodePageToWide(static_cast<unsigned char>(b)) == UnitAt(data, i);
      bytes.push_back(static_cast<uint8_t>(b));
    }
    if (!exact) {
      *reason =
          "a REGEDIT4 file holds this string type as Windows-1252 text, which cannot carry it";
      return ERROR_NOT_SUPPORTED;
    }
  }
  if (type == REG_BINARY) {
    out->append(u"hex:");
  } else {
    out->append(u"hex(");
    AppendHexNumber(type, 1, out);
    out->append(u"):");
  }
  AppendHexBytes(bytes, start_column + out->size(), eol, out);
  return ERROR_SUCCESS;
}
