// RegFileStore's gathered writes, what the reads show: staged values through
// a refresh under the lock, the values from before the batch after a failed
// commit (however often a value was staged, whether it existed), and every
// staged value on disk after a good commit, the same key path and name under
// two roots included, the file's form kept.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

using Step = FileSystem::Step;

const std::string FILE_PATH = "dev.reg";

class StagingTest : public ::testing::Test {
 protected:
  void Load(const std::vector<uint8_t>& bytes) {
    memory.Files().clear();
    memory.Files()[FILE_PATH] = bytes;
    fs.Clear();
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << error;
  }
  void Load(const std::string& text) { Load(NarrowBytes(text)); }

  // The value's text as the store serves it; "<none>" when it is missing,
  // "<type T, N bytes>" when it is no string.
  std::string Read(RegKey root, const char16_t* path, const char16_t* name) {
    RegKey key = 0;
    if (store->OpenKey(root, path, &key) != ERROR_SUCCESS) return "<no key>";
    uint8_t data[200];
    uint32_t length = sizeof data;
    uint32_t type = 0;
    RegStatus status = store->QueryValue(key, name, &type, data, &length);
    store->CloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) return "<none>";
    if (status != ERROR_SUCCESS) return "<status " + std::to_string(status) + ">";
    if (type != REG_SZ) {
      return "<type " + std::to_string(type) + ", " + std::to_string(length) + " bytes>";
    }
    std::string text;
    for (uint32_t i = 0; i + 1 < length && data[i] != 0; i += 2) text += static_cast<char>(data[i]);
    return text;
  }
  RegStatus Write(RegKey root, const char16_t* path, const char16_t* name, const char16_t* text) {
    RegKey key = 0;
    if (RegStatus status = store->OpenKey(root, path, &key)) return status;
    std::vector<uint8_t> data = Utf16z(text);
    RegStatus status =
        store->SetValue(key, name, REG_SZ, data.data(), static_cast<uint32_t>(data.size()));
    store->CloseKey(key);
    return status;
  }
  std::string OnDisk() {
    std::vector<uint8_t> bytes = memory.Bytes(FILE_PATH);
    return std::string(bytes.begin(), bytes.end());
  }

  MemoryFileSystem memory;
  FailingFileSystem fs{memory};
  std::unique_ptr<RegFileStore> store;
};

const std::string ORIGINAL =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\B]\r\n\"Dll\"=\"---BTCEIF.DLL\"\r\n";

// The file changed or removed by a program that ignores FILE.lock after the
// first value was staged: a refresh changes nothing, the staged value and
// the file as read under the lock stay in view. The commit then notices the
// change and plans the staged value again on what the other program saved,
// keeping its change; a file the reader refuses, or one that went, fails the
// commit, stays as the other program left it and gives the value back.
TEST_F(StagingTest, RefreshUnderTheLockKeepsStagedValuesWhateverTheFileBecame) {
  struct Outside {
    const char* what;
    std::function<void(MemoryFileSystem&)> change;
    RegStatus commit;
    std::string on_disk;  // after the commit
  };
  std::string changed = ORIGINAL;
  changed.replace(changed.find("---BTCEIF.DLL"), 13, "outside.dll");
  std::string changed_and_repaired = changed;
  changed_and_repaired.replace(changed_and_repaired.find("QVBTDEV.DLL"), 11, "BTCEIF.DLL");
  const std::string refused = "REGEDIT4\r\n[nowhere]\r\n";
  const Outside outsides[] = {
      {"changed", [&](MemoryFileSystem& m) { m.Files()[FILE_PATH] = NarrowBytes(changed); },
       ERROR_SUCCESS, changed_and_repaired},
      {"changed to what the reader refuses",
       [&](MemoryFileSystem& m) { m.Files()[FILE_PATH] = NarrowBytes(refused); }, ERROR_BADDB,
       refused},
      {"removed", [](MemoryFileSystem& m) { m.Files().erase(FILE_PATH); }, ERROR_FILE_NOT_FOUND,
       ""},
  };
  for (const Outside& outside : outsides) {
    SCOPED_TRACE(outside.what);
    Load(ORIGINAL);
    store->GatherWrites();
    ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS)
        << store->LastFailure();
    outside.change(memory);
    EXPECT_EQ(store->Refresh(), ERROR_SUCCESS) << store->LastFailure();
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"), "BTCEIF.DLL");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\B", u"Dll"), "---BTCEIF.DLL");
    EXPECT_EQ(store->CommitWrites(), outside.commit) << store->LastFailure();
    const bool written = outside.commit == ERROR_SUCCESS;
    const bool file_left = !outside.on_disk.empty();
    if (file_left) {
      EXPECT_EQ(OnDisk(), outside.on_disk);
    }
    EXPECT_EQ(memory.Files().size(), file_left ? 1u : 0u) << "no lock is left";
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"),
              written ? "BTCEIF.DLL" : "QVBTDEV.DLL");
  }
}

// A commit that fails gives every value back what it held before the batch:
// a value staged twice its first value (never the one staged in between), a
// value the batch would have created no value at all.
TEST_F(StagingTest, FailedCommitRestoresTheValuesFromBeforeTheBatch) {
  for (Step step : {Step::Write, Step::Rename}) {
    SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
    Load(ORIGINAL);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"), "QVBTDEV.DLL");
    fs.FailAt(step, 1, EIO);
    store->GatherWrites();
    for (const char16_t* text : {u"SECOND.DLL", u"THIRD.DLL"}) {
      ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll", text), ERROR_SUCCESS);
    }
    ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\B", u"New", u"new"), ERROR_SUCCESS);
    for (const char16_t* text : {u"first", u"second"}) {
      ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Twice", text), ERROR_SUCCESS);
    }
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"), "THIRD.DLL");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Twice"), "second");

    EXPECT_EQ(store->CommitWrites(), ERROR_WRITE_FAULT);
    EXPECT_GE(fs.Calls(step), 1) << "the fault was never reached";
    EXPECT_EQ(OnDisk(), ORIGINAL);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"), "QVBTDEV.DLL");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\B", u"New"), "<none>");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Twice"), "<none>");
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\B", u"Dll"), "---BTCEIF.DLL");
  }
}

// The same key path and value name under HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER are two values: one commit writes both, replacing
// values that stand and adding values that do not.
TEST_F(StagingTest, SamePathAndNameUnderTwoRootsBothReachTheFile) {
  const std::string before =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Drivers\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n";
  const std::string after =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"LM.DLL\"\r\n"
      "\"New\"=\"lm\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Drivers\\A]\r\n\"Dll\"=\"CU.DLL\"\r\n\"New\"=\"cu\"\r\n";
  Load(before);
  store->GatherWrites();
  ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll", u"LM.DLL"), ERROR_SUCCESS);
  ASSERT_EQ(Write(HKEY_CURRENT_USER, u"Drivers\\A", u"Dll", u"CU.DLL"), ERROR_SUCCESS);
  ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"New", u"lm"), ERROR_SUCCESS);
  ASSERT_EQ(Write(HKEY_CURRENT_USER, u"Drivers\\A", u"New", u"cu"), ERROR_SUCCESS);
  ASSERT_EQ(store->CommitWrites(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), after);
  EXPECT_EQ(fs.Calls(Step::Rename), 1);

  Load(after);
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll"), "LM.DLL");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, u"Drivers\\A", u"Dll"), "CU.DLL");
}

// After a write, alone or gathered, Form() still describes the file: its
// dialect, encoding, mark and line end, none of them the defaults; a value
// added later is written in that form.
TEST_F(StagingTest, FormAfterAWriteIsTheFilesOwn) {
  const std::u16string body =
      u"\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\n\"Dll\"=\"QVBTDEV.DLL\"\n"
      u"[HKEY_LOCAL_MACHINE\\Drivers\\B]\n\"Dll\"=\"---BTCEIF.DLL\"\n";
  const std::u16string version5 = u"Windows Registry Editor Version 5.00\n" + body;
  std::vector<uint8_t> narrow;
  EncodeText(RegEncoding::CodePage1252, u"REGEDIT4\n" + body, &narrow);
  std::vector<uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
  EncodeText(RegEncoding::Utf8, version5, &utf8);
  struct File {
    const char* what;
    std::vector<uint8_t> bytes;
    RegDialect dialect;
    RegEncoding encoding;
    bool bom;
  };
  const File files[] = {
      {"REGEDIT4", narrow, RegDialect::Regedit4, RegEncoding::CodePage1252, false},
      {"UTF-8 with its mark", utf8, RegDialect::Version5, RegEncoding::Utf8, true},
      {"UTF-16LE without a mark", Utf16Bytes(version5, false), RegDialect::Version5,
       RegEncoding::Utf16Le, false},
  };
  for (const File& file : files) {
    for (bool gathered : {false, true}) {
      SCOPED_TRACE(std::string(file.what) + (gathered ? ", gathered" : ", alone"));
      Load(file.bytes);
      if (gathered) store->GatherWrites();
      ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\A", u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS)
          << store->LastFailure();
      ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"Drivers\\B", u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS)
          << store->LastFailure();
      if (gathered) {
        ASSERT_EQ(store->CommitWrites(), ERROR_SUCCESS) << store->LastFailure();
      }
      for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(store->Form().dialect, file.dialect) << round;
        EXPECT_EQ(store->Form().encoding, file.encoding) << round;
        EXPECT_EQ(store->Form().bom, file.bom) << round;
        EXPECT_EQ(store->Form().line_end, RegLineEnd::Lf) << round;
        // A new key, written in the form the store holds, keeps the file in
        // its form.
        ASSERT_EQ(Write(HKEY_LOCAL_MACHINE, u"", u"Added", u"x"), ERROR_SUCCESS)
            << store->LastFailure();
      }
      std::unique_ptr<ParsedRegFile> reread = ParseBytes(memory.Bytes(FILE_PATH));
      ASSERT_TRUE(reread->ok) << reread->error.line << ": " << reread->error.reason;
      EXPECT_EQ(reread->form.dialect, file.dialect);
      EXPECT_EQ(reread->form.encoding, file.encoding);
      EXPECT_EQ(reread->form.bom, file.bom);
      EXPECT_EQ(reread->form.line_end, RegLineEnd::Lf);
    }
  }
}

}  // namespace
