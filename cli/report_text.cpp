#include "cli/report_text.h"

#include <cstring>
#include <string>

#include "cli/terminal_text.h"
#include "platform/code_page.h"
#include "platform/registry/reg_text_codec.h"
#include "scan/report_layout.h"
#include "text/dyn_string.h"

namespace {

// The Windows-1252 text as UTF-8.
std::string Utf8OfCodePage(const std::string& narrow) {
  std::u16string wide;
  DecodeCodePage(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size(), &wide);
  return MessageText(wide);
}

// A sink of the report layout that writes terminal text.
struct TerminalSink {
  const ReportNotes& notes;
  std::string text;

  void Text(const char* layout) {
    if (notes.unexamined > 0 && std::strcmp(layout, SCAN_ALL_OK) == 0) {
      text += "\n" + UnexaminedNotice(notes.unexamined);
    } else if (notes.repairs_in_patch && std::strcmp(layout, SCAN_FIXED_MARK) == 0) {
      text += REPAIRED_IN_PATCH_MARK;
    } else {
      text += NarrowToTerminalText(layout);
    }
  }
  void Field(const char* stored) { text += EscapeControls(Utf8OfCodePage(stored)); }
};

std::string Shown(const std::u16string& text) { return EscapeControls(MessageText(text)); }

// Whether the scan read the Name of an entry it dealt with this way.
bool NameWasRead(ScanSkip skip) {
  return skip != ScanSkip::NameTooLong && skip != ScanSkip::EntryNameNotRepresentable &&
         skip != ScanSkip::EntryNotOpened && skip != ScanSkip::NoName &&
         skip != ScanSkip::NameUnreadable;
}

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

std::string CodePageText(const std::u16string& stored) {
  DynString narrow;
  narrow.AssignWide(stored.c_str());
  return Utf8OfCodePage(narrow.CStr());
}

std::string ReportTerminalText(const std::vector<ScanEntry>& entries, const ReportNotes& notes) {
  TerminalSink sink{notes, ""};
  WriteReport(sink, entries);
  return sink.text;
}

std::string PatchMessage(const std::string& file, const std::string& patch) {
  const std::string where =
      patch == "-" ? "the patch written to standard output" : "the patch " + EscapeControls(patch);
  const std::string export_file =
      file == "-" ? "the export read from standard input" : EscapeControls(file);
  return "The repair is in " + where + "; " + export_file +
         " is unchanged. It holds once the patch is imported into the PocketPC's registry and "
         "the PocketPC is soft-reset.";
}

std::string EntryLine(const ScanEntry& entry) {
  std::string line = "entry \"" + Shown(entry.subkey) + "\"";
  if (NameWasRead(entry.skip)) line += ", Name \"" + Shown(entry.name) + "\"";
  if (!entry.Examined()) return line + ": skipped, " + ScanSkipText(entry.skip);
  line += ": examined, Dll \"" + Shown(entry.dll) + "\"";
  if (entry.faulty) line += entry.repaired ? ", faulty, repaired" : ", faulty";
  return line;
}
