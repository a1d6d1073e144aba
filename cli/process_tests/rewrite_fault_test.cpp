// Fault injection for the one lasting effect of the program, the rewrite of
// the registry file: every step of the lock-file protocol fails in turn, with
// the errors a real disk gives, and the disk fills up. After each fault the
// file is byte-identical, no lock is left, the write reports a non-zero
// status with its reason, the scan marks the driver " <<<< BUG DETECTED
// HERE!" and leaves the message empty, and the tool exits with 1 and says
// why on stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/testing/cli_job_runner.h"
#include "cli/testing/test_registry.h"
#include "cli/write_recorder.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/serial_scan.h"
#include "text/dyn_string.h"

namespace {

using Step = FileSystem::Step;

const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/quorva-driver.reg";

constexpr char UNREPAIRED_REPORT[] =
    "COM1:\r\nDll: SERIAL_PXA.DLL\r\nCOM3:\r\nDll: IRSIR.DLL\r\n"
    "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\nCOM6:\r\nDll: BTCEIF.DLL\r\n";
constexpr char UNREPAIRED_OUTPUT[] =
    "COM1:\nDll: SERIAL_PXA.DLL\nCOM3:\nDll: IRSIR.DLL\n"
    "COM5:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\nCOM6:\nDll: BTCEIF.DLL\n";
constexpr char FAULTY_KEY[] = "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialA";

struct Fault {
  Step step;
  int call;   // which call of the step fails: 1 is the first one of the run
  int error;  // errno; 0 with Write is a write of no bytes
  RegStatus status;
  std::string reason;  // after "FILE: cannot store value "Dll" in KEY: "; @ is FILE
};

// Every step of a rewrite, each with the errors it meets on real disks.
std::vector<Fault> Faults() {
  return {
      {Step::ReadLink, 1, EACCES, ERROR_ACCESS_DENIED,
       "cannot follow the link @: Permission denied"},
      {Step::Stat, 1, EIO, ERROR_WRITE_FAULT, "cannot examine @: Input/output error"},
      {Step::OpenExclusive, 1, EACCES, ERROR_ACCESS_DENIED,
       "cannot create @.lock: Permission denied"},
      {Step::OpenExclusive, 1, EROFS, ERROR_ACCESS_DENIED,
       "cannot create @.lock: Read-only file system"},
      {Step::OpenExclusive, 1, ENOSPC, ERROR_DISK_FULL,
       "cannot create @.lock: No space left on device"},
      {Step::SetMode, 1, EPERM, ERROR_ACCESS_DENIED,
       "cannot set the permissions of @.lock: Operation not permitted"},
      // The read under the lock, which looks for changes since the load.
      {Step::ReadAll, 1, EIO, ERROR_WRITE_FAULT, "cannot read @: Input/output error"},
      {Step::Write, 1, EIO, ERROR_WRITE_FAULT, "cannot write @.lock: Input/output error"},
      {Step::Write, 1, ENOSPC, ERROR_DISK_FULL, "cannot write @.lock: No space left on device"},
      {Step::Write, 1, EDQUOT, ERROR_DISK_FULL, "cannot write @.lock: Disk quota exceeded"},
      {Step::Write, 1, EFBIG, ERROR_DISK_FULL, "cannot write @.lock: File too large"},
      {Step::Write, 1, 0, ERROR_WRITE_FAULT,
       "cannot write @.lock: short write after 0 of 5514 bytes"},
      {Step::Fsync, 1, EIO, ERROR_WRITE_FAULT, "cannot sync @.lock: Input/output error"},
      {Step::Fsync, 1, ENOSPC, ERROR_DISK_FULL, "cannot sync @.lock: No space left on device"},
      // After the load's close, of the file it read.
      {Step::Close, 1 + LOCK_CLOSE_CALL, EIO, ERROR_WRITE_FAULT,
       "cannot close @.lock: Input/output error"},
      {Step::Close, 1 + LOCK_CLOSE_CALL, EDQUOT, ERROR_DISK_FULL,
       "cannot close @.lock: Disk quota exceeded"},
      {Step::OpenRead, 2, EIO, ERROR_WRITE_FAULT, "cannot read back @.lock: Input/output error"},
      // The fifth read: after the load's two and the two of the lock read back.
      {Step::Read, 5, EIO, ERROR_WRITE_FAULT, "cannot read @ again: Input/output error"},
      {Step::Rename, 1, EXDEV, ERROR_WRITE_FAULT,
       "cannot rename @.lock to @: Invalid cross-device link"},
      {Step::Rename, 1, ENOSPC, ERROR_DISK_FULL,
       "cannot rename @.lock to @: No space left on device"},
      // After the rename the new content is in place but not yet durable: the
      // old content is put back by the same protocol.
      {Step::FsyncDir, 1, EIO, ERROR_WRITE_FAULT,
       "cannot sync the folder #: Input/output error; @ was put back as it was"},
  };
}

std::string Expand(const std::string& pattern, const std::string& file, const std::string& dir) {
  std::string text;
  for (char c : pattern) text += c == '@' ? file : c == '#' ? dir : std::string(1, c);
  return text;
}

std::string Describe(const Fault& f) {
  return "step " + std::to_string(static_cast<int>(f.step)) + " call " + std::to_string(f.call) +
         " errno " + std::to_string(f.error);
}

// What the scan makes of a failed repair, seen from the registry store.
struct ScanOutcome {
  std::string report;
  std::string message;
  std::vector<RecordedWrite> writes;
};

ScanOutcome FixThrough(const std::string& file, FileSystem& fs) {
  RegFileOptions options;
  options.file_system = &fs;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, options);
  EXPECT_NE(store, nullptr) << error;
  if (store == nullptr) return {};
  WriteRecorder recorder(*store, WriteRecorder::Mode::PassThrough,
                         [&store] { return store->LastFailure(); });
  DynString report;
  DynString message;
  InstallRegistryStore(&recorder);
  ScanSerialDrivers(report, message, true);
  InstallRegistryStore(nullptr);
  return {report.CStr(), message.CStr(), recorder.Writes()};
}

TEST(RewriteFaults, EveryStepFailingInTurnKeepsTheFileAndSaysWhy) {
  const std::vector<uint8_t> original = ReadBytes(SAMPLE);
  for (const Fault& fault : Faults()) {
    SCOPED_TRACE(Describe(fault));
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    const std::string reason = Expand(fault.reason, file, dir.Path());
    const std::string store_reason =
        file + ": cannot store value \"Dll\" in " + FAULTY_KEY + ": " + reason;

    WriteBytes(file, original);
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(fault.step, fault.call, fault.error);
    ScanOutcome scan = FixThrough(file, fs);
    EXPECT_GE(fs.Calls(fault.step), fault.call) << "the fault was never reached";
    ASSERT_EQ(scan.writes.size(), 1u);
    EXPECT_EQ(scan.writes[0].status, fault.status);
    EXPECT_EQ(scan.writes[0].failure, store_reason);
    EXPECT_EQ(scan.report, UNREPAIRED_REPORT);
    EXPECT_EQ(scan.message, "");
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});

    FailingFileSystem tool_fs(RealFileSystem());
    tool_fs.FailAt(fault.step, fault.call, fault.error);
    JobResult tool = RunJob(CliCommand::Fix, file, "", &tool_fs);
    EXPECT_EQ(tool.status, EXIT_FAULT_LEFT);
    EXPECT_EQ(tool.out, UNREPAIRED_OUTPUT);
    EXPECT_EQ(tool.err, "quorvafix-cli: " + file +
                            ": cannot repair Drivers\\BuiltIn\\BtSerialA\\Dll: " + store_reason +
                            "\n");
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

// A disk that fills up while the lock is written: the write stores what fits
// and then fails, as write(2) does; whatever the room left, nothing changes.
TEST(RewriteFaults, FullDiskKeepsTheFileAndSaysWhy) {
  const std::vector<uint8_t> original = ReadBytes(SAMPLE);
  const std::string file = "/dev.reg";
  const std::string reason = file + ": cannot store value \"Dll\" in " + FAULTY_KEY +
                             ": cannot write /dev.reg.lock: No space left on device";
  // "QVBTDEV.DLL" becomes "BTCEIF.DLL", one UTF-16 unit shorter.
  const size_t repaired_size = original.size() - 2;
  for (size_t room : {size_t(0), size_t(1), size_t(4096), repaired_size - 1}) {
    SCOPED_TRACE("room " + std::to_string(room));
    MemoryFileSystem fs;
    fs.Files()[file] = original;
    fs.SetCapacity(original.size() + room);
    ScanOutcome scan = FixThrough(file, fs);
    ASSERT_EQ(scan.writes.size(), 1u);
    EXPECT_EQ(scan.writes[0].status, ERROR_DISK_FULL);
    EXPECT_EQ(scan.writes[0].failure, reason);
    EXPECT_EQ(scan.report, UNREPAIRED_REPORT);
    EXPECT_EQ(scan.message, "");
    EXPECT_EQ(fs.Bytes(file), original);
    EXPECT_EQ(fs.Files().size(), 1u);
    EXPECT_EQ(fs.OpenCount(), 0u);

    JobResult tool = RunJob(CliCommand::Fix, file, "", &fs);
    EXPECT_EQ(tool.status, EXIT_FAULT_LEFT);
    EXPECT_EQ(tool.out, UNREPAIRED_OUTPUT);
    EXPECT_EQ(tool.err, "quorvafix-cli: " + file +
                            ": cannot repair Drivers\\BuiltIn\\BtSerialA\\Dll: " + reason + "\n");
    EXPECT_EQ(fs.Bytes(file), original);
    EXPECT_EQ(fs.Files().size(), 1u);
  }
}

// The output of a fix over FaultyRegistry's drivers, those in fixed repaired
// in this run and the others left faulty.
std::string FixOutput(const std::vector<bool>& fixed) {
  std::string out;
  bool any = false;
  for (size_t i = 0; i < fixed.size(); ++i) {
    out += "COM" + std::to_string(i) + ":\nDll: " + (i % 2 == 0 ? "QVBTDEV.DLL" : "---BTCEIF.DLL") +
           (fixed[i] ? "  FIXED!\n" : " <<<< BUG DETECTED HERE!\n");
    any = any || fixed[i];
  }
  if (any) out += std::string(SCAN_REPAIRED_MESSAGE) + "\n";
  return out;
}

// Counts, in a run without faults, the calls of each step made before the
// first write of the lock: those of the load and of taking the lock.
class FirstWriteMark : public FailingFileSystem {
 public:
  using FailingFileSystem::FailingFileSystem;
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    if (before_write.empty()) {
      for (int step = 0; step <= static_cast<int>(Step::OpenWrite); ++step) {
        before_write[static_cast<Step>(step)] = Calls(static_cast<Step>(step));
      }
    }
    return FailingFileSystem::Write(fd, data, size, written);
  }
  std::map<Step, int> before_write;
};

// Every single fault a rewrite can meet, at every call of a run that makes
// several repairs: whatever fails, the file is exactly the registry with the
// repairs the report marks "  FIXED!", the others are marked " <<<< BUG
// DETECTED HERE!" and stderr says why in one line, the exit status says
// whether a fault is left, and no lock stays. The repairs reach the file in
// one rewrite: a fault while the lock is taken and the file read under it
// fails the one repair that takes it (the next one takes the lock anew); a
// fault of the rewrite itself fails every repair. (A failing unlink of the lock,
// left out here, is the one fault that leaves the lock: the next run reports
// it as stale, as StaleLockIsReportedNeverOverwritten shows.)
TEST(RewriteFaults, EverySingleFaultOfAMultiRepairRun) {
  const int DRIVERS = 4;
  const std::string original = FaultyRegistry(std::vector<bool>(DRIVERS, false), 3);
  const Step steps[] = {Step::OpenRead, Step::Fstat,          Step::Read,          Step::ReadLink,
                        Step::Stat,     Step::MayWrite,       Step::OpenExclusive, Step::SetOwner,
                        Step::SetMode,  Step::CopyAttributes, Step::ReadAll,       Step::Write,
                        Step::Fsync,    Step::Close,          Step::Rename,        Step::FsyncDir};
  int injected = 0;
  FirstWriteMark clean(RealFileSystem());
  {
    TempDir dir;
    WriteText(dir.File("dev.reg"), original);
    RunJob(CliCommand::Fix, dir.File("dev.reg"), "", &clean);
  }
  for (Step step : steps) {
    for (int call = 1;; ++call) {
      SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)) + " call " +
                   std::to_string(call));
      TempDir dir;
      const std::string file = dir.File("dev.reg");
      WriteText(file, original);
      FailingFileSystem fs(RealFileSystem());
      fs.FailAt(step, call, EIO);
      JobResult tool = RunJob(CliCommand::Fix, file, "", &fs);
      if (fs.Calls(step) < call) break;  // the run makes fewer calls: every one was failed
      ++injected;
      std::vector<uint8_t> bytes = ReadBytes(file);
      std::string text(bytes.begin(), bytes.end());
      EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
      if (tool.status == EXIT_TROUBLE) {
        // The fault struck the load: nothing was scanned or written.
        EXPECT_TRUE(step == Step::OpenRead || step == Step::Fstat || step == Step::Read);
        EXPECT_EQ(tool.err, "quorvafix-cli: " + file + ": cannot read: Input/output error\n");
        EXPECT_EQ(text, original);
        continue;
      }
      std::vector<bool> fixed = RepairedDrivers(text, DRIVERS);
      ASSERT_EQ(fixed.size(), size_t(DRIVERS)) << text;
      EXPECT_EQ(text, FaultyRegistry(fixed, 3));
      EXPECT_EQ(tool.out, FixOutput(fixed));
      size_t left = static_cast<size_t>(std::count(fixed.begin(), fixed.end(), false));
      // A fault while the lock is taken fails the one repair that takes it;
      // the closes of files only read (the load's, the lock read back, the
      // file read again) cost nothing; anything else fails the rewrite.
      const bool taking_lock = call <= clean.before_write[step];
      const bool closing_read = step == Step::Close && call < clean.Calls(Step::Close);
      EXPECT_EQ(left, closing_read ? 0u : taking_lock ? 1u : size_t(DRIVERS));
      EXPECT_EQ(tool.status, left == 0 ? EXIT_NO_FAULT_LEFT : EXIT_FAULT_LEFT);
      // The repairs one rewrite failed share the line of the first of them.
      size_t lines = static_cast<size_t>(std::count(tool.err.begin(), tool.err.end(), '\n'));
      EXPECT_EQ(lines, std::min<size_t>(left, 1)) << tool.err;
      const size_t first =
          static_cast<size_t>(std::find(fixed.begin(), fixed.end(), false) - fixed.begin());
      for (size_t i = 0; i < fixed.size(); ++i) {
        std::string line = "cannot repair Drivers\\BuiltIn\\Bt" + std::to_string(i) + "\\Dll: ";
        EXPECT_EQ(tool.err.find(line) != std::string::npos, i == first) << tool.err;
      }
      if (left > 1) {
        EXPECT_NE(tool.err.find(" (and " + std::to_string(left - 1) +
                                " more repairs of this file, failed for the same reason)\n"),
                  std::string::npos)
            << tool.err;
      }
    }
  }
  EXPECT_GE(injected, 16);
  std::printf("faults injected into rewrites: %d\n", injected);
}

// A lock left by a writer that died is never overwritten or removed: the
// repair is refused with a reason that says what the lock is and how to
// clear it, and succeeds once it is gone.
TEST(RewriteFaults, StaleLockIsReportedNeverOverwritten) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string lock = file + ".lock";
  WriteBytes(file, ReadBytes(SAMPLE));
  WriteText(lock, "half a file from a killed run");
  JobResult refused = RunJob(CliCommand::Fix, file);
  EXPECT_EQ(refused.status, EXIT_FAULT_LEFT);
  EXPECT_EQ(refused.out, UNREPAIRED_OUTPUT);
  EXPECT_EQ(refused.err, "quorvafix-cli: " + file +
                             ": cannot repair Drivers\\BuiltIn\\BtSerialA\\Dll: " + file +
                             ": cannot store value \"Dll\" in " + FAULTY_KEY + ": " + lock +
                             " exists: another program may be writing " + file +
                             "; if none is, remove " + lock + "\n");
  EXPECT_EQ(ReadBytes(file), ReadBytes(SAMPLE));
  std::vector<uint8_t> stale = ReadBytes(lock);
  EXPECT_EQ(std::string(stale.begin(), stale.end()), "half a file from a killed run");

  ASSERT_EQ(::unlink(lock.c_str()), 0);
  JobResult repaired = RunJob(CliCommand::Fix, file);
  EXPECT_EQ(repaired.status, EXIT_NO_FAULT_LEFT);
  EXPECT_NE(repaired.out.find("Dll: QVBTDEV.DLL  FIXED!\n"), std::string::npos);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

}  // namespace
