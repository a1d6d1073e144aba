#include "cli/report_text.h"

#include <string>

#include "cli/terminal_text.h"
#include "platform/code_page.h"
#include "platform/registry/reg_text_codec.h"
#include "scan/report_layout.h"

namespace {

// The Windows-1252 text as UTF-8.
std::string Utf8OfCodePage(const std::string& narrow) {
  std::u16string wide;
  DecodeCodePage(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size(), &wide);
  return MessageText(wide);
}

// A sink of the report layout that writes terminal text.
struct TerminalSink {
  std::string text;

  void Text(const char* layout) { text += NarrowToTerminalText(layout); }
  void Field(const char* stored) { text += EscapeControls(Utf8OfCodePage(stored)); }
};

std::string Shown(const std::u16string& text) { return EscapeControls(MessageText(text)); }

}  // namespace

std::string NarrowToTerminalText(const char* narrow) {
  std::string lines;
  for (const char* p = narrow; *p != '\0'; ++p) {
    if (*p == '\r') {
      lines.push_back('\n');
      if (p[1] == '\n') ++p;
      continue;
    }
    lines.push_back(*p);
  }
  return Utf8OfCodePage(lines);
}

std::string ReportTerminalText(const std::vector<ScanEntry>& entries) {
  TerminalSink sink;
  WriteReport(sink, entries);
  return sink.text;
}

std::string EntryLine(const ScanEntry& entry) {
  std::string line = "entry \"" + Shown(entry.subkey) + "\"";
  if (!entry.name.empty()) line += ", Name \"" + Shown(entry.name) + "\"";
  if (!entry.Examined()) return line + ": skipped, " + ScanSkipText(entry.skip);
  line += ": examined, Dll \"" + Shown(entry.dll) + "\"";
  if (entry.faulty) line += entry.repaired ? ", faulty, repaired" : ", faulty";
  return line;
}
