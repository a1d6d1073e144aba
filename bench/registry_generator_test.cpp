#include "bench/registry_generator.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/registry.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/serial_scan.h"

namespace {

// What a generation fed to its sink, recorded for inspection.
struct RecordingSink : RegistrySink {
  struct Value {
    std::string name;
    std::string text;  // string values only
  };
  void Key(const std::string& root, const std::string& path) override {
    keys.push_back(root + (path.empty() ? "" : "\\" + path));
    values[keys.back()];
  }
  void String(const std::string& name, const std::string& text) override { Add(name, text); }
  void Dword(const std::string& name, uint32_t) override { Add(name, ""); }
  void Text(const std::string& name, uint32_t, const std::string&) override { Add(name, ""); }
  void Binary(const std::string& name, const std::vector<uint8_t>&) override { Add(name, ""); }
  void Add(const std::string& name, const std::string& text) {
    values[keys.back()].push_back({name, text});
  }

  std::vector<std::string> keys;  // in the order announced, roots included
  std::map<std::string, std::vector<Value>> values;
};

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends in CRLF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

const std::string* ValueOf(const RecordingSink& sink, const std::string& key,
                           const std::string& name) {
  for (const auto& v : sink.values.at(key)) {
    if (v.name == name) return &v.text;
  }
  return nullptr;
}

TEST(RegistryGenerator, TypicalShapeHoldsItsCounts) {
  RecordingSink sink;
  RegistryCounts counts = GenerateRegistry(TypicalShape(ExportDialect::Regedit4), sink);
  EXPECT_EQ(counts.keys, 20000);
  EXPECT_EQ(counts.values, 120000);
  EXPECT_EQ(counts.drivers, 40);
  EXPECT_EQ(counts.com_drivers, 8);
  EXPECT_EQ(counts.faulty, 1);
  // Three roots are announced besides the keys; values are what was counted.
  EXPECT_EQ(sink.keys.size(), 20003u);
  size_t values = 0;
  for (const auto& [key, list] : sink.values) values += list.size();
  EXPECT_EQ(values, 120000u);
}

TEST(RegistryGenerator, KeysComeAfterTheirParentsAndOnlyOnce) {
  RecordingSink sink;
  GenerateRegistry(TypicalShape(ExportDialect::Regedit4), sink);
  std::set<std::string> seen;
  for (const std::string& key : sink.keys) {
    size_t slash = key.rfind('\\');
    if (slash != std::string::npos) {
      EXPECT_EQ(seen.count(key.substr(0, slash)), 1u) << key;
    }
    EXPECT_TRUE(seen.insert(key).second) << key;
  }
}

TEST(RegistryGenerator, ValueNamesAreDistinctWithinAKey) {
  RecordingSink sink;
  GenerateRegistry(TypicalShape(ExportDialect::Regedit4), sink);
  for (const auto& [key, list] : sink.values) {
    std::set<std::string> names;
    for (const auto& v : list) EXPECT_TRUE(names.insert(v.name).second) << key << " " << v.name;
  }
}

TEST(RegistryGenerator, ActiveDriversPointAtTheirDriverKeys) {
  RegistryShape shape = TypicalShape(ExportDialect::Regedit4);
  shape.drivers = 1000;
  shape.faulty = 7;
  RecordingSink sink;
  RegistryCounts counts = GenerateRegistry(shape, sink);
  EXPECT_EQ(counts.drivers, 1000);
  EXPECT_EQ(counts.faulty, 7);
  int examined = 0;
  int faulty = 0;
  for (int i = 1; i <= 1000; ++i) {
    char entry[64];
    std::snprintf(entry, sizeof entry, "HKEY_LOCAL_MACHINE\\Drivers\\Active\\%02d", i);
    ASSERT_EQ(sink.values.count(entry), 1u) << entry;
    const std::string* key = ValueOf(sink, entry, "Key");
    ASSERT_NE(key, nullptr);
    const std::string driver = "HKEY_LOCAL_MACHINE\\" + *key;
    ASSERT_EQ(sink.values.count(driver), 1u) << driver;
    const std::string* name = ValueOf(sink, entry, "Name");
    const std::string* dll = ValueOf(sink, driver, "Dll");
    ASSERT_NE(dll, nullptr);
    bool quorva = *dll == "QVBTDEV.DLL" || *dll == "---BTCEIF.DLL" || *dll == "---btceif.dll";
    bool is_examined = name != nullptr && name->compare(0, 3, "COM") == 0 &&
                       ValueOf(sink, entry, "PnpId") == nullptr;
    examined += is_examined ? 1 : 0;
    faulty += quorva ? 1 : 0;
    EXPECT_TRUE(!quorva || is_examined) << "faulty names sit on examined COM drivers: " << entry;
  }
  EXPECT_EQ(examined, counts.com_drivers);
  EXPECT_EQ(faulty, 7);
}

TEST(RegistryGenerator, SameShapeSameBytesOtherSeedOtherBytes) {
  RegistryShape shape = ScaledShape(ExportDialect::Regedit4, 1, 50);
  EXPECT_EQ(GenerateRegFile(shape), GenerateRegFile(shape));
  RegistryShape other = shape;
  other.seed = 2;
  EXPECT_NE(GenerateRegFile(shape), GenerateRegFile(other));
}

TEST(RegFileOfGenerator, Regedit4LinesSectionsAndWrapping) {
  RegistryShape shape = TypicalShape(ExportDialect::Regedit4);
  RegistryCounts counts;
  std::string file = GenerateRegFile(shape, &counts);
  // About 5 MB, as the typical handheld export.
  EXPECT_GT(file.size(), 4800000u);
  EXPECT_LT(file.size(), 5800000u);
  std::vector<std::string> lines = LinesOf(file);
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines[0], "REGEDIT4");
  EXPECT_EQ(lines[1], "");
  int sections = 0;
  int value_lines = 0;
  int continuations = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] == '[') {
      ++sections;
      EXPECT_EQ(line.back(), ']');
      EXPECT_EQ(lines[i - 1], "") << "a blank line before each section";
    } else if (!line.empty() && (line[0] == '"' || line[0] == '@')) {
      ++value_lines;
    } else if (line.compare(0, 2, "  ") == 0) {
      ++continuations;
      EXPECT_EQ(lines[i - 1].substr(lines[i - 1].size() - 2), ",\\") << "line " << i;
    } else {
      EXPECT_EQ(line, "") << "line " << i;
    }
    if (!line.empty() && line.back() == '\\') {
      EXPECT_LE(line.size(), 80u) << "hex wraps at about 77 columns";
    }
  }
  EXPECT_EQ(sections, counts.keys + 3);
  EXPECT_EQ(value_lines, counts.values);
  EXPECT_GT(continuations, 1000);
}

TEST(RegFileOfGenerator, EscapesBackslashesAndQuotes) {
  std::string file = GenerateRegFile(TypicalShape(ExportDialect::Regedit4));
  EXPECT_NE(file.find("\"Key\"=\"Drivers\\\\BuiltIn\\\\Serial\"\r\n"), std::string::npos);
  EXPECT_NE(file.find("=\"\\\""), std::string::npos) << "a string that starts with a quote";
  EXPECT_NE(file.find("\"Dll\"=\"---BTCEIF.DLL\"\r\n"), std::string::npos);
}

TEST(RegFileOfGenerator, UnicodeIsTheSameTextInUtf16WithItsOwnHeader) {
  RegistryShape shape = ScaledShape(ExportDialect::Regedit4, 1, 40);
  std::string narrow = GenerateRegFile(shape);
  shape.dialect = ExportDialect::Unicode5;
  std::string wide = GenerateRegFile(shape);
  ASSERT_EQ(wide.substr(0, 2), "\xFF\xFE");
  std::string units;  // the UTF-16 text back in Windows-1252
  for (size_t i = 2; i + 1 < wide.size(); i += 2) {
    units += WideToCodePage(static_cast<char16_t>(static_cast<uint8_t>(wide[i]) |
                                                  static_cast<uint8_t>(wide[i + 1]) << 8));
  }
  const std::string header5 = "Windows Registry Editor Version 5.00\r\n";
  ASSERT_EQ(units.compare(0, header5.size(), header5), 0);
  // Apart from the header and the hex of types 2 and 7 (UTF-16 data), the
  // lines are those of the REGEDIT4 export.
  std::vector<std::string> a = LinesOf(narrow.substr(std::string("REGEDIT4\r\n").size()));
  std::vector<std::string> b = LinesOf(units.substr(header5.size()));
  size_t i = 0;
  size_t j = 0;
  int compared = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].find("=hex(2):") != std::string::npos || a[i].find("=hex(7):") != std::string::npos) {
      // Skip the value and its continuation lines in both.
      for (++i; i < a.size() && a[i].compare(0, 2, "  ") == 0; ++i) {
      }
      for (++j; j < b.size() && b[j].compare(0, 2, "  ") == 0; ++j) {
      }
      continue;
    }
    ASSERT_EQ(a[i], b[j]) << "line " << i;
    ++i;
    ++j;
    ++compared;
  }
  EXPECT_GT(compared, 20000);
}

TEST(RegFileOfGenerator, ShapeFileNameNamesTheShape) {
  EXPECT_EQ(ShapeFileName(TypicalShape(ExportDialect::Regedit4)),
            "reg4-k20000-v120000-d40-f1-s1.reg");
  EXPECT_EQ(ShapeFileName(ScaledShape(ExportDialect::Unicode5, 10, 5000)),
            "reg5-k40000-v240000-d5000-f1-s1.reg");
}

// Keys below node and values in them and in node.
void CountTree(RegKeyNode* node, int* keys, int* values) {
  *values += static_cast<int>(node->ValueCount());
  for (size_t i = 0; RegKeyNode* child = node->Subkey(i); ++i) {
    ++*keys;
    CountTree(child, keys, values);
  }
}

// The store reads both dialects back with every key and value, and the scan
// finds exactly the drivers made faulty.
TEST(RegFileOfGenerator, LoadsIntoTheFileStoreAndScans) {
  for (ExportDialect dialect : {ExportDialect::Regedit4, ExportDialect::Unicode5}) {
    RegistryShape shape = ScaledShape(dialect, 1, 300);
    shape.faulty = 3;
    RegistryCounts counts;
    std::string bytes = GenerateRegFile(shape, &counts);
    TempDir dir;
    WriteText(dir.File("export.reg"), bytes);
    std::string error;
    std::unique_ptr<RegFileStore> store = RegFileStore::Load(dir.File("export.reg"), &error);
    ASSERT_NE(store, nullptr) << error;
    int keys = 0;
    int values = 0;
    for (RegKey root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                        HKEY_CURRENT_CONFIG}) {
      CountTree(store->Tree().Root(root), &keys, &values);
    }
    EXPECT_EQ(keys, counts.keys);
    EXPECT_EQ(values, counts.values);

    InstallRegistryStore(store.get());
    DynString report;
    DynString message;
    ScanSerialDrivers(report, message, false);
    InstallRegistryStore(nullptr);
    std::string text = report.CStr();
    int blocks = 0;
    int marks = 0;
    for (size_t at = text.find("\r\nDll: "); at != std::string::npos;
         at = text.find("\r\nDll: ", at + 1))
      ++blocks;
    for (size_t at = text.find(SCAN_BUG_MARK); at != std::string::npos;
         at = text.find(SCAN_BUG_MARK, at + 1))
      ++marks;
    EXPECT_EQ(blocks, counts.com_drivers);
    EXPECT_EQ(marks, 3);
    EXPECT_STREQ(message.CStr(), "");
  }
}

}  // namespace
