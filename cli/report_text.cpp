#include "cli/report_text.h"

#include <cstring>

#include "platform/code_page.h"
#include "platform/reg_text_codec.h"
#include "scan/serial_scan.h"

std::string NarrowToTerminalText(const char* narrow) {
  std::u16string wide;
  for (const char* p = narrow; *p != '\0'; ++p) {
    if (*p == '\r') {
      wide.push_back(u'\n');
      if (p[1] == '\n') ++p;
      continue;
    }
    wide.push_back(CodePageToWide(static_cast<unsigned char>(*p)));
  }
  return MessageText(wide);
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
