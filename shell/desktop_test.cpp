// The whole program on the Qt backend (offscreen): the real window, menu,
// keys, message box and About box.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"
#include "shell/display_text.h"
#include "shell/testing/desktop_test_support.h"

namespace {

constexpr char REPAIRED[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able to other applications";
constexpr char NOT_FOUND[] = "We have not find any Bluetooth Bug from QUORVA in this PDA.";

// A handheld with a serial port and the QUORVA driver on the Bluetooth port.
constexpr char FAULTY_REGISTRY[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
    "\"Name\"=\"COM1:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\Serial\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\02]\r\n"
    "\"Name\"=\"COM5:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerial\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Serial]\r\n"
    "\"Dll\"=\"serial_tc.dll\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n"
    "\"Dll\"=\"QVBTDEV.DLL\"\r\n";

constexpr char HEALTHY_REGISTRY[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
    "\"Name\"=\"COM1:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerial\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n"
    "\"Dll\"=\"BTCEIF.DLL\"\r\n";

QByteArray Replaced(const char* text, const char* before, const char* after) {
  return QByteArray(text).replace(before, after);
}

// What a start whose export is refused showed: the box, and the window.
struct RefusalAtStart {
  QString text, caption;
  bool window_seen = false;    // the window was there before the box
  std::string text_under_box;  // the window's text while the box showed
};

class DesktopTest : public DesktopProgramTest {
 protected:
  // Runs the program, answers the box that refuses its export and checks
  // that the program then ends with 1.
  RefusalAtStart RunUntilTheRefusalIsAnswered() {
    RefusalAtStart seen;
    driver_.Add("message box", [&] {
      seen.window_seen = seen.window_seen || ProgramScreen() != nullptr;
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return false;
      seen.text = box->text();
      seen.caption = box->windowTitle();
      seen.text_under_box = DisplayText.CStr();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      return true;
    });
    EXPECT_EQ(RunProgram(), 1);
    EXPECT_TRUE(driver_.Done());
    return seen;
  }
};

TEST_F(DesktopTest, DetectFixAboutAndCtrlQOnAFaultyDevice) {
  WriteRegistry(FAULTY_REGISTRY);
  QImage help, report;
  QString box_text, box_caption;
  QString about_title;
  QStringList about_texts;
  QSize about_icon;
  QRect screen_rect, about_rect;
  QRect strip_rect;

  WaitForActiveScreen();
  driver_.Add("grab the help text", [&] {
    QWidget* screen = ProgramScreen();
    screen_rect = screen->geometry();
    strip_rect = screen->findChild<QWidget*>(QStringLiteral("menu_bar"))->geometry();
    help = screen->grab().toImage();
    help.save(TestPicturePath(QStringLiteral("quorvafix-help.png")));
    return true;
  });
  Choose(QStringLiteral("Detect QUORVA Bug"));
  driver_.Add("report shown", [] {
    return std::string(DisplayText.CStr()).find("BUG DETECTED") != std::string::npos;
  });
  driver_.Add("save the report picture", [&] {
    report = ProgramScreen()->grab().toImage();
    report.save(TestPicturePath(QStringLiteral("quorvafix-report.png")));
    return QApplication::activeModalWidget() == nullptr;  // Detect shows no box
  });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  AnswerMessageBox(&box_text, &box_caption);
  WaitForNoModalBox();
  Press(Qt::Key_A);
  driver_.Add("About box", [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return false;
    about_title = dialog->windowTitle();
    about_rect = dialog->geometry();
    dialog->grab().save(TestPicturePath(QStringLiteral("quorvafix-about.png")));
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->pixmap().isNull()) {
        about_texts << label->text();
      } else {
        about_icon = label->pixmap().size();
      }
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("done")), Qt::LeftButton);
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_Q);

  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());

  EXPECT_EQ(screen_rect.size(), QSize(240, 294));
  EXPECT_EQ(strip_rect, QRect(0, 294 - 26, 240, 26));
  const QRect text_area(0, 0, 240, 294 - 26);
  EXPECT_GT(DarkPixels(help, text_area), 300) << "the help text is drawn";
  EXPECT_GT(DarkPixels(report, text_area), 150) << "the report is drawn";
  EXPECT_NE(help, report);

  EXPECT_EQ(box_caption, QStringLiteral("QUORVAFIX"));
  EXPECT_EQ(box_text, QString::fromLatin1(REPAIRED));
  EXPECT_EQ(ReadRegistry(), Replaced(FAULTY_REGISTRY, "QVBTDEV.DLL", "BTCEIF.DLL"))
      << "only the faulty value changes, in place";
  EXPECT_STREQ(DisplayText.CStr(),
               "COM1:\r\nDll: SERIAL_TC.DLL\r\nCOM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n");

  EXPECT_EQ(about_title, QStringLiteral("About QUORVAFIX"));
  EXPECT_EQ(about_texts, (QStringList{QStringLiteral("QUORVAFIX Version 1.0"),
                                      QStringLiteral("(c) Harbelt TEAM, S.L.")}));
  EXPECT_EQ(about_icon, QSize(32, 32));
  EXPECT_EQ(about_rect.size(), screen_rect.size()) << "the About box covers the screen";
}

TEST_F(DesktopTest, FixOnAHealthyDeviceThenExitFromTheMenu) {
  WriteRegistry(HEALTHY_REGISTRY);
  QString box_text, box_caption;
  WaitForActiveScreen();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  AnswerMessageBox(&box_text, &box_caption);
  WaitForNoModalBox();
  Choose(QStringLiteral("Exit"));
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(box_caption, QStringLiteral("QUORVAFIX"));
  EXPECT_EQ(box_text, QString::fromLatin1(NOT_FOUND));
  EXPECT_STREQ(DisplayText.CStr(), "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!");
  EXPECT_EQ(ReadRegistry(), QByteArray(HEALTHY_REGISTRY));
}

TEST_F(DesktopTest, MissingFileIsRefusedOverTheWindowBeforeAnyScanAndStaysMissing) {
  ASSERT_TRUE(QFile::remove(QString::fromStdString(registry_path_)));
  RefusalAtStart refusal = RunUntilTheRefusalIsAnswered();
  const QString& box_text = refusal.text;
  const QString& box_caption = refusal.caption;
  const bool window_seen = refusal.window_seen;
  const std::string& text_under_box = refusal.text_under_box;
  EXPECT_TRUE(window_seen) << "the window paints before the file is read";
  EXPECT_EQ(text_under_box.rfind("   Reading the registry export ", 0), 0u)
      << "a missing file is no registry: nothing is scanned";
  EXPECT_EQ(box_caption, QStringLiteral("QUORVAFIX"));
  EXPECT_EQ(box_text, QStringLiteral("The registry file cannot be used.\n\n") +
                          QString::fromStdString(registry_path_) +
                          QStringLiteral(": cannot read: No such file or directory"));
  EXPECT_EQ(ReadRegistry(), QByteArray("<missing>"));
}

TEST_F(DesktopTest, UnreadableFileIsReportedOverTheWindowBeforeAnyScanAndFails) {
  registry_path_ = runtime_folder_ + "/pd\xC3\xA1.reg";  // "pdá.reg"
  WriteRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n");
  RefusalAtStart refusal = RunUntilTheRefusalIsAnswered();
  const QString& box_text = refusal.text;
  const QString& box_caption = refusal.caption;
  const bool window_seen = refusal.window_seen;
  const std::string& text_under_box = refusal.text_under_box;
  EXPECT_TRUE(window_seen);
  EXPECT_EQ(text_under_box.rfind("   Reading the registry export ", 0), 0u) << "nothing scanned";
  EXPECT_EQ(box_caption, QStringLiteral("QUORVAFIX"));
  EXPECT_TRUE(box_text.startsWith(QStringLiteral("The registry file cannot be used.\n\n")))
      << box_text.toStdString();
  EXPECT_TRUE(box_text.contains(QString::fromUtf8("pd\xC3\xA1.reg:4: "))) << box_text.toStdString();
}

TEST_F(DesktopTest, ToolsMenuListsTheCommandsInOrder) {
  QStringList items;
  QString button_text;
  WaitForActiveScreen();
  driver_.Add("open Tools", [&] {
    button_text = ToolsButton()->text();
    OpenToolsMenu();
    return true;
  });
  driver_.Add("read the popup", [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !menu->isVisible()) return false;
    for (QAction* action : menu->actions()) {
      QString shortcut = action->shortcut().toString();
      items << (shortcut.isEmpty() ? action->text() : action->text() + '\t' + shortcut);
    }
    menu->close();
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(button_text, QStringLiteral("Tools"));
  // Each item shows its accelerator, where it has one; Copy
  // Report follows Open, and Detect, Fix and Exit stay the last three.
  EXPECT_EQ(
      items,
      (QStringList{QStringLiteral("About...\tCtrl+A"),
                   QStringLiteral("Open Registry Export...\tCtrl+O"),
                   QStringLiteral("Copy Report\tCtrl+C"), QStringLiteral("Detect QUORVA Bug"),
                   QStringLiteral("Fix QUORVA Bluetooth Bug"), QStringLiteral("Exit\tCtrl+Q")}));
}

TEST_F(DesktopTest, AboutBoxTitleBarCloseActsAsItsOkButton) {
  bool closed_by_title_bar = false;
  WaitForActiveScreen();
  Press(Qt::Key_A);
  driver_.Add("close the About box from its title bar", [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return false;
    closed_by_title_bar = dialog->close() || !dialog->isVisible();
    return true;
  });
  WaitForNoModalBox();
  driver_.Add("close the screen from its title bar",
              [] { return ProgramScreen()->close() || true; });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(closed_by_title_bar);
}

TEST_F(DesktopTest, ResizingTheScreenCarriesTheWindowAndTheMenuBar) {
  QRect strip_rect;
  int dark_before = 0, dark_after = 0;
  WaitForActiveScreen();
  driver_.Add("resize", [&] {
    QWidget* screen = ProgramScreen();
    dark_before = DarkPixels(screen->grab().toImage(), screen->rect());
    screen->resize(480, 400);
    return true;
  });
  driver_.Add("read the layout", [&] {
    QWidget* screen = ProgramScreen();
    if (screen->size() != QSize(480, 400)) return false;
    strip_rect = screen->findChild<QWidget*>(QStringLiteral("menu_bar"))->geometry();
    dark_after = DarkPixels(screen->grab().toImage(), screen->rect());
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(strip_rect, QRect(0, 400 - 26, 480, 26));
  EXPECT_GT(dark_after, 300);
  EXPECT_GT(dark_before, 300);
}

}  // namespace
