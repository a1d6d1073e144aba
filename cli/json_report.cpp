#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "cli/terminal_text.h"
#include "platform/reg_text_codec.h"

namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::u16string& text) { return MessageText(text); }

const char* DialectText(RegDialect dialect) {
  return dialect == RegDialect::Regedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00";
}

const char* EncodingText(RegEncoding encoding) {
  switch (encoding) {
    case RegEncoding::CodePage1252: return "Windows-1252";
    case RegEncoding::Utf8: return "UTF-8";
    case RegEncoding::Utf16Le: return "UTF-16LE";
  }
  return "";
}

Json FileObject(const FileOutcome& outcome) {
  Json drivers = Json::array();
  Json skipped = Json::array();
  for (const ScanEntry& entry : outcome.entries) {
    if (entry.Examined()) {
      drivers.push_back(Json::object({{"entry", Text(entry.subkey)},
                                      {"name", Text(entry.name)},
                                      {"key", Text(entry.key)},
                                      {"dll", Text(entry.dll)},
                                      {"faulty", entry.faulty},
                                      {"repaired", entry.repaired}}));
    } else {
      skipped.push_back(Json::object({{"entry", Text(entry.subkey)},
                                      {"name", Text(entry.name)},
                                      {"key", Text(entry.key)},
                                      {"reason", ScanSkipText(entry.skip)}}));
    }
  }
  Json object;
  object["path"] = outcome.path;
  object["dialect"] = outcome.scanned ? Json(DialectText(outcome.form.dialect)) : Json(nullptr);
  object["encoding"] = outcome.scanned ? Json(EncodingText(outcome.form.encoding)) : Json(nullptr);
  object["status"] = VerdictText(outcome.Verdict());
  object["exit_status"] = outcome.status;
  object["drivers"] = drivers;
  object["skipped"] = skipped;
  object["message"] = outcome.message;
  object["errors"] = outcome.errors;
  return object;
}

// The dumped document with DEL and the C1 controls, which JSON allows raw
// inside strings, as \u escapes. Outside strings the document holds only
// ASCII punctuation, spaces and line ends, so it stays the same JSON.
std::string EscapeRawControls(const std::string& dumped) {
  static const char HEX[] = "0123456789abcdef";
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

}  // namespace

std::string JsonReport(const std::vector<FileOutcome>& outcomes) {
  Json document = Json::array();
  for (const FileOutcome& outcome : outcomes) document.push_back(FileObject(outcome));
  return EscapeRawControls(document.dump(2, ' ', false, Json::error_handler_t::replace)) + "\n";
}
