// The file store's main tests, beside the batch, index, lazy, staging, stale
// and unlocked ones: what stays here shares one fixture of scratch exports.
#include "platform/registry/reg_file_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

using Step = FileSystem::Step;

const std::string TESTDATA = QUORVAFIX_REG_TESTDATA;
const char16_t* const BT_SERIAL = u"Drivers\\BuiltIn\\BtSerial";

// Splits at line ends (kept), for comparing files line by line.
std::vector<std::vector<uint8_t>> Lines(const std::vector<uint8_t>& bytes, size_t unit) {
  std::vector<std::vector<uint8_t>> lines(1);
  for (size_t i = 0; i + unit <= bytes.size(); i += unit) {
    lines.back().insert(lines.back().end(), bytes.begin() + i, bytes.begin() + i + unit);
    bool lf = bytes[i] == '\n' && (unit == 1 || bytes[i + 1] == 0);
    if (lf) lines.emplace_back();
  }
  return lines;
}

class RegFileStoreTest : public ::testing::Test {
 protected:
  // Copies a test file into the scratch folder and loads it.
  std::unique_ptr<RegFileStore> LoadCopy(const std::string& name, FileSystem* fs = nullptr) {
    WriteBytes(file, ReadBytes(TESTDATA + "/" + name));
    RegFileOptions options;
    options.file_system = fs;
    std::string error;
    std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, options);
    EXPECT_NE(store, nullptr) << error;
    return store;
  }

  static RegKey Open(RegFileStore& store, const char16_t* path) {
    RegKey key = 0;
    EXPECT_EQ(store.OpenKey(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << store.LastFailure();
    return key;
  }

  static std::u16string Query(RegFileStore& store, RegKey key, const char16_t* name) {
    uint8_t data[300];
    uint32_t length = sizeof data;
    if (store.QueryValue(key, name, nullptr, data, &length) != ERROR_SUCCESS) return u"<none>";
    std::u16string text;
    for (uint32_t i = 0; i + 1 < length; i += 2)
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return text.substr(0, text.find(u'\0'));
  }

  static RegStatus SetString(RegFileStore& store, RegKey key, const char16_t* name,
                             std::u16string_view text) {
    std::vector<uint8_t> data = Utf16z(text);
    return store.SetValue(key, name, REG_SZ, data.data(), static_cast<uint32_t>(data.size()));
  }

  TempDir dir;
  std::string file = dir.File("dev.reg");
};

// The repair of the golden files: only the changed value's line differs, and
// every other byte, the mark, the encoding and the line ends stay.
TEST_F(RegFileStoreTest, GoldenRepairInEveryDialectAndLineEnd) {
  const char* names[] = {"serial_regedit4_crlf", "serial_regedit4_lf", "serial_v5_utf16_crlf",
                         "serial_v5_utf16_lf", "serial_v5_utf8_lf"};
  for (const char* name : names) {
    std::unique_ptr<RegFileStore> store = LoadCopy(std::string(name) + ".reg");
    ASSERT_NE(store, nullptr);
    RegKey key = Open(*store, BT_SERIAL);
    EXPECT_EQ(Query(*store, key, u"dll"), u"---btceif.dll");
    EXPECT_EQ(Query(*store, key, u"FriendlyName"), u"Bluetooth-Schnittstelle f\u00fcr GPS");
    ASSERT_EQ(SetString(*store, key, u"DLL", u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
    EXPECT_EQ(Query(*store, key, u"Dll"), u"BTCEIF.DLL");
    std::vector<uint8_t> before = ReadBytes(TESTDATA + "/" + name + ".reg");
    std::vector<uint8_t> after = ReadBytes(file);
    EXPECT_EQ(after, ReadBytes(TESTDATA + "/" + name + ".fixed.reg")) << name;
    size_t unit = store->Form().UnitSize();
    std::vector<std::vector<uint8_t>> old_lines = Lines(before, unit),
                                      new_lines = Lines(after, unit);
    ASSERT_EQ(old_lines.size(), new_lines.size());
    int changed = 0;
    for (size_t i = 0; i < old_lines.size(); ++i) changed += old_lines[i] != new_lines[i];
    EXPECT_EQ(changed, 1) << name;
    EXPECT_EQ(store->CloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(store->OpenHandleCount(), 0);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

TEST_F(RegFileStoreTest, LoadReportsUnreadableAndRefusedFiles) {
  std::string error;
  EXPECT_EQ(RegFileStore::Load(file, &error), nullptr);
  EXPECT_EQ(error, file + ": cannot read: No such file or directory");
  WriteText(file, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:123456789\r\n");
  EXPECT_EQ(RegFileStore::Load(file, &error), nullptr);
  EXPECT_EQ(error, file + ":3: dword: needs 1 to 8 hex digits");
  EXPECT_EQ(RegFileStore::Load(dir.Path(), &error), nullptr);
  EXPECT_EQ(error, dir.Path() + ": cannot read: Is a directory");
}

TEST_F(RegFileStoreTest, LoadReportsReadFailures) {
  WriteBytes(file, ReadBytes(TESTDATA + "/serial_regedit4_crlf.reg"));
  for (Step step : {Step::OpenRead, Step::Read}) {
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(step, 1, EACCES);
    RegFileOptions options;
    options.file_system = &fs;
    options.missing_file_is_empty = true;  // a failure is no missing file
    std::string error;
    EXPECT_EQ(RegFileStore::Load(file, &error, options), nullptr);
    EXPECT_EQ(error, file + ": cannot read: Permission denied");
  }
}

TEST_F(RegFileStoreTest, KeyWithoutSectionGetsOneInTheStoredSpelling) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_lf.reg");
  RegKey builtin = Open(*store, u"DRIVERS\\builtin");
  const uint8_t one[] = {1, 0, 0, 0};
  ASSERT_EQ(store->SetValue(builtin, u"Count", REG_DWORD, one, 4), ERROR_SUCCESS)
      << store->LastFailure();
  std::vector<uint8_t> expected = ReadBytes(TESTDATA + "/serial_regedit4_lf.reg");
  // The file ends with a blank line already, which separates the new section.
  const std::string added = "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn]\n\"Count\"=dword:00000001\n";
  expected.insert(expected.end(), added.begin(), added.end());
  EXPECT_EQ(ReadBytes(file), expected);
  uint8_t data[4];
  uint32_t type = 0, length = 4;
  EXPECT_EQ(store->QueryValue(builtin, u"count", &type, data, &length), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegFileStoreTest, MissingFileAsEmptyRegistryIsCreatedOnFirstWrite) {
  RegFileOptions options;
  options.missing_file_is_empty = true;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, options);
  ASSERT_NE(store, nullptr) << error;
  EXPECT_FALSE(store->FileExists());
  RegKey key = 0;
  EXPECT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, u"Drivers", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store->LastFailure(),
            file + ": cannot open \"Drivers\" under HKEY_LOCAL_MACHINE: no such key or value");
  EXPECT_TRUE(dir.Names().empty());
  ASSERT_EQ(SetString(*store, HKEY_LOCAL_MACHINE, u"Owner", u"me"), ERROR_SUCCESS)
      << store->LastFailure();
  std::vector<uint8_t> expected = {0xFF, 0xFE};
  EncodeText(
      RegEncoding::Utf16Le,
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\"Owner\"=\"me\"\r\n",
      &expected);
  EXPECT_EQ(ReadBytes(file), expected);
  EXPECT_TRUE(store->FileExists());
}

TEST_F(RegFileStoreTest, FailuresOfReadsExplainThemselves) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_crlf.reg");
  RegKey key = Open(*store, BT_SERIAL);
  uint8_t data[4];
  uint32_t length = sizeof data;
  EXPECT_EQ(store->QueryValue(key, u"PnpId", nullptr, data, &length), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot read value \"PnpId\" of HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial:"
                " no such key or value");
  EXPECT_EQ(store->QueryValue(key, u"Dll", nullptr, data, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 28u);
  char16_t name[8];
  length = 8;
  EXPECT_EQ(store->EnumSubkey(key, 0, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot enumerate subkey 0 of HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial:"
                " no more items");
  EXPECT_EQ(store->CloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(store->CloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(store->LastFailure(),
            file + ": cannot close key handle 0x100: unknown or closed key handle");
}

TEST_F(RegFileStoreTest, EnumerationOrderIsTheFileOrderAndSurvivesWrites) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_v5_utf16_crlf.reg");
  RegKey builtin = Open(*store, u"Drivers\\BuiltIn");
  RegKey bt = Open(*store, BT_SERIAL);
  auto names = [&] {
    std::vector<std::u16string> out;
    char16_t name[200];
    uint32_t length = 200;
    for (uint32_t i = 0; store->EnumSubkey(builtin, i, name, &length) == ERROR_SUCCESS;
         ++i, length = 200) {
      out.push_back(name);
    }
    return out;
  };
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Serial", u"BtSerial"}));
  ASSERT_EQ(SetString(*store, bt, u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Serial", u"BtSerial"}));
  EXPECT_EQ(Query(*store, bt, u"Prefix"), u"COM");  // the handle follows the re-read tree
  EXPECT_EQ(store->OpenHandleCount(), 2);
}

TEST_F(RegFileStoreTest, HeldLockRefusesTheWrite) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_lf.reg");
  WriteText(file + ".lock", "someone else");  // a writer that died
  RegKey key = Open(*store, BT_SERIAL);
  EXPECT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial: " +
                file + ".lock exists: another program may be writing " + file +
                "; if none is, remove " + file + ".lock");
  EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_regedit4_lf.reg"));
  const std::string held = "someone else";
  EXPECT_EQ(ReadBytes(file + ".lock"), std::vector<uint8_t>(held.begin(), held.end()));
  EXPECT_EQ(Query(*store, key, u"Dll"), u"---btceif.dll");
}

TEST_F(RegFileStoreTest, ReadOnlyFileRefusesTheWrite) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_lf.reg");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  RegKey key = Open(*store, BT_SERIAL);
  EXPECT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_regedit4_lf.reg"));
  EXPECT_EQ(Query(*store, key, u"Dll"), u"---btceif.dll");
}

// Another program deletes the file after it was loaded: the store says the
// file is gone, does not make a new one from what it remembers, leaves no lock
// behind and keeps the old value.
TEST_F(RegFileStoreTest, FileDeletedAfterLoadIsNotFound) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_lf.reg");
  RegKey key = Open(*store, BT_SERIAL);
  ASSERT_EQ(::unlink(file.c_str()), 0);
  EXPECT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial:"
                " cannot read " +
                file + ": No such file or directory");
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_EQ(Query(*store, key, u"Dll"), u"---btceif.dll");
  EXPECT_TRUE(store->FileExists());
}

// Each step of the rewrite fails in turn: non-zero status, the file byte for
// byte as it was, no lock left, and the old value still read.
TEST_F(RegFileStoreTest, EveryFailingWriteStepKeepsFileAndValue) {
  const std::pair<Step, int> failures[] = {
      {Step::ReadLink, EIO},  {Step::Stat, EIO},     {Step::OpenExclusive, EACCES},
      {Step::SetMode, EPERM}, {Step::ReadAll, EIO},  {Step::Write, ENOSPC},
      {Step::Write, 0},       {Step::Fsync, EIO},    {Step::Close, EIO},
      {Step::Rename, EXDEV},  {Step::FsyncDir, EIO},
  };
  for (const auto& [step, error] : failures) {
    FailingFileSystem fs(RealFileSystem());
    std::unique_ptr<RegFileStore> store = LoadCopy("serial_v5_utf16_crlf.reg", &fs);
    ASSERT_NE(store, nullptr);
    RegKey key = Open(*store, BT_SERIAL);
    fs.FailAt(step, step == Step::Close ? LOCK_CLOSE_CALL : 1, error);
    EXPECT_NE(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS) << int(step);
    EXPECT_FALSE(store->LastFailure().empty());
    EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_v5_utf16_crlf.reg")) << int(step);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"}) << int(step);
    EXPECT_EQ(Query(*store, key, u"Dll"), u"---btceif.dll") << int(step);
    // The next attempt, with nothing failing, goes through.
    EXPECT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
    EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_v5_utf16_crlf.fixed.reg"));
  }
}

TEST_F(RegFileStoreTest, UndoneFolderSyncThatCannotBeUndoneKeepsTheNewValue) {
  FailingFileSystem fs(RealFileSystem());
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_crlf.reg", &fs);
  RegKey key = Open(*store, BT_SERIAL);
  fs.FailAt(Step::FsyncDir, 1, EIO);
  fs.FailAt(Step::OpenExclusive, 2, ENOSPC);  // the lock for putting the old content back
  EXPECT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_WRITE_FAULT);
  EXPECT_NE(store->LastFailure().find("so it holds the new content"), std::string::npos)
      << store->LastFailure();
  EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_regedit4_crlf.fixed.reg"));
  EXPECT_EQ(Query(*store, key, u"Dll"), u"BTCEIF.DLL");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

TEST_F(RegFileStoreTest, ChangedOnDiskIsReReadAndEditedWhereItIsNow) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_crlf.reg");
  RegKey key = Open(*store, BT_SERIAL);
  RegKey gone = Open(*store, u"Drivers\\Active\\02");
  // Another program moves everything and adds a value of its own; the Dll
  // keeps the value the store holds (a changed one is refused: see
  // reg_file_store_stale_test.cpp).
  std::string text =
      "REGEDIT4\r\n\r\n; "
      "moved\r\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n\"Other\"=\"new\"\r\n"
      "\"Dll\"=\"---btceif.dll\"\r\n";
  WriteText(file, text);
  ASSERT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  std::string expected = text;
  expected.replace(expected.find("\"---btceif.dll\""), 15, "\"BTCEIF.DLL\"");
  std::vector<uint8_t> after = ReadBytes(file);
  EXPECT_EQ(std::string(after.begin(), after.end()), expected);
  EXPECT_EQ(Query(*store, key, u"Other"), u"new");
  EXPECT_EQ(Query(*store, gone, u"Name"), u"<none>");
  EXPECT_EQ(store->LastFailure(),
            file + ": cannot read value \"Name\" of key handle 0x104: the key has been deleted");

  WriteText(file, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n");
  EXPECT_EQ(SetString(*store, key, u"Dll", u"X"), ERROR_KEY_DELETED);
  std::vector<uint8_t> untouched = ReadBytes(file);
  EXPECT_EQ(std::string(untouched.begin(), untouched.end()),
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n");

  RegKey elsewhere = Open(*store, u"Elsewhere");
  WriteText(file, "garbage\r\n");
  EXPECT_EQ(SetString(*store, elsewhere, u"v", u"x"), ERROR_BADDB);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot store value \"v\" in HKEY_LOCAL_MACHINE\\Elsewhere: it changed on disk"
                " and cannot be read now: " +
                file +
                ":1: not a registry file: the first line is neither \"REGEDIT4\" nor"
                " \"Windows Registry Editor Version 5.00\"");
  untouched = ReadBytes(file);
  EXPECT_EQ(std::string(untouched.begin(), untouched.end()), "garbage\r\n");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

TEST_F(RegFileStoreTest, UnrepresentableValuesAreRefusedAndNothingWritten) {
  std::unique_ptr<RegFileStore> store = LoadCopy("serial_regedit4_crlf.reg");
  RegKey key = Open(*store, BT_SERIAL);
  EXPECT_EQ(SetString(*store, key, u"Dll", u"\u4e2d.dll"), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(store->LastFailure(),
            file +
                ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial: "
                "the text holds characters that Windows-1252 lacks");
  const uint8_t inner_nul[] = {'a', 0, 0, 0, 'b', 0, 0, 0};
  EXPECT_EQ(store->SetValue(key, u"Dll", REG_SZ, inner_nul, sizeof inner_nul), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(store->SetValue(key, u"Dll", REG_SZ, nullptr, 2), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadBytes(file), ReadBytes(TESTDATA + "/serial_regedit4_crlf.reg"));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

// Data the file's form could not write anew (a NUL inside a string, text
// without its terminator from hex(1)) stored exactly as it stands: nothing is
// written, and the result is 0.
TEST_F(RegFileStoreTest, ValueStoredAsItStandsIsNeverWritten) {
  const std::string text =
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"Dll\"=hex(1):61,00,00,00,62,00\r\n";
  WriteText(file, text);
  FailingFileSystem fs(RealFileSystem());
  RegFileOptions options;
  options.file_system = &fs;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, options);
  ASSERT_NE(store, nullptr) << error;
  RegKey key = Open(*store, u"K");
  // The narrow bytes read as UTF-16 units: 'a', NUL, NUL, NUL, 'b', NUL.
  const uint8_t as_it_stands[] = {'a', 0, 0, 0, 0, 0, 0, 0, 'b', 0, 0, 0};
  uint8_t read[sizeof as_it_stands];
  uint32_t length = sizeof read;
  ASSERT_EQ(store->QueryValue(key, u"Dll", nullptr, read, &length), ERROR_SUCCESS);
  ASSERT_EQ(std::vector<uint8_t>(read, read + length),
            std::vector<uint8_t>(as_it_stands, as_it_stands + sizeof as_it_stands));
  EXPECT_EQ(store->SetValue(key, u"Dll", REG_SZ, as_it_stands, sizeof as_it_stands), ERROR_SUCCESS)
      << store->LastFailure();
  EXPECT_EQ(fs.Calls(FileSystem::Step::Rename), 0);
  EXPECT_EQ(ReadBytes(file), std::vector<uint8_t>(text.begin(), text.end()));
  // Anything else of that form is refused, as ever.
  const uint8_t other[] = {'a', 0, 0, 0, 'c', 0, 0, 0};
  EXPECT_EQ(store->SetValue(key, u"Dll", REG_SZ, other, sizeof other), ERROR_NOT_SUPPORTED);
}

TEST_F(RegFileStoreTest, EveryTypeRoundTripsThroughTheFile) {
  struct Case {
    const char16_t* name;
    uint32_t type;
    std::vector<uint8_t> data;
  };
  const Case cases[] = {
      {u"Dll", REG_SZ, Utf16z(u"a\\b \"c\" \u00e9")},
      {u"Index", REG_DWORD, {9, 0, 0, 0}},
      {u"DevConfig", REG_BINARY, std::vector<uint8_t>(100, 0x5A)},
      {u"Expand", REG_EXPAND_SZ, Utf16z(u"%windir%\\x")},
      {u"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {u"Big", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}},
      {u"Q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {u"None", REG_NONE, {}},
      {u"", REG_SZ, Utf16z(u"default")},
  };
  for (const char* name :
       {"serial_regedit4_lf.reg", "serial_v5_utf8_lf.reg", "serial_v5_utf16_crlf.reg"}) {
    std::unique_ptr<RegFileStore> store = LoadCopy(name);
    RegKey key = Open(*store, BT_SERIAL);
    for (const Case& c : cases) {
      ASSERT_EQ(
          store->SetValue(key, c.name, c.type, c.data.data(), static_cast<uint32_t>(c.data.size())),
          ERROR_SUCCESS)
          << store->LastFailure();
    }
    std::string error;
    std::unique_ptr<RegFileStore> again = RegFileStore::Load(file, &error);
    ASSERT_NE(again, nullptr) << error;
    RegKey reread = Open(*again, BT_SERIAL);
    for (const Case& c : cases) {
      uint8_t data[200];
      uint32_t type = 0, length = sizeof data;
      ASSERT_EQ(again->QueryValue(reread, c.name, &type, data, &length), ERROR_SUCCESS) << name;
      EXPECT_EQ(type, c.type) << name;
      EXPECT_EQ(std::vector<uint8_t>(data, data + length), c.data) << name;
    }
  }
}

#ifndef _WIN32
TEST_F(RegFileStoreTest, SymbolicLinkIsWrittenThroughAndStays) {
  WriteBytes(dir.File("real.reg"), ReadBytes(TESTDATA + "/serial_regedit4_crlf.reg"));
  ASSERT_EQ(::symlink("real.reg", file.c_str()), 0);
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error);
  ASSERT_NE(store, nullptr) << error;
  RegKey key = Open(*store, BT_SERIAL);
  ASSERT_EQ(SetString(*store, key, u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(ReadBytes(dir.File("real.reg")),
            ReadBytes(TESTDATA + "/serial_regedit4_crlf.fixed.reg"));
  struct stat st;
  ASSERT_EQ(::lstat(file.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}
#endif

}  // namespace
