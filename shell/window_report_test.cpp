// The real window (Qt, offscreen) against a registry file that changes while
// it is open, and with a report longer than the window: every Detect and Fix
// describes the file as it is now, and all of the report can be reached,
// read and copied.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>

#include "platform/qt/qt_client_view.h"
#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"
#include "shell/display_text.h"
#include "shell/export_commands.h"
#include "shell/testing/desktop_test_support.h"

namespace {

constexpr char REPAIRED[] = " We have solved the Bug.";
constexpr char NOT_FOUND[] = "We have not find any Bluetooth Bug from QUORVA in this PDA.";

// COM1 .. COM<count>; the driver of each port in faulty gets "QVBTDEV.DLL",
// every other one "BTCEIF.DLL" unless dll names it.
QByteArray Registry(int count, std::initializer_list<int> faulty, const char* dll = "BTCEIF.DLL") {
  QByteArray text = "REGEDIT4\r\n";
  for (int i = 1; i <= count; ++i) {
    QByteArray n = QByteArray::number(i);
    text += "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active\\" + n + "]\r\n\"Name\"=\"COM" + n +
            ":\"\r\n\"Key\"=\"Drivers\\\\BuiltIn\\\\Port" + n + "\"\r\n";
  }
  for (int i = 1; i <= count; ++i) {
    bool bad = std::find(faulty.begin(), faulty.end(), i) != faulty.end();
    text += "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Port" + QByteArray::number(i) +
            "]\r\n\"Dll\"=\"" + (bad ? QByteArray("QVBTDEV.DLL") : QByteArray(dll)) + "\"\r\n";
  }
  return text;
}

class WindowReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_folder_ = UsePrivateRuntimeFolder();
    platform_ = std::make_unique<QtPlatform>(argc_, argv_);
    path_ = QString::fromStdString(runtime_folder_ + "/pda.reg");
    DisplayText.Assign(HelpText);
  }
  void TearDown() override {
    platform_.reset();
    RemoveFolder(runtime_folder_);
  }

  void Write(const QByteArray& text) {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray Read() {
    QFile file(path_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  static std::string Shown() { return DisplayText.CStr(); }
  static ClientView* View() { return ProgramScreen()->findChild<ClientView*>(); }

  void Step(const std::string& name, std::function<bool()> step) { driver_.Add(name, step); }
  // The window shown and active, and its export read: what the file holds
  // from then on is another program's change.
  void Start() {
    Step("screen shown and active", [] {
      QWidget* screen = ProgramScreen();
      if (screen == nullptr) return false;
      screen->activateWindow();
      return QTest::qWaitForWindowActive(screen, 1000);
    });
    Step("export read", [] { return Shown().rfind("   Registry export: ", 0) == 0; });
  }
  void Choose(const QString& item) {
    Step("open Tools", [] {
      OpenToolsMenu();
      return true;
    });
    Step("choose " + item.toStdString(), [item] { return ChooseMenuItem(item); });
  }
  // Reads the message box into *text, then presses its OK button.
  void Answer(QString* text) {
    Step("message box", [text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return false;
      *text = box->text();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      return true;
    });
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Step("key " + QKeySequence(key | modifiers).toString().toStdString(), [key, modifiers] {
      QTest::keyClick(ProgramScreen(), key, modifiers);
      return true;
    });
  }
  int Run() {
    Key(Qt::Key_Q, Qt::ControlModifier);
    driver_.Start();
    std::string path = path_.toStdString();
    const char* argv[] = {"quorvafix", path.c_str(), nullptr};
    return RunQuorvafix(2, argv);
  }

  int argc_ = 1;
  char program_[10] = "quorvafix";
  char* argv_[2] = {program_, nullptr};
  std::string runtime_folder_;
  std::unique_ptr<QtPlatform> platform_;
  QString path_;
  StepDriver driver_;
};

// Faulty when the window opened, repaired by another program before Fix:
// nothing is written over the new value and nothing is reported fixed.
TEST_F(WindowReportTest, FixAfterTheFileWasRepairedElsewhereKeepsItsValue) {
  Write(Registry(2, {2}));
  const QByteArray outside = Registry(2, {}, "mybtdrv.dll");
  QString box;
  Start();
  Step("another program repairs the file", [&] {
    Write(outside);
    return true;
  });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  Answer(&box);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(box.toStdString(), NOT_FOUND);
  EXPECT_EQ(Read(), outside);
  EXPECT_EQ(Shown().find("FIXED"), std::string::npos) << Shown();
  EXPECT_NE(Shown().find("Dll: MYBTDRV.DLL"), std::string::npos) << Shown();
}

// Healthy when the window opened, made faulty before Detect and again before
// Fix: Detect marks it, Fix repairs it on disk.
TEST_F(WindowReportTest, DetectAndFixSeeAFileMadeFaultyElsewhere) {
  Write(Registry(2, {}));
  std::string detected;
  QString box;
  Start();
  Step("another program breaks the file", [&] {
    Write(Registry(2, {1}));
    return true;
  });
  Choose(QStringLiteral("Detect QUORVA Bug"));
  Step("report", [&] {
    detected = Shown();
    return detected.find("COM2:") != std::string::npos;
  });
  Step("broken again", [&] {
    Write(Registry(2, {2}));
    return true;
  });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  Answer(&box);
  EXPECT_EQ(Run(), 0);
  EXPECT_NE(detected.find("QVBTDEV.DLL <<<< BUG DETECTED HERE!"), std::string::npos) << detected;
  EXPECT_EQ(detected.find("All OK"), std::string::npos) << detected;
  EXPECT_EQ(box.toStdString().rfind(REPAIRED, 0), 0u) << box.toStdString();
  EXPECT_EQ(Read(), Registry(2, {}));
}

// A file gone since start is reported, never scanned as an empty registry.
TEST_F(WindowReportTest, VanishedFileIsReportedAndNotScanned) {
  Write(Registry(1, {1}));
  QString box;
  Start();
  Step("the file goes", [&] { return QFile::remove(path_); });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  Answer(&box);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(box.startsWith(QStringLiteral("The registry file cannot be read now")))
      << box.toStdString();
  EXPECT_TRUE(box.endsWith(QStringLiteral("pda.reg: cannot read: No such file or directory")))
      << box.toStdString();
  EXPECT_EQ(Shown(), "   Registry export: " + path_.toStdString() +
                         "\r\n\r\n   It cannot be read now, so nothing was examined or changed: " +
                         path_.toStdString() + ": cannot read: No such file or directory");
  EXPECT_EQ(Read(), QByteArray("<missing>"));
}

// 60 ports, the last one faulty: after Fix its FIXED mark is reachable by
// End, PageUp/PageDown and the wheel move the report, Ctrl+C copies it all.
TEST_F(WindowReportTest, LongReportScrollsAndCopies) {
  Write(Registry(60, {60}));
  QString box;
  int page_down = -1, end = -1, maximum = -1, home = -1, wheel = -1;
  int canvas_height = 0, viewport_height = 0;
  QString copied;
  Start();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  Answer(&box);
  Step("scroll bar", [&] { return View()->verticalScrollBar()->maximum() > 0; });
  Key(Qt::Key_PageDown);
  Step("page down", [&] {
    page_down = View()->verticalScrollBar()->value();
    return true;
  });
  Key(Qt::Key_End);
  Step("end", [&] {
    QScrollBar* bar = View()->verticalScrollBar();
    end = bar->value();
    maximum = bar->maximum();
    canvas_height = View()->Canvas()->height();
    viewport_height = View()->viewport()->height();
    ProgramScreen()->grab().save(TestPicturePath(QStringLiteral("quorvafix-long-report-end.png")));
    return true;
  });
  Key(Qt::Key_Home);
  Step("home, then the wheel", [&] {
    home = View()->verticalScrollBar()->value();
    QPoint at = View()->viewport()->rect().center();
    QWheelEvent event(at, View()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View()->viewport(), &event);
    wheel = View()->verticalScrollBar()->value();
    return true;
  });
  Key(Qt::Key_C, Qt::ControlModifier);
  Step("clipboard", [&] {
    copied = QApplication::clipboard()->text();
    return true;
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_GT(page_down, 0);
  EXPECT_EQ(end, maximum);
  EXPECT_EQ(home, 0);
  EXPECT_GT(wheel, 0);
  // The canvas holds the whole report: its end is within reach.
  EXPECT_EQ(maximum, canvas_height - viewport_height);
  QString report =
      QString::fromLatin1(DisplayText.CStr()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_TRUE(report.contains(QStringLiteral("COM60:\nDll: QVBTDEV.DLL  FIXED!\n")))
      << report.toStdString();
  EXPECT_EQ(copied, report);
}

// With the end of a long report in view, the text of a file handed over
// starts at its top, where it names the file; so does the title, and the
// scroll bar ends above the Tools bar, its lower arrow in view.
TEST_F(WindowReportTest, NewTextStartsAtTheTopUnderATitleNamingTheFile) {
  Write(Registry(60, {60}));
  const std::string other = runtime_folder_ + "/other.reg";
  QFile::copy(path_, QString::fromStdString(other));
  QString title;
  int before = -1, after = -1, bar_bottom = -1, strip_top = -1;
  Start();
  Choose(QStringLiteral("Detect QUORVA Bug"));
  Step("scroll bar", [&] { return View()->verticalScrollBar()->maximum() > 0; });
  Key(Qt::Key_End);
  Step("at the end, hand over another file", [&] {
    QScrollBar* bar = View()->verticalScrollBar();
    before = bar->value();
    bar_bottom = bar->mapTo(ProgramScreen(), QPoint(0, bar->height())).y();
    strip_top = ToolsButton()->parentWidget()->geometry().top();
    std::u16string path(other.begin(), other.end());
    CopyData data{COPYDATA_OPEN_EXPORT, static_cast<uint32_t>(path.size() * 2), path.data()};
    SendMessage(FindWindow(u"QUORVAFIX", nullptr), WM_COPYDATA, 0,
                reinterpret_cast<LongParam>(&data));
    return true;
  });
  Step("its text painted", [&] {
    return View()->DrawnText().contains(QString::fromStdString("Registry export: " + other));
  });
  Step("where it starts", [&] {
    after = View()->verticalScrollBar()->value();
    title = ProgramScreen()->windowTitle();
    return true;
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_GT(before, 0);
  EXPECT_EQ(after, 0) << "the new text opens at its first line";
  EXPECT_EQ(title, QStringLiteral("other.reg - QUORVAFIX"));
  EXPECT_LE(bar_bottom, strip_top) << "the scroll bar's lower end is not under the Tools bar";
}

TEST_F(WindowReportTest, F10AltAndTabOpenTheToolsMenuOnItsFirstItem) {
  Write(Registry(1, {}));
  QString by_f10, by_alt, by_tab, by_backtab;
  auto popup_open = [](QString* selected) {
    return [selected] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      // The first item is selected once the menu shows.
      if (menu == nullptr || !menu->isVisible() || menu->activeAction() == nullptr) return false;
      *selected = menu->activeAction()->text();
      menu->close();
      return true;
    };
  };
  Start();
  Key(Qt::Key_F10);
  Step("menu by F10", popup_open(&by_f10));
  Step("Alt alone", [] {
    QTest::keyPress(ProgramScreen(), Qt::Key_Alt);
    QTest::keyRelease(ProgramScreen(), Qt::Key_Alt);
    return true;
  });
  Step("menu by Alt", popup_open(&by_alt));
  Key(Qt::Key_Tab);
  Step("menu by Tab", popup_open(&by_tab));
  Step("Shift+Tab", [] {
    QTest::keyClick(ProgramScreen(), Qt::Key_Backtab, Qt::ShiftModifier);
    return true;
  });
  Step("menu by Shift+Tab", popup_open(&by_backtab));
  EXPECT_EQ(Run(), 0);
  for (const QString& selected : {by_f10, by_alt, by_tab, by_backtab}) {
    EXPECT_EQ(selected, QStringLiteral("About...")) << selected.toStdString();
  }
}

// A drag held still below the view keeps scrolling and selecting, to the
// report's end (the selection as X's PRIMARY one: atspi_test's drag).
TEST_F(WindowReportTest, ADragHeldBelowTheViewScrollsOnAndSelectsToTheEnd) {
  Write(Registry(40, {40}));
  QString selected;
  auto mouse = [](QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
    QWidget* canvas = View()->Canvas();
    QMouseEvent event(type, at, canvas->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
  };
  Start();
  Choose(QStringLiteral("Detect QUORVA Bug"));
  Step("the report", [] { return View()->DrawnText().contains(QStringLiteral("COM40:")); });
  Step("press at the start, move below the view", [&] {
    mouse(QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton);
    const QWidget* viewport = View()->viewport();
    mouse(QEvent::MouseMove,
          View()->Canvas()->mapFrom(viewport, QPoint(20, viewport->height() + 10)), Qt::LeftButton);
    return true;
  });
  Step("scrolled to the end, held still", [] {
    const QScrollBar* bar = View()->verticalScrollBar();
    return bar->maximum() > 0 && bar->value() == bar->maximum();
  });
  Step("release", [&] {
    selected = View()->SelectedText();
    mouse(QEvent::MouseButtonRelease, QPoint(20, 20), Qt::NoButton);
    return true;
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(selected.startsWith(QStringLiteral("COM1:\nDll: BTCEIF.DLL\nCOM2:")))
      << selected.toStdString();
  EXPECT_TRUE(
      selected.endsWith(QStringLiteral("COM40:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n")))
      << selected.toStdString();
}

// A word wider than the box is broken inside rather than cut at the edge.
TEST_F(WindowReportTest, DrawWrappedTextBreaksAWordTooLongForALine) {
  QImage image(100, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  int one_line = DrawWrappedText(painter, QRect(0, 0, 100, 200), QStringLiteral("x"), true);
  int long_word =
      DrawWrappedText(painter, QRect(0, 0, 100, 200), QString(60, QLatin1Char('W')), true);
  int unbroken =
      DrawWrappedText(painter, QRect(0, 0, 100, 200), QString(60, QLatin1Char('W')), false);
  int two_lines = DrawWrappedText(painter, QRect(0, 0, 100, 200), QStringLiteral("a\nb"), true);
  painter.end();
  EXPECT_GT(one_line, 0);
  EXPECT_GE(long_word, 3 * one_line);
  EXPECT_EQ(unbroken, one_line);
  EXPECT_EQ(two_lines, 2 * one_line);
  EXPECT_GT(DarkPixels(image, QRect(0, 2 * one_line, 100, one_line)), 0);
}

}  // namespace
