// The whole program (offscreen) on a small screen at QT_SCALE_FACTOR=2:
// the Open dialog fits the screen's work area, its Open and Cancel buttons
// in reach; a message box stands over its window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <string>

#include "platform/registry/testing/registry_testing.h"
#include "shell/testing/desktop_test_support.h"

namespace {

class ScaledScreenTest : public DesktopProgramTest {};

TEST_F(ScaledScreenTest, OpenDialogFitsTheScreen) {
  QRect room, dialog_rect;
  QList<QRect> buttons;
  WaitForActiveScreen();
  Press(Qt::Key_O);
  driver_.Add("the Open dialog", [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return false;
    room = dialog->screen()->availableGeometry();
    dialog_rect = dialog->frameGeometry();
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
      if (button->isVisible()) buttons << QRect(button->mapToGlobal(QPoint()), button->size());
    }
    dialog->reject();
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(room.contains(dialog_rect))
      << "dialog " << dialog_rect.width() << "x" << dialog_rect.height() << "+" << dialog_rect.x()
      << "+" << dialog_rect.y() << " on " << room.width() << "x" << room.height();
  ASSERT_GE(buttons.size(), 2) << "Open and Cancel";
  for (const QRect& button : buttons) EXPECT_TRUE(room.contains(button));
}

// A message box stands over the window it belongs to, inside the screen.
TEST_F(ScaledScreenTest, MessageBoxesStandOverTheirWindow) {
  WriteRegistry(FAULTY_EXPORT);
  QRect room, window_rect, box_rect;
  WaitForActiveScreen();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  driver_.Add("the Fix box", [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return false;
    room = box->screen()->availableGeometry();
    window_rect = ProgramScreen()->frameGeometry();
    box_rect = box->frameGeometry();
    box->accept();
    return true;
  });
  WaitForNoModalBox();
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  const auto text = [](const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" +
           std::to_string(r.x()) + "+" + std::to_string(r.y());
  };
  EXPECT_TRUE(room.contains(box_rect)) << text(box_rect) << " on " << text(room);
  EXPECT_TRUE(box_rect.contains(window_rect.center()))
      << "box " << text(box_rect) << ", window " << text(window_rect) << " on " << text(room);
  EXPECT_LE(std::abs(box_rect.center().y() - window_rect.center().y()), 1) << text(box_rect);
}

}  // namespace
