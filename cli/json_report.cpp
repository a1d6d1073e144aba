#include "cli/json_report.h"

#include <nlohmann/json.hpp>
#include <string>

#include "cli/report_text.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"
#include "platform/registry/reg_text_codec.h"

namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::u16string& text) { return MessageText(text); }

const char* DialectText(RegDialect dialect) {
  return dialect == RegDialect::Regedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00";
}

const char* EncodingText(RegEncoding encoding) {
  switch (encoding) {
    case RegEncoding::CodePage1252:
      return "Windows-1252";
    case RegEncoding::Utf8:
      return "UTF-8";
    case RegEncoding::Utf16Le:
      return "UTF-16LE";
  }
  return "";
}

Json EntryObject(const ScanEntry& entry) {
  if (entry.Examined()) {
    return Json::object({{"entry", Text(entry.subkey)},
                         {"name", Text(entry.name)},
                         {"name_read", CodePageText(entry.name)},
                         {"key", Text(entry.key)},
                         {"dll", Text(entry.dll)},
                         {"faulty", entry.faulty},
                         {"repaired", entry.repaired}});
  }
  return Json::object({{"entry", Text(entry.subkey)},
                       {"name", Text(entry.name)},
                       {"name_read", CodePageText(entry.name)},
                       {"key", Text(entry.key)},
                       {"reason", ScanSkipText(entry.skip)}});
}

// The value as JSON text with DEL and the C1 controls, which JSON allows raw
// inside strings, as \u escapes. Outside strings the text holds only ASCII
// punctuation, spaces and line ends, so it stays the same JSON.
std::string Dump(const Json& value, int indent = -1) {
  static const char HEX[] = "0123456789abcdef";
  std::string dumped = value.dump(indent, ' ', false, Json::error_handler_t::replace);
  std::string out;
  out.reserve(dumped.size());
  for (size_t i = 0; i < dumped.size();) {
    size_t length;
    int code = ControlCodeAt(dumped, i, &length);
    if (code == 0x7f || code >= 0x80) {
      out += {'\\', 'u', '0', '0', HEX[code >> 4], HEX[code & 15]};
    } else {
      out.append(dumped, i, length);
    }
    i += length;
  }
  return out;
}

// `"name": [` and one entry of outcome per line, the examined ones or the others.
std::string EntryArray(const char* name, const FileOutcome& outcome, bool examined) {
  std::string text = std::string("    \"") + name + "\": [";
  bool first = true;
  for (const ScanEntry& entry : outcome.entries) {
    if (entry.Examined() != examined) continue;
    text += first ? "\n      " : ",\n      ";
    text += Dump(EntryObject(entry));
    first = false;
  }
  return text + (first ? "]" : "\n    ]");
}

}  // namespace

void JsonReportWriter::Put(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  KeepWriteError(out_);
}

void JsonReportWriter::Add(const FileOutcome& outcome) {
  Put(opened_ ? ",\n  {\n" : "[\n  {\n");
  opened_ = true;
  Json null;
  Put("    \"path\": " + Dump(outcome.path) + ",\n");
  const bool form = outcome.scanned && outcome.has_form;
  Put("    \"dialect\": " + Dump(form ? Json(DialectText(outcome.form.dialect)) : null) + ",\n");
  Put("    \"encoding\": " + Dump(form ? Json(EncodingText(outcome.form.encoding)) : null) + ",\n");
  Put("    \"status\": " + Dump(VerdictText(outcome.Verdict())) + ",\n");
  Put("    \"exit_status\": " + Dump(outcome.status) + ",\n");
  Put("    \"unexamined\": " + Dump(outcome.unexamined) + ",\n");
  Put(EntryArray("drivers", outcome, true) + ",\n");
  Put(EntryArray("skipped", outcome, false) + ",\n");
  Put("    \"message\": " + Dump(outcome.message) + ",\n");
  if (!outcome.undo_file.empty()) Put("    \"undo_file\": " + Dump(outcome.undo_file) + ",\n");
  Put("    \"errors\": " + Dump(outcome.errors) + "\n  }");
}

void JsonReportWriter::Finish() { Put(opened_ ? "\n]\n" : "[]\n"); }
