// The real window (Qt, offscreen) while long work runs: a Fix whose write is
// held at a gate shows the wait cursor and repaints a resize, a close during
// the write waits for it and leaves no lock, a slow start shows the window
// with the reading text first, the start export is read only once the window
// has painted (a Detect chosen meanwhile reports on it, a refusal comes
// before any scan), and a termination signal during a write removes the
// program's lock (a child process running the program).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCursor>
#include <QEvent>
#include <QScrollArea>
#include <atomic>
#include <string>

#include "platform/qt/qt_client_view.h"
#include "platform/registry/testing/registry_testing.h"
#include "shell/export_commands.h"
#include "shell/main_window.h"
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

// Notes, at the first paint of the window's canvas, whether the gate had
// been reached then, that is whether the export's read had begun.
class FirstPaintWatch : public QObject {
 public:
  explicit FirstPaintWatch(const GatedFileSystem& gate) : gate_(gate) {}
  bool Painted() const { return painted_; }
  bool ReadBegunAtFirstPaint() const { return read_begun_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const GatedFileSystem& gate_;
  bool painted_ = false;
  bool read_begun_ = false;
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

bool FirstPaintWatch::eventFilter(QObject* watched, QEvent* event) {
  if (!painted_ && event->type() == QEvent::Paint && watched == Canvas()) {
    painted_ = true;
    read_begun_ = gate_.Reached();
  }
  return false;
}

class BusyWindowTest : public DesktopProgramTest {
 protected:
  void TearDown() override {
    Shell().registry.file_system = nullptr;
    DesktopProgramTest::TearDown();
  }
  // Chooses Detect while gate holds the start export's read, then lets it go.
  void DetectWhileTheReadIsHeld(GatedFileSystem& gate) {
    driver_.Add("the read is held", [&gate] { return gate.Reached(); });
    Choose(QStringLiteral("Detect QUORVA Bug"));
    driver_.Add("open the gate", [&gate] {
      gate.Open();
      return true;
    });
  }
  bool LockExists() const {
    return QFile::exists(QString::fromStdString(registry_path_ + ".lock"));
  }
};

TEST_F(BusyWindowTest, SlowFixShowsTheWaitCursorAndRepaintsAResize) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::Rename);
  Shell().registry.file_system = &gate;
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
  Shell().registry.file_system = &gate;
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
  Shell().registry.file_system = &gate;
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
  Shell().registry.file_system = &gate;
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

TEST_F(BusyWindowTest, WindowPaintsBeforeItsExportIsRead) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::OpenRead);
  Shell().registry.file_system = &gate;
  FirstPaintWatch watch(gate);
  QApplication::instance()->installEventFilter(&watch);
  QString painted_while_reading;
  bool cursor_while_reading = false;
  driver_.Add("the read begins after the first paint", [&] {
    if (!watch.Painted() || !gate.Reached()) return false;
    auto* view = ProgramScreen()->findChild<ClientView*>();
    painted_while_reading = view == nullptr ? QString() : view->DrawnText();
    cursor_while_reading = WaitCursorShown();
    gate.Open();
    return true;
  });
  driver_.Add("export open",
              [] { return std::string(DisplayText.CStr()).rfind("   Registry export: ", 0) == 0; });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  QApplication::instance()->removeEventFilter(&watch);
  EXPECT_TRUE(driver_.Done());
  EXPECT_FALSE(gate.TimedOut());
  EXPECT_FALSE(watch.ReadBegunAtFirstPaint()) << "the window waited for the file";
  EXPECT_TRUE(painted_while_reading.startsWith(
      QString::fromStdString(READING_TEXT_HEAD + registry_path_ + "...")))
      << painted_while_reading.toStdString();
  EXPECT_TRUE(cursor_while_reading);
}

TEST_F(BusyWindowTest, DetectChosenWhileTheStartExportIsReadReportsOnIt) {
  WriteRegistry(FAULTY_EXPORT);
  GatedFileSystem gate(FileSystem::Step::OpenRead);
  Shell().registry.file_system = &gate;
  std::string report;
  bool box_shown = false;
  WaitForActiveScreen();
  DetectWhileTheReadIsHeld(gate);
  driver_.Add("the report of the file read", [&] {
    box_shown = box_shown || QApplication::activeModalWidget() != nullptr;
    report = DisplayText.CStr();
    return report.rfind("COM5:", 0) == 0 && !WaitCursorShown();
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_FALSE(gate.TimedOut());
  EXPECT_EQ(report, "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_FALSE(box_shown) << "Detect shows no box, and an export was open for it";
  EXPECT_EQ(ReadRegistry(), QByteArray(FAULTY_EXPORT));
}

TEST_F(BusyWindowTest, RefusedStartExportIsToldBeforeAnyScanItsDetectDropped) {
  WriteRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n");
  GatedFileSystem gate(FileSystem::Step::OpenRead);
  Shell().registry.file_system = &gate;
  QString text, caption;
  std::string text_under_box;
  WaitForActiveScreen();
  DetectWhileTheReadIsHeld(gate);
  driver_.Add("the window's text under the box", [&] {
    if (QApplication::activeModalWidget() == nullptr) return false;
    text_under_box = DisplayText.CStr();
    return true;
  });
  AnswerMessageBox(&text, &caption);
  EXPECT_EQ(RunProgram(), 1);
  EXPECT_TRUE(driver_.Done());
  EXPECT_FALSE(gate.TimedOut());
  EXPECT_EQ(caption, QStringLiteral("QUORVAFIX"));
  EXPECT_TRUE(text.startsWith(QStringLiteral("The registry file cannot be used.\n\n")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromStdString(registry_path_ + ":4: "))) << text.toStdString();
  EXPECT_EQ(text_under_box.rfind(READING_TEXT_HEAD, 0), 0u) << "nothing scanned";
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
