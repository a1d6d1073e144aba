// Selecting the painted report with the mouse, on the real window (Qt,
// offscreen) with synthesized mouse events: a drag selects the characters
// between its ends (to the end of the text from below it), the selection is painted in the
// highlight colour, Ctrl+C copies it (the whole report once a click has dropped it, or new text has
// replaced it), and the report's accessible text object gives the selection
// and takes one.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QFontMetrics>
#include <QMouseEvent>
#include <string>

#include "platform/qt/qt_client_view.h"
#include "platform/registry/testing/registry_testing.h"
#include "shell/main_window.h"
#include "shell/testing/desktop_test_support.h"

namespace {

constexpr char REPORT[] = "COM5:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n";
constexpr char FIXED[] = "COM5:\nDll: QVBTDEV.DLL  FIXED!\n";

class ReportSelectionTest : public DesktopProgramTest {
 protected:
  static ClientView* View() { return ProgramScreen()->findChild<ClientView*>(); }
  static QWidget* Canvas() { return View()->Canvas(); }
  // The canvas point before the first character of prefix's end on line
  // (0-based) of the report, found from the canvas font's own measures.
  static QPoint At(int line, const QString& prefix) {
    const QFontMetrics metrics(Canvas()->font());
    return QPoint(TEXT_MARGIN + metrics.horizontalAdvance(prefix),
                  TEXT_MARGIN + metrics.height() * line + metrics.height() / 2);
  }
  static void Mouse(QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, Canvas()->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &event);
  }
  // A drag with the left button from the end of one prefix on line to the
  // end of another on to_line, moving through a point halfway.
  void Drag(int line, const QString& from_prefix, const QString& to_prefix, int to_line = -1) {
    driver_.Add("drag", [=] {
      const QPoint from = At(line, from_prefix), to = At(to_line < 0 ? line : to_line, to_prefix);
      Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
      Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
      Mouse(QEvent::MouseMove, to, Qt::LeftButton);
      Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
      return true;
    });
  }
  void Click(int line, const QString& prefix) {
    driver_.Add("click", [=] {
      const QPoint at = At(line, prefix);
      Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
      Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
      return true;
    });
  }
  // Ctrl+C, then the clipboard's text into *copied.
  void Copy(QString* copied) {
    Press(Qt::Key_C);
    driver_.Add("clipboard", [copied] {
      *copied = QApplication::clipboard()->text();
      return true;
    });
  }
  void Shows(const char* report) {
    driver_.Add(std::string("report ") + report, [report] {
      return View() != nullptr && View()->DrawnText() == QLatin1String(report);
    });
  }
  // Pixels of the palette's highlight colour on line (0-based) of the report.
  static int Highlighted(int line) {
    const QImage image = Canvas()->grab().toImage();
    const QRgb highlight = QGuiApplication::palette().color(QPalette::Highlight).rgb();
    const QFontMetrics metrics(Canvas()->font());
    int count = 0;
    for (int y = TEXT_MARGIN + metrics.height() * line;
         y < TEXT_MARGIN + metrics.height() * (line + 1) && y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == highlight;
    }
    return count;
  }
};

TEST_F(ReportSelectionTest, DragSelectsPaintsCopiesAndIsReadThroughAccessibility) {
  WriteRegistry(FAULTY_EXPORT);
  QString selected, selected_to_below, copied, copied_after_click, copied_after_fix, box, caption;
  int highlighted_before = -1, highlighted_line = -1, highlighted_other = -1;
  int count = -1, start = -1, end = -1, count_after_click = -1;
  QString set_through_accessibility;
  WaitForActiveScreen();
  Choose(QStringLiteral("Detect QUORVA Bug"));
  Shows(REPORT);
  driver_.Add("before any selection", [&] {
    highlighted_before = Highlighted(1);
    return true;
  });
  // "QVBTDEV.DLL" on the second line, from the left of its Q to the right of
  // its last L.
  Drag(1, QStringLiteral("Dll: "), QStringLiteral("Dll: QVBTDEV.DLL"));
  driver_.Add("selection painted and given", [&] {
    selected = View()->SelectedText();
    highlighted_line = Highlighted(1);
    highlighted_other = Highlighted(0);
    QAccessibleTextInterface* text =
        QAccessible::queryAccessibleInterface(Canvas())->textInterface();
    count = text->selectionCount();
    text->selection(0, &start, &end);
    Canvas()->grab().save(TestPicturePath(QStringLiteral("quorvafix-report-selection.png")));
    return true;
  });
  Copy(&copied);
  // From the same point to below the text: the rest of the report.
  Drag(1, QStringLiteral("Dll: "), QString(), 4);
  driver_.Add("selection to below the text", [&] {
    selected_to_below = View()->SelectedText();
    return true;
  });
  Click(0, QStringLiteral("CO"));
  Copy(&copied_after_click);
  driver_.Add("after the click", [&] {
    count_after_click =
        QAccessible::queryAccessibleInterface(Canvas())->textInterface()->selectionCount();
    QAccessible::queryAccessibleInterface(Canvas())->textInterface()->setSelection(0, 0, 4);
    set_through_accessibility = View()->SelectedText();
    return true;
  });
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  AnswerMessageBox(&box, &caption);
  Shows(FIXED);
  Copy(&copied_after_fix);
  driver_.Add("quit", [] {
    QTest::keyClick(ProgramScreen(), Qt::Key_Q, Qt::ControlModifier);
    return true;
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(selected.toStdString(), "QVBTDEV.DLL");
  EXPECT_EQ(copied.toStdString(), "QVBTDEV.DLL") << "Ctrl+C copies the selection";
  EXPECT_EQ(selected_to_below.toStdString(), "QVBTDEV.DLL <<<< BUG DETECTED HERE!\n");
  EXPECT_EQ(count, 1);
  const int offset = QString::fromLatin1(REPORT).indexOf(QStringLiteral("QVBTDEV"));
  EXPECT_EQ(start, offset);
  EXPECT_EQ(end, offset + 11);
  EXPECT_EQ(highlighted_before, 0);
  EXPECT_GT(highlighted_line, 0) << "the selection is painted";
  EXPECT_EQ(highlighted_other, 0) << "and only where it is";
  EXPECT_EQ(count_after_click, 0) << "a click drops the selection";
  EXPECT_EQ(copied_after_click.toStdString(), REPORT) << "then the whole report is copied";
  EXPECT_EQ(set_through_accessibility.toStdString(), "COM5");
  EXPECT_EQ(copied_after_fix.toStdString(), FIXED) << "new text drops the selection";
}

}  // namespace
