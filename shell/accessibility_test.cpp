// The whole program on the Qt backend (offscreen) as a screen reader reads it
// through Qt's accessibility layer (QAccessible): the report as a read-only
// text holding all of its text, each character where it was drawn, the
// Tools menu's items with their names and shortcuts, and the texts of the
// message boxes and of the About box.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QTest>

#include "platform/qt/qt_client_view.h"
#include "shell/testing/desktop_test_support.h"

namespace {

constexpr char FAULTY_REGISTRY[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\02]\r\n"
    "\"Name\"=\"COM5:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerial\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n"
    "\"Dll\"=\"QVBTDEV.DLL\"\r\n";

// The first object under root (itself included) with role, or null.
QAccessibleInterface* FindRole(QAccessibleInterface* root, QAccessible::Role role) {
  if (root == nullptr) return nullptr;
  if (root->role() == role) return root;
  for (int i = 0; i < root->childCount(); ++i) {
    if (QAccessibleInterface* found = FindRole(root->child(i), role)) return found;
  }
  return nullptr;
}

// Every text under root (names and values), one per line.
QString AllTexts(QAccessibleInterface* root) {
  if (root == nullptr) return QString();
  QString texts = root->text(QAccessible::Name) + '\n' + root->text(QAccessible::Value) + '\n';
  for (int i = 0; i < root->childCount(); ++i) texts += AllTexts(root->child(i));
  return texts;
}

class AccessibilityTest : public DesktopProgramTest {};

TEST_F(AccessibilityTest, TheReportIsAReadOnlyTextHoldingItsWholeText) {
  // 40 ports: most of the report is out of view, yet all of it is read.
  QByteArray registry = "REGEDIT4\r\n";
  for (int i = 1; i <= 40; ++i) {
    QByteArray n = QByteArray::number(i);
    registry += "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active\\" + n + "]\r\n\"Name\"=\"COM" + n +
                ":\"\r\n\"Key\"=\"Drivers\\\\Port" + n +
                "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Port" + n + "]\r\n\"Dll\"=\"" +
                (i == 40 ? "QVBTDEV.DLL" : "BTCEIF.DLL") + "\"\r\n";
  }
  WriteRegistry(registry);
  QString name, text, value;
  QStringList placed;
  int last_top = -1;
  QAccessible::Role role = QAccessible::NoRole;
  bool read_only = false;
  WaitForActiveScreen();
  Choose(QStringLiteral("Detect QUORVA Bug"));
  driver_.Add("read the report", [&] {
    QAccessibleInterface* report =
        FindRole(QAccessible::queryAccessibleInterface(ProgramScreen()), QAccessible::EditableText);
    if (report == nullptr || report->textInterface() == nullptr) return false;
    text = report->textInterface()->text(0, report->textInterface()->characterCount());
    if (!text.contains(QStringLiteral("COM40:"))) return false;
    // Each line's first character, where it stands and what stands there.
    for (const char* line : {"COM1:", "Dll: BTCEIF.DLL", "COM40:"}) {
      const int offset = int(text.indexOf(QLatin1String(line)));
      const QRect rect = report->textInterface()->characterRect(offset);
      placed << QStringLiteral("%1 %2 %3")
                    .arg(offset)
                    .arg(report->textInterface()->offsetAtPoint(rect.center()))
                    .arg(rect.top() > last_top);
      last_top = rect.top();
    }
    name = report->text(QAccessible::Name);
    value = report->text(QAccessible::Value);
    role = report->role();
    read_only = report->state().readOnly;
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(name, QStringLiteral("Report"));
  EXPECT_EQ(role, QAccessible::EditableText);
  EXPECT_TRUE(read_only);
  EXPECT_TRUE(text.startsWith(QStringLiteral("COM1:\nDll: BTCEIF.DLL\n"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("COM40:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!")))
      << text.toStdString();
  EXPECT_EQ(value, text);
  const int com40 = int(text.indexOf(QStringLiteral("COM40:")));
  EXPECT_EQ(placed, (QStringList{QStringLiteral("0 0 1"), QStringLiteral("6 6 1"),
                                 QStringLiteral("%1 %1 1").arg(com40)}))
      << "offset, offset at its centre, below the line before";
}

TEST_F(AccessibilityTest, MenuItemsHaveTheirNamesAndShortcuts) {
  QStringList items;
  WaitForActiveScreen();
  driver_.Add("open Tools", [] {
    OpenToolsMenu();
    return true;
  });
  driver_.Add("read the menu", [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !menu->isVisible()) return false;
    QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(menu);
    for (int i = 0; popup != nullptr && i < popup->childCount(); ++i) {
      QAccessibleInterface* item = popup->child(i);
      items << item->text(QAccessible::Name) + QStringLiteral(" | ") +
                   item->text(QAccessible::Accelerator);
    }
    menu->close();
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(
      items,
      (QStringList{
          QStringLiteral("About... | Ctrl+A"), QStringLiteral("Open Registry Export... | Ctrl+O"),
          QStringLiteral("Copy Report | Ctrl+C"), QStringLiteral("Detect QUORVA Bug | "),
          QStringLiteral("Fix QUORVA Bluetooth Bug | "), QStringLiteral("Exit | Ctrl+Q")}));
}

TEST_F(AccessibilityTest, MessageBoxesAndTheAboutBoxAreReadWithTheirTexts) {
  WriteRegistry(FAULTY_REGISTRY);
  QString fix_box, about_box;
  WaitForActiveScreen();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  driver_.Add("read the Fix box", [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return false;
    fix_box = AllTexts(QAccessible::queryAccessibleInterface(box));
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_A);
  driver_.Add("read the About box", [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return false;
    about_box = AllTexts(QAccessible::queryAccessibleInterface(dialog));
    QTest::keyClick(dialog, Qt::Key_Return);
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(fix_box.contains(QStringLiteral("We have solved the Bug."))) << fix_box.toStdString();
  EXPECT_TRUE(about_box.contains(QStringLiteral("QUORVAFIX Version 1.0")))
      << about_box.toStdString();
  EXPECT_TRUE(about_box.contains(QStringLiteral("Harbelt TEAM"))) << about_box.toStdString();
}

// Where the keys go is visible: a frame FOCUS_FRAME_WIDTH pixels wide, of a
// colour standing out from both the canvas's white and the window's
// background, frames the report while the window has the keyboard, and goes
// when a box takes it.
TEST_F(AccessibilityTest, KeyboardFocusIsVisibleOnTheReport) {
  QList<QColor> focused, unfocused;
  // The frame's pixels across its width, from the view's top edge down.
  auto frame_pixels = [] {
    QWidget* screen = ProgramScreen();
    auto* view = screen->findChild<ClientView*>();
    const QImage image = screen->grab().toImage();
    QList<QColor> pixels;
    for (int y = 0; y < ClientView::FOCUS_FRAME_WIDTH; ++y) {
      pixels << image.pixelColor(view->mapTo(screen, QPoint(view->width() / 2, y)));
    }
    return pixels;
  };
  WaitForActiveScreen();
  driver_.Add("with the keyboard", [&] {
    if (!ProgramScreen()->hasFocus()) return false;
    focused = frame_pixels();
    return true;
  });
  Press(Qt::Key_A);
  driver_.Add("the About box has it", [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible() || ProgramScreen()->hasFocus()) return false;
    unfocused = frame_pixels();
    QTest::keyClick(dialog, Qt::Key_Return);
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  const QColor window = QApplication::palette().color(QPalette::Window);
  ASSERT_EQ(focused.size(), 2);
  for (const QColor& pixel : focused) {
    EXPECT_EQ(pixel, FocusFrameColour(QApplication::palette())) << pixel.name().toStdString();
    EXPECT_GE(ContrastRatio(pixel, Qt::white), MIN_FOCUS_CONTRAST) << pixel.name().toStdString();
    EXPECT_GE(ContrastRatio(pixel, window), MIN_FOCUS_CONTRAST) << pixel.name().toStdString();
  }
  for (const QColor& pixel : unfocused) EXPECT_EQ(pixel, QColor(Qt::white));
}

// The contrast ratio, pinned by its ends and a known middle.
TEST(FocusFrameColour, ContrastRatioAndAColourTooLightDarkened) {
  EXPECT_DOUBLE_EQ(ContrastRatio(Qt::black, Qt::white), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(Qt::white, Qt::white), 1.0);
  EXPECT_NEAR(ContrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
  QPalette light;
  light.setColor(QPalette::Highlight, QColor(0xa0, 0xd0, 0xff));
  light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
  const QColor darkened = FocusFrameColour(light);
  EXPECT_GE(ContrastRatio(darkened, Qt::white), MIN_FOCUS_CONTRAST);
  EXPECT_GE(ContrastRatio(darkened, light.color(QPalette::Window)), MIN_FOCUS_CONTRAST);
  EXPECT_EQ(darkened.hue(), QColor(0xa0, 0xd0, 0xff).hue()) << "the same colour, darker";
}

}  // namespace
