// Resource bounds of quorvafix-cli on hostile and huge registries: a 200 MB
// export, 50 MB lines, 100,000 levels of key nesting, a million subkeys. Each
// is read and repaired by the tool as a process, whose peak memory and
// processor time are measured: it must work within the stated multiple of
// the file's size, never overflow the stack (a crash fails the test), and the
// reader's time must grow in proportion to the input. The inputs are written
// by the test. Under the sanitizers, which multiply memory and time, the
// inputs are a tenth as large and memory is not measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif
#else
constexpr bool SANITIZED = false;
#endif

const std::string CLI = QUORVAFIX_CLI_PATH;
constexpr long long MB = 1024 * 1024;
// What the process needs whatever the file: code, libraries, buffers.
constexpr long long BASE_MEMORY = 64 * MB;
constexpr int SCALE = SANITIZED ? 10 : 1;

// Writes a registry export: the one faulty COM-port driver, then what body
// adds. Returns the file's size.
long long WriteRegistry(const std::string& path, const std::function<void(std::string&)>& body) {
  std::string text =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\n\"Name\"=\"COM5:\"\n"
      "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerialA\"\n\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialA]\n\"Dll\"=\"QVBTDEV.DLL\"\n";
  body(text);
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<long long>(text.size());
}

struct ToolRun {
  int status;
  long long memory;
  double cpu;
  std::string out;
};

ToolRun RunCli(const TempDir& dir, const std::string& command, const std::string& file) {
  ChildProcess child;
  EXPECT_TRUE(child.Start({CLI, command, file}, dir.File("out"), dir.File("err")));
  int status = -1;
  EXPECT_TRUE(child.Wait(&status)) << "ended by signal " << child.TermSignal();
  return {status, child.PeakMemory(), child.CpuSeconds(), FileText(dir.File("out"))};
}

// Detects the fault, repairs it and finds it repaired, each within memory of
// factor times the file's size.
void ExpectRepairedWithin(const TempDir& dir, const std::string& file, long long size,
                          double factor) {
  const long long bound = static_cast<long long>(factor * size) + BASE_MEMORY;
  ToolRun detect = RunCli(dir, "detect", file);
  EXPECT_EQ(detect.status, EXIT_FAULT_LEFT) << FileText(dir.File("err"));
  EXPECT_NE(detect.out.find("Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!"), std::string::npos);
  ToolRun fix = RunCli(dir, "fix", file);
  EXPECT_EQ(fix.status, EXIT_NO_FAULT_LEFT) << FileText(dir.File("err"));
  EXPECT_NE(fix.out.find("Dll: QVBTDEV.DLL  FIXED!"), std::string::npos);
  ToolRun again = RunCli(dir, "detect", file);
  EXPECT_EQ(again.status, EXIT_NO_FAULT_LEFT);
  std::printf("%lld MB: detect %.1f s %lld MB, fix %.1f s %lld MB (%.2f and %.2f times the file)\n",
              size / MB, detect.cpu, detect.memory / MB, fix.cpu, fix.memory / MB,
              double(detect.memory) / size, double(fix.memory) / size);
  if (!SANITIZED) {
    EXPECT_LE(detect.memory, bound) << "detect of " << size << " bytes";
    EXPECT_LE(fix.memory, bound) << "fix of " << size << " bytes";
  }
}

// A large export shaped like a real one: many small keys of a few values.
TEST(ResourceBounds, TwoHundredMegabyteRegistry) {
  TempDir dir;
  const std::string file = dir.File("big.reg");
  long long size = WriteRegistry(file, [](std::string& text) {
    char line[400];
    for (int i = 0; text.size() < 200 * MB / SCALE; ++i) {
      std::snprintf(line, sizeof line,
                    "\n[HKEY_LOCAL_MACHINE\\Software\\Vendor%d\\Product%d\\Settings]\n"
                    "\"Path\"=\"C:\\\\Program Files\\\\Vendor%d\\\\bin\\\\tool.exe\"\n"
                    "\"Version\"=dword:%08x\n"
                    "\"Flags\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10\n"
                    "\"Description\"=\"A fairly typical description string for value %d\"\n",
                    i / 100, i, i, i, i);
      text += line;
    }
  });
  // The tree of many small keys takes over twice the text; a repair adds
  // the file's bytes, edited in place.
  ExpectRepairedWithin(dir, file, size, 3.5);
}

TEST(ResourceBounds, FiftyMegabyteLines) {
  TempDir dir;
  const std::string file = dir.File("line.reg");
  const size_t length = 50 * MB / SCALE;
  long long size = WriteRegistry(file, [length](std::string& text) {
    text += "\"Binary\"=hex:";
    for (size_t n = 0; n < length / 3; ++n) text += "ab,";
    text += "00\n";
  });
  ExpectRepairedWithin(dir, file, size, 4.0);
  size = WriteRegistry(file, [length](std::string& text) {
    text += "\"Text\"=\"" + std::string(length, 'x') + "\"\n";
  });
  // A string this long is read only when asked for, which the scan never
  // does: detect holds the file, a repair the file twice (as read and edited).
  ExpectRepairedWithin(dir, file, size, 2.5);
}

TEST(ResourceBounds, HundredThousandLevelsOfNesting) {
  TempDir dir;
  const std::string file = dir.File("deep.reg");
  const int depth = 100000;
  std::u16string deepest = u"Deep";
  for (int i = 0; i < depth; ++i) deepest += u"\\k";
  long long size = WriteRegistry(file, [depth](std::string& text) {
    text += "\n[HKEY_LOCAL_MACHINE\\Deep";
    for (int i = 0; i < depth; ++i) text += "\\k";
    text += "]\n\"v\"=\"deepest\"\n";
  });
  ExpectRepairedWithin(dir, file, size, 20.0);

  // The deepest key is opened, written and read back in-process, where a
  // recursion over the depth would overflow the stack.
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error);
  ASSERT_NE(store, nullptr) << error;
  RegKey key = 0;
  ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, deepest.c_str(), &key), ERROR_SUCCESS);
  const uint8_t data[] = {7, 0, 0, 0};
  ASSERT_EQ(store->SetValue(key, u"Added", REG_DWORD, data, 4), ERROR_SUCCESS)
      << store->LastFailure();
  EXPECT_EQ(store->CloseKey(key), ERROR_SUCCESS);
  store = RegFileStore::Load(file, &error);
  ASSERT_NE(store, nullptr) << error;
  ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, deepest.c_str(), &key), ERROR_SUCCESS);
  uint8_t read[4] = {};
  uint32_t length = sizeof read;
  EXPECT_EQ(store->QueryValue(key, u"Added", nullptr, read, &length), ERROR_SUCCESS);
  EXPECT_EQ(read[0], 7);
  EXPECT_EQ(store->CloseKey(key), ERROR_SUCCESS);
}

TEST(ResourceBounds, MillionSubkeys) {
  TempDir dir;
  const std::string file = dir.File("wide.reg");
  const int count = 1000000 / SCALE;
  long long size = WriteRegistry(file, [count](std::string& text) {
    for (int i = 0; i < count; ++i) {
      text += "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\k" + std::to_string(i) + "]\n";
    }
  });
  // Each empty key line is 40 bytes of text and a key node of about 150.
  ExpectRepairedWithin(dir, file, size, 5.0);
}

// The reader's time for n and 4n lines of each shape that a careless reader
// makes quadratic: subkeys of one key, values of one key, sections of one
// key, continuation lines of one value.
TEST(ResourceBounds, ReaderTimeGrowsInProportion) {
  struct Shape {
    const char* name;
    std::function<void(std::string&, int)> lines;
  };
  const Shape shapes[] = {
      {"subkeys",
       [](std::string& text, int n) {
         for (int i = 0; i < n; ++i)
           text += "[HKEY_LOCAL_MACHINE\\Wide\\k" + std::to_string(i) + "]\n";
       }},
      {"values",
       [](std::string& text, int n) {
         text += "[HKEY_LOCAL_MACHINE\\Many]\n";
         for (int i = 0; i < n; ++i) text += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
       }},
      {"sections",
       [](std::string& text, int n) {
         for (int i = 0; i < n; ++i) {
           text += "[HKEY_LOCAL_MACHINE\\Same\\Key]\n\"v" + std::to_string(i % 1000) + "\"=\"x\"\n";
         }
       }},
      {"continuations",
       [](std::string& text, int n) {
         text += "[HKEY_LOCAL_MACHINE\\Long]\n\"h\"=hex:00,\\\n";
         for (int i = 0; i < n; ++i)
           text += "  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,\\\n";
         text += "  00\n";
       }},
  };
  TempDir dir;
  const std::string file = dir.File("shape.reg");
  const int n = 250000 / SCALE;
  for (const Shape& shape : shapes) {
    double seconds[2];
    for (int k = 0; k < 2; ++k) {
      WriteRegistry(file, [&](std::string& text) { shape.lines(text, k == 0 ? n : 4 * n); });
      ToolRun detect = RunCli(dir, "detect", file);
      EXPECT_EQ(detect.status, EXIT_FAULT_LEFT) << shape.name;
      seconds[k] = detect.cpu;
    }
    std::printf("%s: %d lines %.2f s, %d lines %.2f s\n", shape.name, n, seconds[0], 4 * n,
                seconds[1]);
    // Four times the lines: about four times the time; quadratic would be 16.
    // Below a tenth of a second the clock says little, so that is the floor.
    EXPECT_LT(seconds[1], 10 * std::max(seconds[0], 0.1)) << shape.name;
  }
}

}  // namespace
