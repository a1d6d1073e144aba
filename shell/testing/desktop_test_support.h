// Test support for the program on the Qt backend under the offscreen
// platform: a private runtime and temporary folder for each test process, the
// platform object, a fixture that runs the program, and a step driver that acts on the real widgets
// while the program runs its own loop and modal boxes (a timer polls; each step returns true when
// it is done). A step stuck past the deadline ends the process with a message naming it, so a
// broken build fails instead of hanging.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"
#include "shell/display_text.h"

// Makes a fresh 0700 folder, points XDG_RUNTIME_DIR and TMPDIR at it and
// XDG_CONFIG_HOME and XDG_DATA_HOME at its "config" and "data" (so that no
// setting or registry of the user's is read or written), and returns it; the
// caller removes it (RemoveFolder) when done.
std::string UsePrivateRuntimeFolder();
void RemoveFolder(const std::string& folder);

class StepDriver {
 public:
  void Add(const std::string& name, std::function<bool()> step);
  // Starts polling every 20 ms; all steps must be done within deadline_ms.
  void Start(int deadline_ms = 30000);
  bool Done() const { return steps_.empty(); }

 private:
  void Tick();

  std::deque<std::pair<std::string, std::function<bool()>>> steps_;
  QTimer timer_;
  QElapsedTimer clock_;
  int deadline_ms_ = 0;
};

// The visible screen widget titled "QUORVAFIX" or "FILE - QUORVAFIX", or null.
QWidget* ProgramScreen();
// Where a test leaves a picture of the window for a person to look at: name
// inside a folder of the build tree (made when missing), never the folder
// the tests run from.
QString TestPicturePath(const QString& name);
// The menu bar's "Tools" button on the screen, or null.
QToolButton* ToolsButton();
// Opens the Tools popup later, from the event loop (its own modal loop must
// not run inside a step).
void OpenToolsMenu();
// Clicks the item with text in the open popup; false while none is open.
bool ChooseMenuItem(const QString& text);
// Number of pixels darker than mid-grey inside area of image.
int DarkPixels(const QImage& image, const QRect& area);

// Runs the whole program in this process on a private runtime folder, with
// steps acting on its widgets; registry_path_ is the file it is given (an
// empty registry until the test writes it).
class DesktopProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_folder_ = UsePrivateRuntimeFolder();
    platform_ = std::make_unique<QtPlatform>(argc_, argv_);
    registry_path_ = runtime_folder_ + "/pda.reg";
    WriteRegistry("REGEDIT4\r\n");
    DisplayText.Assign(HelpText);
  }
  void TearDown() override {
    platform_.reset();
    RemoveFolder(runtime_folder_);
  }

  void WriteRegistry(const QByteArray& text) {
    QFile file(QString::fromStdString(registry_path_));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray ReadRegistry() {
    QFile file(QString::fromStdString(registry_path_));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  // Steps shared by the scenarios.
  void WaitForActiveScreen() {
    driver_.Add("screen shown and active", [] {
      QWidget* screen = ProgramScreen();
      if (screen == nullptr) return false;
      screen->activateWindow();
      return QTest::qWaitForWindowActive(screen, 1000);
    });
  }
  void Choose(const QString& item) {
    driver_.Add("open Tools", [] {
      OpenToolsMenu();
      return true;
    });
    driver_.Add("choose " + item.toStdString(), [item] { return ChooseMenuItem(item); });
  }
  void Press(Qt::Key key) {
    driver_.Add("press Ctrl+" + QKeySequence(key).toString().toStdString(), [key] {
      QTest::keyClick(ProgramScreen(), key, Qt::ControlModifier);
      return true;
    });
  }
  // Reads the message box, then presses its OK button.
  void AnswerMessageBox(QString* text, QString* caption) {
    driver_.Add("message box", [text, caption] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return false;
      *text = box->text();
      *caption = box->windowTitle();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      return true;
    });
  }
  void WaitForNoModalBox() {
    driver_.Add("no modal box", [] { return QApplication::activeModalWidget() == nullptr; });
  }

  // Runs `quorvafix REGISTRY_FILE` while the driver's steps act.
  int RunProgram() {
    driver_.Start();
    const char* argv[] = {"quorvafix", registry_path_.c_str(), nullptr};
    return RunQuorvafix(2, argv);
  }
  // Runs `quorvafix` without an argument while the driver's steps act.
  int RunProgramWithoutFile() {
    driver_.Start();
    const char* argv[] = {"quorvafix", nullptr};
    return RunQuorvafix(1, argv);
  }

  int argc_ = 1;
  char program_[10] = "quorvafix";
  char* argv_[2] = {program_, nullptr};
  std::string runtime_folder_;
  std::unique_ptr<QtPlatform> platform_;
  std::string registry_path_;
  StepDriver driver_;
};
