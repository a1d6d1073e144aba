// The one-pass index against the line-by-line reader (the reference in
// testing/reference_index.h): on every test file and fuzz corpus input, on
// every one-character change of a file holding each form of line, and on the
// table of bad files, in narrow text and in UTF-16.
#include "platform/registry/reg_index_pass.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry/reg_unit_search.h"
#include "platform/registry/testing/bad_reg_files.h"
#include "platform/registry/testing/reference_index.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

// The same text as UTF-16LE with a mark, each byte one unit (Latin-1).
std::vector<uint8_t> Widened(const std::vector<uint8_t>& narrow) {
  std::vector<uint8_t> wide = {0xFF, 0xFE};
  for (uint8_t b : narrow) {
    wide.push_back(b);
    wide.push_back(0);
  }
  return wide;
}

std::vector<std::vector<uint8_t>> FilesIn(const std::string& folder) {
  std::vector<std::vector<uint8_t>> files;
  DIR* dir = opendir(folder.c_str());
  EXPECT_NE(dir, nullptr) << folder;
  if (dir == nullptr) return files;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(folder + "/" + entry->d_name, std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  closedir(dir);
  return files;
}

void ExpectAgreement(const std::vector<uint8_t>& bytes) {
  const std::string difference = KeyIndexDifference(ReferenceKeyIndex(bytes), PassKeyIndex(bytes));
  EXPECT_EQ(difference, "") << std::string(bytes.begin(), bytes.end());
}

TEST(IndexRegBytes, AgreesWithTheReaderOnEveryTestFileAndCorpusInput) {
  size_t files = 0;
  for (const char* folder : {QUORVAFIX_REG_TESTDATA, QUORVAFIX_REG_CORPUS}) {
    for (const std::vector<uint8_t>& bytes : FilesIn(folder)) {
      ExpectAgreement(bytes);
      ExpectAgreement(Widened(bytes));
      ++files;
    }
  }
  EXPECT_GE(files, 30u);
}

// Each form of line the grammar has, valid, so that one changed character
// reaches every rule and every refusal.
const std::string EVERY_FORM =
    "REGEDIT4\r\n"
    "; comment\r\n"
    "# comment\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\A]\r\n"
    "\"Dll\"=\"a\\\\b\\\"c\\n\"\r\n"
    // Lines longer than the searches' blocks: quoted text with escapes, runs
    // of hex bytes, a key path of many names.
    "\"Path\"=\"\\\\Program Files\\\\Vendor Name\\\\\\\"Settings\\\" here\\r\"\r\n"
    "\"Run\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0C,0D,0e,ff,10,\\\r\n"
    "  11,12,13,14,15,16,17\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product Name\\Settings\\Sub]\r\n"
    "@=\"\"\r\n"
    "\"d\" = dword:0000ffFF ; note\r\n"
    "\"c\"=dword:0000ffFF\r\n"
    "\"h\"=hex:01,2,ab,\\\r\n"
    "\r\n"
    "; between\r\n"
    "  cd\r\n"
    "\"t\"=hex(2):41,42,00\r\n"
    "\"n\"=hex(7):41,\\\n"
    "  42\n"
    "\"x\"=-\r\n"
    "[-HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\A\\Old]\r\n"
    "[hkey_current_user\\Software\\B\\]\r"
    "\"e\"=hex:\r\n"
    "[HKEY_LOCAL_MACHINE]\r\n"
    "\"w\"=hex(1):41,00,\\\r\n";

TEST(IndexRegBytes, AgreesWithTheReaderOnEveryOneCharacterChange) {
  const std::string changes = "\\\"#;[]@=-,: \t\r\n0aFgx(\x80\xC3";
  size_t files = 0;
  for (size_t at = 0; at <= EVERY_FORM.size(); ++at) {
    std::vector<std::string> texts = {EVERY_FORM.substr(0, at)};
    if (at < EVERY_FORM.size()) {
      texts.push_back(EVERY_FORM.substr(0, at) + EVERY_FORM.substr(at + 1));
    }
    for (char c : changes) {
      texts.push_back(EVERY_FORM.substr(0, at) + c + EVERY_FORM.substr(at));
      if (at < EVERY_FORM.size()) {
        texts.push_back(EVERY_FORM.substr(0, at) + c + EVERY_FORM.substr(at + 1));
      }
    }
    for (const std::string& text : texts) {
      const std::vector<uint8_t> bytes(text.begin(), text.end());
      ExpectAgreement(bytes);
      ExpectAgreement(Widened(bytes));
      // The same lines as a version 5.00 file in UTF-8.
      const std::string v5 =
          "Windows Registry Editor Version 5.00" + text.substr(std::min<size_t>(8, text.size()));
      ExpectAgreement(std::vector<uint8_t>(v5.begin(), v5.end()));
      files += 3;
    }
  }
  EXPECT_GT(files, 20000u);
}

TEST(IndexRegBytes, RefusesTheBadFilesWithTheirLineAndReasonInBothUnits) {
  for (const BadRegText& c : BAD_REGEDIT4_BODIES) {
    const std::string text = std::string("REGEDIT4\n") + c.text;
    const std::vector<uint8_t> narrow(text.begin(), text.end());
    for (const std::vector<uint8_t>& bytes : {narrow, Widened(narrow)}) {
      const KeyIndexReading pass = PassKeyIndex(bytes);
      EXPECT_FALSE(pass.ok) << c.text;
      EXPECT_EQ(pass.error.line, c.line) << c.text;
      EXPECT_EQ(pass.error.reason, c.reason) << c.text;
    }
  }
}

// The sixteen-byte search finds the first stop wherever it stands: in the
// first or second half of a block, in a later block, in the tail after the
// last whole block, or nowhere.
TEST(FindFirstOf, FindsTheFirstStopAtEveryPositionOfBlockAndTail) {
  for (size_t count : {0, 1, 7, 8, 15, 16, 17, 31, 32, 33, 47}) {
    for (size_t stop = 0; stop <= count; ++stop) {
      for (size_t from = 0; from <= stop; from += 3) {
        std::string narrow(count, 'a');
        if (stop < count) narrow[stop] = '\n';
        if (stop + 1 < count) narrow[stop + 1] = '"';  // a later stop never wins
        const std::vector<uint8_t> bytes(narrow.begin(), narrow.end());
        EXPECT_EQ((reg_unit_search::FindFirstOf<1, u'"', u'\n'>(bytes.data(), from, count)), stop)
            << count << " " << stop << " " << from;
        // The same in UTF-16, where a unit's high byte matching a stop is no stop.
        std::vector<uint8_t> wide;
        for (char c : narrow) {
          wide.push_back(static_cast<uint8_t>(c));
          wide.push_back(c == 'a' ? '\n' : 0);
        }
        EXPECT_EQ((reg_unit_search::FindFirstOf<2, u'"', u'\n'>(wide.data(), from, count)), stop)
            << count << " " << stop << " " << from;
      }
    }
  }
}

}  // namespace
