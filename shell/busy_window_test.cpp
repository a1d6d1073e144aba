// The real window (Qt, offscreen) while long work runs: a Fix whose write is
// held at a gate shows the wait cursor and repaints a resize, a close during
// the write waits for it and leaves no lock, a slow start shows the window
// with the reading text first, and a termination signal during a write
// removes the program's lock (a child process running the program).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCursor>
#include <QEvent>
#include <QScrollArea>
#include <atomic>
#include <string>

#include "platform/registry/testing/registry_testing.h"
#include "shell/export_commands.h"
#include "shell/registry_export.h"
#include "shell/testing/desktop_test_support.h"
#include "shell/testing/gated_file_system.h"

extern char** environ;

namespace {

// Counts the paint events of one widget.
class PaintCounter : public QObject {
 public:
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

bool WaitCursorShown() {
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// The canvas the window's report is painted on, or null.
QWidget* Canvas() {
  QWidget* screen = ProgramScreen();
  auto* view = screen == nullptr ? nullptr : screen->findChild<QScrollArea*>();
  return view == nullptr ? nullptr : view->widget();
}

class BusyWindowTest : public DesktopProgramTest {
 protected:
  void TearDown() override {
    UseExportFileSystem(nullptr);
    DesktopProgramTest::TearDown();
  }
  bool LockExists() const {
    return QFile::exists(QString::fromStdString(registry_path_ + ".lock"));
  }
};

TEST_F(BusyWindowTest, SlowFixShowsTheWaitCursorAndRepaintsAResize) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::Rename);
  UseExportFileSystem(&gate);
  PaintCounter paints;
  int before = 0;
  bool cursor_while_writing = false;
  bool cursor_after = true;
  QString text, caption;
  WaitForActiveScreen();
  driver_.Add("no wait cursor before", [] { return !WaitCursorShown(); });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  driver_.Add("the write waits at the gate", [&] { return gate.Reached(); });
  driver_.Add("resize while writing", [&] {
    cursor_while_writing = WaitCursorShown();
    Canvas()->installEventFilter(&paints);
    before = paints.Count();
    ProgramScreen()->resize(300, 380);
    return true;
  });
  driver_.Add("repainted while the write waits", [&] { return paints.Count() > before; });
  driver_.Add("open the gate", [&] {
    gate.Open();
    return true;
  });
  AnswerMessageBox(&text, &caption);
  driver_.Add("arrow again", [&] {
    cursor_after = WaitCursorShown();
    Canvas()->removeEventFilter(&paints);
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_FALSE(gate.TimedOut());
  EXPECT_TRUE(cursor_while_writing);
  EXPECT_FALSE(cursor_after);
  EXPECT_TRUE(text.startsWith(QStringLiteral(" We have solved the Bug."))) << text.toStdString();
  EXPECT_TRUE(ReadRegistry().contains("\"Dll\"=\"BTCEIF.DLL\""));
  EXPECT_FALSE(LockExists());
}

TEST_F(BusyWindowTest, CloseDuringAWriteWaitsForItAndLeavesNoLock) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::Rename);
  UseExportFileSystem(&gate);
  bool open_after_close = false;
  bool locked_while_writing = false;
  WaitForActiveScreen();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  driver_.Add("the write waits at the gate", [&] { return gate.Reached(); });
  driver_.Add("close the window", [] {
    ProgramScreen()->close();
    return true;
  });
  driver_.Add("still open; open the gate", [&] {
    open_after_close = ProgramScreen() != nullptr;
    locked_while_writing = LockExists();
    gate.Open();
    return true;
  });
  EXPECT_EQ(RunProgram(), 0) << "the close is made once the write is done, with no box";
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(open_after_close);
  EXPECT_FALSE(gate.TimedOut()) << "the window was gone before the write was let through";
  EXPECT_TRUE(locked_while_writing);
  EXPECT_FALSE(LockExists());
  EXPECT_TRUE(ReadRegistry().contains("\"Dll\"=\"BTCEIF.DLL\"")) << ReadRegistry().toStdString();
}

TEST_F(BusyWindowTest, SlowStartShowsTheWindowReadingThenTheExport) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::OpenRead);
  UseExportFileSystem(&gate);
  std::string reading_text;
  bool cursor_while_reading = false;
  std::string opened_text;
  driver_.Add("window shown while reading", [&] {
    if (ProgramScreen() == nullptr || !gate.Reached()) return false;
    reading_text = DisplayText.CStr();
    cursor_while_reading = WaitCursorShown();
    gate.Open();
    return true;
  });
  driver_.Add("export open", [&] {
    opened_text = DisplayText.CStr();
    return opened_text.rfind("   Registry export: ", 0) == 0 && !WaitCursorShown();
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(reading_text.substr(0, reading_text.find("\r\n")),
            READING_TEXT_HEAD + registry_path_ + "...");
  EXPECT_TRUE(cursor_while_reading);
  EXPECT_EQ(opened_text.substr(0, opened_text.find("\r\n")),
            "   Registry export: " + registry_path_);
}

TEST_F(BusyWindowTest, SlowStartOfAFileThatCannotBeUsedEndsWithStatusOne) {
  WriteRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n");
  GatedFileSystem gate(FileSystem::Step::OpenRead);
  UseExportFileSystem(&gate);
  QString text, caption;
  driver_.Add("window shown while reading", [&] {
    if (ProgramScreen() == nullptr || !gate.Reached()) return false;
    gate.Open();
    return true;
  });
  AnswerMessageBox(&text, &caption);
  EXPECT_EQ(RunProgram(), 1);
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(text.startsWith(QStringLiteral("The registry file cannot be used.\n\n")))
      << text.toStdString();
}

#ifdef QUORVAFIX_SIGNAL_CHILD
TEST_F(BusyWindowTest, TerminationSignalDuringAWindowsWriteRemovesItsLock) {
  WriteRegistry(FAULTY_EXPORT);
  pid_t child = 0;
  const char* argv[] = {QUORVAFIX_SIGNAL_CHILD, registry_path_.c_str(), nullptr};
  ASSERT_EQ(posix_spawn(&child, QUORVAFIX_SIGNAL_CHILD, nullptr, nullptr,
                        const_cast<char* const*>(argv), environ),
            0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_FALSE(LockExists()) << "the lock the write held is removed";
  EXPECT_EQ(ReadRegistry(), QByteArray(FAULTY_EXPORT)) << "the file stays as it was";
}
#endif

}  // namespace
