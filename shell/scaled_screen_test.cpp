// The whole program (offscreen) on a small screen at QT_SCALE_FACTOR=2:
// the Open dialog fits the screen's work area, its Open and Cancel buttons
// in reach.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>

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

}  // namespace
