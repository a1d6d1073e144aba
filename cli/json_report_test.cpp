// The JSON form and the batch summary, on the bundled examples and on files
// holding hostile text.
#include "cli/json_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/testing/cli_job_runner.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/report_layout.h"

namespace {

using nlohmann::json;

const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

// The document the writer makes of outcomes.
std::string JsonReport(const std::vector<FileOutcome>& outcomes) {
  Capture out;
  JsonReportWriter writer(out.get());
  for (const FileOutcome& outcome : outcomes) writer.Add(outcome);
  writer.Finish();
  return out.Text();
}

CliOptions Options(CliCommand command, CliFormat format = CliFormat::Json) {
  CliOptions options;
  options.command = command;
  options.format = format;
  return options;
}

// The outcome of command on file; the JSON form prints nothing to stdout.
FileOutcome OutcomeOf(CliCommand command, const std::string& file) {
  FileOutcome outcome;
  JobResult r = RunJob(Options(command), file, &outcome);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, outcome.status);
  return outcome;
}

// Checks the document is valid JSON a terminal shows safely: no raw control
// character but the line ends of its own layout.
json ParseSafe(const std::string& document) {
  EXPECT_TRUE(json::accept(document)) << document;
  for (size_t i = 0; i < document.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(document[i]);
    EXPECT_TRUE(byte >= 0x20 || byte == '\n') << "byte " << int(byte) << " at " << i;
    EXPECT_NE(byte, 0x7f) << "at " << i;
    if (byte == 0xC2 && i + 1 < document.size()) {
      EXPECT_NE(static_cast<unsigned char>(document[i + 1]) & 0xE0, 0x80)
          << "a C1 control at " << i;
    }
  }
  return json::parse(document, nullptr, false);
}

TEST(JsonReport, BundledExamplesParseBackFieldByField) {
  struct Case {
    const char* sample;
    const char* dialect;
    const char* encoding;
    const char* status;
    const char* faulty_dll;
  };
  const Case cases[] = {
      {"healthy.reg", "REGEDIT4", "Windows-1252", "healthy", ""},
      {"quorva-driver.reg", "Windows Registry Editor Version 5.00", "UTF-16LE", "faulty",
       "QVBTDEV.DLL"},
      {"disabled-lowercase.reg", "REGEDIT4", "Windows-1252", "faulty", "---BTCEIF.DLL"},
  };
  std::vector<FileOutcome> outcomes;
  for (const Case& c : cases)
    outcomes.push_back(OutcomeOf(CliCommand::Detect, EXAMPLES + "/" + c.sample));
  json document = ParseSafe(JsonReport(outcomes));
  ASSERT_TRUE(document.is_array());
  ASSERT_EQ(document.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.sample);
    const json& file = document[i];
    const FileOutcome& outcome = outcomes[i];
    EXPECT_EQ(file["path"], EXAMPLES + "/" + c.sample);
    EXPECT_EQ(file["dialect"], c.dialect);
    EXPECT_EQ(file["encoding"], c.encoding);
    EXPECT_EQ(file["status"], c.status);
    EXPECT_EQ(file["exit_status"], outcome.status);
    EXPECT_EQ(file["message"], outcome.message);
    EXPECT_EQ(file["errors"], json::array());
    size_t driver = 0;
    size_t skipped = 0;
    std::string faulty_dll;
    for (const ScanEntry& entry : outcome.entries) {
      if (entry.Examined()) {
        const json& d = file["drivers"].at(driver++);
        EXPECT_EQ(d["entry"], MessageText(entry.subkey));
        EXPECT_EQ(d["name"], MessageText(entry.name));
        EXPECT_EQ(d["key"], MessageText(entry.key));
        EXPECT_EQ(d["dll"], MessageText(entry.dll));
        EXPECT_EQ(d["faulty"], entry.faulty);
        EXPECT_EQ(d["repaired"], false);
        if (entry.faulty) faulty_dll = d["dll"];
      } else {
        const json& s = file["skipped"].at(skipped++);
        EXPECT_EQ(s["entry"], MessageText(entry.subkey));
        EXPECT_EQ(s["name"], MessageText(entry.name));
        EXPECT_EQ(s["reason"], ScanSkipText(entry.skip));
      }
    }
    EXPECT_EQ(file["drivers"].size(), 4u);
    EXPECT_EQ(driver, 4u);
    EXPECT_EQ(skipped, file["skipped"].size());
    EXPECT_EQ(file["skipped"][2]["reason"], "has a PnpId");
    EXPECT_EQ(faulty_dll, c.faulty_dll);
  }
}

TEST(JsonReport, FixAndRefusedFilesCarryTheirStatusAndErrors) {
  TempDir dir;
  std::string file = dir.File("copy.reg");
  WriteBytes(file, ReadBytes(EXAMPLES + "/disabled-lowercase.reg"));
  std::string missing = dir.File("missing.reg");
  json document = ParseSafe(
      JsonReport({OutcomeOf(CliCommand::Fix, file), OutcomeOf(CliCommand::Fix, missing)}));
  const json& fixed = document[0];
  EXPECT_EQ(fixed["status"], "repaired");
  EXPECT_EQ(fixed["exit_status"], 0);
  EXPECT_EQ(fixed["drivers"][3]["repaired"], true);
  EXPECT_EQ(fixed["message"], std::string(SCAN_REPAIRED_MESSAGE));
  const json& refused = document[1];
  EXPECT_EQ(refused["status"], "refused");
  EXPECT_EQ(refused["exit_status"], 2);
  EXPECT_TRUE(refused["dialect"].is_null());
  EXPECT_EQ(refused["drivers"], json::array());
  EXPECT_EQ(refused["errors"], json::array({missing + ": cannot read: No such file or directory"}));
  EXPECT_EQ(refused["skipped"], json::array());
  EXPECT_EQ(JsonReport({}), "[]\n");
}

TEST(JsonReport, HostileTextStaysValidJson) {
  TempDir dir;
  // REGEDIT4 is Windows-1252: its bytes 0x81 and 0x9D are C1 controls, and
  // 0xE9 0xFF are not UTF-8 as they stand.
  // Windows file names hold no control characters and are UTF-16: there
  // only the stored texts are hostile.
#ifdef _WIN32
  std::string narrow = dir.File("bad]0;x.reg");
  const std::string path_in_json = narrow;
#else
  std::string narrow = dir.File("bad\x1b]0;x\x07\xFF.reg");
  const std::string path_in_json = dir.File("bad\x1b]0;x\x07\xEF\xBF\xBD.reg");
#endif
  WriteText(narrow,
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\0\x1b[1\x7f]\r\n"
            "\"Name\"=\"COM5:\\\"\x1b[2J\x07\x81\x9d\xe9\xff\\\\\"\r\n"
            "\"Key\"=\"Drivers\\\\Bt\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Bt]\r\n"
            "\"Dll\"=\"qvbtdev.dll\"\r\n");
  // UTF-16 can hold an unpaired surrogate, which UTF-8 cannot.
  std::string wide = dir.File("wide.reg");
  WriteBytes(wide, Utf16Bytes(u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
                              u"\"Name\"=\"PGR\xD800\x1b\"\r\n",
                              true));
  FileOutcome hostile = OutcomeOf(CliCommand::Detect, narrow);
  ASSERT_TRUE(hostile.scanned) << hostile.errors.at(0);
  json document = ParseSafe(JsonReport({hostile, OutcomeOf(CliCommand::Detect, wide)}));
  ASSERT_TRUE(document.is_array());
  EXPECT_EQ(document[0]["path"], path_in_json);
  const json& driver = document[0]["drivers"][0];
  EXPECT_EQ(driver["entry"], "0\x1b[1\x7f");
  EXPECT_EQ(driver["name"], "COM5:\"\x1b[2J\x07\xC2\x81\xC2\x9D\xC3\xA9\xC3\xBF\\");
  EXPECT_EQ(driver["dll"], "QVBTDEV.DLL");
  EXPECT_EQ(document[0]["status"], "faulty");
  EXPECT_EQ(document[1]["skipped"][0]["name"], "PGR\xEF\xBF\xBD\x1b");
}

// The document's own layout and escapes: U+0080 (a C1 control) as \u0080;
// each Name as stored and as the scan read it in the handheld's code page; a
// PnpId checked before the Key; empty arrays on their one line.
TEST(JsonReport, EscapesNamesBothWaysAndKeepsItsLayout) {
  TempDir dir;
  std::string file = dir.File("wide.reg");
  WriteBytes(file, Utf16Bytes(u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
                              u"\"Name\"=\"COM\u0080:\"\r\n\"Key\"=\"Drivers\\\\A\"\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\02]\r\n"
                              u"\"Name\"=\"COM\u03a9:\"\r\n\"Key\"=\"Drivers\\\\A\"\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\03]\r\n"
                              u"\"Name\"=\"COM3:\"\r\n\"PnpId\"=\"BT\"\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"a.dll\"\r\n",
                              true));
  std::string empty = dir.File("empty.reg");
  WriteText(empty, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n");
  const std::string document =
      JsonReport({OutcomeOf(CliCommand::Detect, file), OutcomeOf(CliCommand::Detect, empty)});
  json parsed = ParseSafe(document);
  EXPECT_NE(document.find("\"name\":\"COM\\u0080:\""), std::string::npos) << document;
  EXPECT_EQ(parsed[0]["drivers"][0]["name"], "COM\xC2\x80:");
  EXPECT_EQ(parsed[0]["drivers"][1]["name"], "COM\xCE\xA9:");
  EXPECT_EQ(parsed[0]["drivers"][1]["name_read"], "COM?:");
  // Windows-1252 has no U+0080 (its byte 80 is the euro sign).
  EXPECT_EQ(parsed[0]["drivers"][0]["name_read"], "COM?:");
  EXPECT_EQ(parsed[0]["skipped"][0]["reason"], "has a PnpId");
  EXPECT_EQ(parsed[0]["skipped"][0]["name_read"], "COM3:");
  // Each entry on a line of its own; an empty array on its line.
  EXPECT_NE(document.find("    \"skipped\": [\n      {\"entry\":\"03\","), std::string::npos)
      << document;
  EXPECT_NE(document.find("    \"drivers\": [],\n    \"skipped\": [],\n"), std::string::npos)
      << document;
}

TEST(SummaryLine, CountsEveryVerdictOfAMixedBatch) {
  TempDir dir;
  std::string repaired = dir.File("repaired.reg");
  WriteBytes(repaired, ReadBytes(EXAMPLES + "/quorva-driver.reg"));
  std::string unpatched = dir.File("unpatched.reg");
  WriteBytes(unpatched, ReadBytes(EXAMPLES + "/quorva-driver.reg"));
  CliOptions bad_patch = Options(CliCommand::Fix);
  bad_patch.patch_path = dir.File("no-such-folder/patch.reg");
  FileOutcome patch_failed;
  RunJob(bad_patch, unpatched, &patch_failed);

  std::vector<FileOutcome> batch = {
      OutcomeOf(CliCommand::Detect, EXAMPLES + "/healthy.reg"),
      OutcomeOf(CliCommand::Detect, EXAMPLES + "/quorva-driver.reg"),
      OutcomeOf(CliCommand::Fix, repaired),
      OutcomeOf(CliCommand::Detect, dir.File("missing.reg")),
      OutcomeOf(CliCommand::Fix, repaired),
      patch_failed,
  };
  const FileVerdict expected[] = {FileVerdict::Healthy, FileVerdict::Faulty,  FileVerdict::Repaired,
                                  FileVerdict::Refused, FileVerdict::Healthy, FileVerdict::Faulty};
  std::vector<FileVerdict> verdicts;
  for (size_t i = 0; i < batch.size(); ++i) {
    verdicts.push_back(batch[i].Verdict());
    EXPECT_EQ(verdicts[i], expected[i]) << i;
  }
  EXPECT_EQ(patch_failed.status, EXIT_TROUBLE);
  EXPECT_EQ(SummaryLine(verdicts),
            "6 files: 2 healthy, 2 faulty, 1 repaired, 1 refused, 0 incomplete");
  EXPECT_EQ(SummaryLine({verdicts[3]}),
            "1 file: 0 healthy, 0 faulty, 0 repaired, 1 refused, 0 incomplete");
  EXPECT_EQ(SummaryLine({}), "0 files: 0 healthy, 0 faulty, 0 repaired, 0 refused, 0 incomplete");
}

}  // namespace
