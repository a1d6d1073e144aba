// The manual pages as built and installed: they render without a warning,
// hold the sections a manual page needs in order, carry the project's
// version, name every command and option of the tool, show the tool's real
// output in their example, and are compressed with no name or time stamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/file_outcome.h"
#include "cli/json_report.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/shell_script.h"
#include "cli/testing/usage_words.h"
#include "platform/files/testing/installed_program.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/scan_entry.h"

namespace {

const std::string MAN_DIR = QUORVAFIX_MAN_DIR;
const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

std::vector<std::string> Pages() {
  std::vector<std::string> pages = {"quorvafix-cli.1"};
  if (QUORVAFIX_WITH_QT) pages.push_back("quorvafix.1");
  return pages;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string PageText(const std::string& page) {
  std::ifstream in(MAN_DIR + "/" + page, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The part of the page from `.SH name` to the next section.
std::string Section(const std::string& text, const std::string& name) {
  const size_t at = text.find(".SH " + name + "\n");
  if (at == std::string::npos) return "";
  return text.substr(at, text.find("\n.SH ", at + 1) - at);
}

// Roff text as it reads: "\-" is "-".
std::string Plain(std::string text) {
  for (size_t at = 0; (at = text.find("\\-", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

TEST(ManPage, RendersWithoutWarnings) {
  ASSERT_TRUE(IsInstalled("groff", "groff-base"));
  ASSERT_TRUE(IsInstalled("man", "man-db"));
  for (const std::string& page : Pages()) {
    SCOPED_TRACE(page);
    ScriptResult groff = RunShellScript(MAN_DIR, "groff -ww -z -man " + ShellQuoted(page));
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
    // The check Debian's package checker makes, on the compressed page.
    ScriptResult man = RunShellScript(
        MAN_DIR, "LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z " +
                     ShellQuoted(page + ".gz") + " >/dev/null");
    EXPECT_EQ(man.status, 0);
    EXPECT_EQ(man.err, "");
  }
}

TEST(ManPage, HoldsTheSectionsInOrderAndTheVersion) {
  const std::vector<std::string> SECTIONS = {".SH NAME",     ".SH SYNOPSIS",    ".SH DESCRIPTION",
                                             ".SH OPTIONS",  ".SH EXIT STATUS", ".SH FILES",
                                             ".SH EXAMPLES", ".SH SEE ALSO"};
  for (const std::string& page : Pages()) {
    SCOPED_TRACE(page);
    std::string text = PageText(page);
    size_t last = 0;
    for (const std::string& section : SECTIONS) {
      size_t at = text.find("\n" + section + "\n");
      ASSERT_NE(at, std::string::npos) << section;
      EXPECT_GT(at, last) << section << " out of order";
      last = at;
    }
    std::vector<std::string> lines = Lines(text);
    auto title = std::find_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.rfind(".TH ", 0) == 0; });
    ASSERT_NE(title, lines.end());
    EXPECT_NE(title->find("\"QUORVAFIX " QUORVAFIX_VERSION "\""), std::string::npos) << *title;
    EXPECT_EQ(text.find('@'), std::string::npos) << "a value left unfilled";
  }
}

// The commands and options come from the tables the option parser reads: one
// added to the tool and left out of the page fails here.
TEST(ManPage, NamesEveryCommandAndOptionOfTheTool) {
  std::string text = Plain(PageText("quorvafix-cli.1"));
  std::string options = text.substr(text.find(".SH OPTIONS"));
  options = options.substr(0, options.find(".SH EXIT STATUS"));
  for (const std::string& word : CliUsageWords()) {
    SCOPED_TRACE(word);
    if (word.rfind("-", 0) == 0) {
      EXPECT_NE(options.find(word), std::string::npos) << "not under OPTIONS";
    } else {
      EXPECT_NE(text.find(".B " + word + "\n"), std::string::npos) << "not described";
    }
    for (const std::string& choice : CliOptionChoices(word)) {
      EXPECT_NE(options.find(word + "=" + choice), std::string::npos) << choice;
    }
  }
}

// The exit statuses, weightiest first, as WeightierStatus ranks them.
std::vector<int> StatusesByWeight() {
  std::vector<int> statuses = {EXIT_NO_FAULT_LEFT, EXIT_FAULT_LEFT, EXIT_TROUBLE, EXIT_INCOMPLETE};
  std::sort(statuses.begin(), statuses.end(),
            [](int a, int b) { return a != b && WeightierStatus(a, b) == a; });
  return statuses;
}

// Each status the tool returns is described, and the order of several files'
// statuses is the one the tool applies, in the page and in --help alike.
TEST(ManPage, DescribesEveryExitStatusAndTheirOrder) {
  std::string text = Plain(PageText("quorvafix-cli.1"));
  std::string section = Section(text, "EXIT STATUS");
  for (int status : {EXIT_NO_FAULT_LEFT, EXIT_FAULT_LEFT, EXIT_TROUBLE, EXIT_INCOMPLETE}) {
    EXPECT_NE(section.find(".B " + std::to_string(status) + "\n"), std::string::npos) << status;
  }
  EXPECT_EQ(section.find(".B 4\n"), std::string::npos) << "a status the tool never returns";
  std::string page_order = "first of ";
  std::string usage_order;
  for (int status : StatusesByWeight()) {
    page_order += std::to_string(status) + ", ";
    usage_order += (usage_order.empty() ? "" : " over ") + std::to_string(status);
  }
  page_order.resize(page_order.size() - 2);
  EXPECT_NE(section.find(page_order), std::string::npos) << page_order;
  EXPECT_NE(std::string(CLI_USAGE).find(usage_order), std::string::npos) << usage_order;
}

TEST(ManPage, DetectExampleShowsTheToolsOutputForTheQuorvaSample) {
  std::vector<std::string> lines = Lines(Plain(PageText("quorvafix-cli.1")));
  auto command = std::find(lines.begin(), lines.end(), "$ quorvafix-cli detect handheld.reg");
  ASSERT_NE(command, lines.end());
  std::string shown;
  for (auto line = command + 1; line != lines.end() && *line != ".EE"; ++line)
    shown += *line + "\n";
  ScriptResult real = RunShellScript(
      MAN_DIR, ShellQuoted(CLI) + " detect " + ShellQuoted(EXAMPLES + "/quorva-driver.reg"));
  EXPECT_EQ(real.status, 1);
  EXPECT_EQ(shown, real.out);
}

TEST(ManPage, IsCompressedWithoutNameOrTimeStamp) {
  for (const std::string& page : Pages()) {
    SCOPED_TRACE(page);
    std::vector<uint8_t> gz = ReadBytes(MAN_DIR + "/" + page + ".gz");
    ASSERT_GE(gz.size(), 10u);
    EXPECT_EQ(gz[0], 0x1f);
    EXPECT_EQ(gz[1], 0x8b);
    EXPECT_EQ(gz[3] & 0x08, 0) << "a file name is stored";
    EXPECT_EQ(gz[4] | gz[5] | gz[6] | gz[7], 0) << "a time stamp is stored";
    EXPECT_EQ(gz[8], 2) << "not compressed at the best level";
    ScriptResult unpacked = RunShellScript(MAN_DIR, "gzip -dc " + ShellQuoted(page + ".gz"));
    EXPECT_EQ(unpacked.out, PageText(page));
  }
}

// Every reason the scan gives for skipping an entry (its own list, in the
// order of ScanSkip) is named, quoted, in the tool's page.
TEST(ManPage, NamesEveryReasonTheScanSkipsAnEntryFor) {
  std::string text = PageText("quorvafix-cli.1");
  int reasons = 0;
  for (int skip = static_cast<int>(ScanSkip::None) + 1;; ++skip) {
    std::string reason = ScanSkipText(static_cast<ScanSkip>(skip));
    if (reason.empty()) break;
    ++reasons;
    EXPECT_NE(text.find("\\(dq" + reason + "\\(dq"), std::string::npos) << reason;
  }
  EXPECT_EQ(reasons, static_cast<int>(ScanSkip::DllUnreadable));
}

// The fields, statuses and escapes of the JSON document the tool writes (for
// one file with an examined and a skipped entry, its path holding every kind
// of character JSON escapes) are the ones JSON OUTPUT describes: the fields in
// order, every status wherever one is listed, each escape as the tool writes it.
TEST(ManPage, DescribesTheJsonDocumentTheToolWrites) {
  const std::string text = PageText("quorvafix-cli.1");
  const std::string section = Section(text, "JSON OUTPUT");
  FileOutcome outcome;
  outcome.path = "\"\\\b\f\n\r\t\x01\x7f\xc2\x85";
  outcome.scanned = true;
  outcome.entries.resize(2);
  outcome.entries[1].skip = ScanSkip::NotComPort;
  Capture out;
  JsonReportWriter(out.get()).Add(outcome);
  const std::string document = out.Text() + "\n]";
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(document);
  size_t last = 0;
  for (const auto& field : json[0].items()) {
    last = std::min(section.find("\n.B " + field.key() + "\n", last),
                    section.find("\n.BR " + field.key() + " ", last));
    EXPECT_NE(last, std::string::npos) << field.key() << " missing or out of order";
  }
  for (const char* list : {"drivers", "skipped"}) {
    for (const auto& field : json[0][list][0].items())
      EXPECT_NE(section.find("\n.BR " + field.key() + " "), std::string::npos) << field.key();
  }
  const std::string healthy = "\\(dqhealthy\\(dq";
  for (size_t at = text.find(healthy); at != std::string::npos; at = text.find(healthy, at + 1)) {
    for (int v = 0; v <= static_cast<int>(FileVerdict::Incomplete); ++v) {
      const std::string status = VerdictText(static_cast<FileVerdict>(v));
      EXPECT_NE(text.substr(at, 160).find("\\(dq" + status + "\\(dq"), std::string::npos) << status;
    }
  }
  const std::string path = document.substr(document.find("\"path\": \"") + 9);
  for (size_t at = path.find('\\'); at < path.find("\","); at = path.find('\\', at + 2)) {
    const char kind = path[at + 1];
    const std::string spelled = kind == 'u'    ? "\\eu00"
                                : kind == '\\' ? "\\e\\e"
                                : kind == '"'  ? "\\e\\(dq"
                                               : std::string("\\e") + kind;
    EXPECT_NE(section.find(spelled), std::string::npos) << path.substr(at, 6);
  }
}

// The summary the page shows has the tool's words, and the page gives the
// notice for one entry not examined and for several.
TEST(ManPage, ShowsTheSummaryAndTheNoticesAsTheToolWritesThem) {
  std::string text = Plain(PageText("quorvafix-cli.1"));
  const auto words = [](std::string line) {
    line.erase(std::remove_if(line.begin(), line.end(), ::isdigit), line.end());
    return line;
  };
  int examples = 0;
  for (const std::string& line : Lines(text)) {
    if (line.find(" files: ") == std::string::npos || !std::isdigit(line[0])) continue;
    ++examples;
    EXPECT_EQ(words(line), words(SummaryLine({FileVerdict::Healthy, FileVerdict::Faulty})));
  }
  EXPECT_GE(examples, 1);
  std::replace(text.begin(), text.end(), '\n', ' ');
  for (int count : {1, 3})
    EXPECT_NE(text.find(UnexaminedNotice(count)), std::string::npos) << count;
}

}  // namespace
