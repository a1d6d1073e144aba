#include "cli/report_text.h"

#include <cstring>

#include "platform/code_page.h"
#include "scan/serial_scan.h"

namespace {

void AppendUtf8(std::string& out, char16_t unit) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
  } else if (unit < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  } else {
    // Every Windows-1252 character lies in the basic plane.
    out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
    out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  }
}

}  // namespace

std::string NarrowToTerminalText(const char* narrow) {
  std::string out;
  for (const char* p = narrow; *p != '\0'; ++p) {
    if (*p == '\r') {
      out.push_back('\n');
      if (p[1] == '\n') ++p;
      continue;
    }
    AppendUtf8(out, CodePageToWide(static_cast<unsigned char>(*p)));
  }
  return out;
}

int CountUnrepairedDrivers(const char* report) {
  static const char DLL_LINE[] = "Dll: ";
  const size_t mark_length = std::strlen(SCAN_BUG_MARK);
  int count = 0;
  const char* line = report;
  while (*line != '\0') {
    const char* end = std::strstr(line, "\r\n");
    size_t length = end != nullptr ? static_cast<size_t>(end - line) : std::strlen(line);
    if (std::strncmp(line, DLL_LINE, sizeof(DLL_LINE) - 1) == 0 && length >= mark_length &&
        std::memcmp(line + length - mark_length, SCAN_BUG_MARK, mark_length) == 0) {
      ++count;
    }
    if (end == nullptr) break;
    line = end + 2;
  }
  return count;
}
