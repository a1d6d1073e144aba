// QtWindowManager's keyboard: what the screen's keys do before any reaches
// the program, and the program's icon for boxes without an owner.
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "platform/qt/qt_template_dialog.h"
#include "platform/qt/qt_window_manager.h"

void QtWindowManager::KeyPressed(int key, Qt::KeyboardModifiers modifiers, bool repeated) {
  alt_alone_ = key == Qt::Key_Alt && !repeated;
  WindowHandle window = PrimaryWindow();
  if (window == 0) return;
  ClientView* view = natives_[window].widget;
  const bool tab = (key == Qt::Key_Tab && modifiers == Qt::NoModifier) ||
                   (key == Qt::Key_Backtab && modifiers == Qt::ShiftModifier);
  if ((key == Qt::Key_F10 && modifiers == Qt::NoModifier) || tab) {
    OpenMenuBar();
    return;
  }
  if (view != nullptr && modifiers == Qt::NoModifier && view->ScrollForKey(key)) return;
  bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
  bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
  if (!(letter || digit)) return;
  LongParam held = 0;
  if (modifiers & Qt::ControlModifier) held |= MOD_CONTROL;
  if (modifiers & Qt::ShiftModifier) held |= MOD_SHIFT;
  if (modifiers & Qt::AltModifier) held |= MOD_ALT;
  // Qt's letter and digit keys carry their ASCII codes, the virtual keys.
  PostMessage(window, WM_KEYDOWN, static_cast<WordParam>(key), held);
}

void QtWindowManager::KeyReleased(int key) {
  bool open = key == Qt::Key_Alt && alt_alone_;
  alt_alone_ = false;
  if (open) OpenMenuBar();
}

void QtWindowManager::OpenMenuBar() {
  for (auto& [handle, strip] : menu_bars_) {
    if (!strip || !strip->isVisible()) continue;
    for (QToolButton* button : strip->findChildren<QToolButton*>()) {
      QMenu* menu = button->menu();
      if (menu == nullptr || !button->isEnabled()) continue;
      // Opened from the keyboard, the menu starts on its first item, as
      // desktop menus do, so that screen readers have an item to read: once
      // it shows, since they take a menu's window for new only then.
      QObject::connect(
          menu, &QMenu::aboutToShow, menu,
          [menu] {
            QTimer::singleShot(0, menu, [menu] {
              if (!menu->isVisible() || menu->activeAction() != nullptr) return;
              for (QAction* action : menu->actions()) {
                if (action->isSeparator() || !action->isEnabled() || !action->isVisible()) continue;
                menu->setActiveAction(action);
                return;
              }
            });
          },
          Qt::SingleShotConnection);
      // Later, so that the key's own handling ends before the menu's loop runs.
      QTimer::singleShot(0, button, &QToolButton::showMenu);
      return;
    }
  }
}

QIcon QtWindowManager::ProgramIcon() {
  QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon;
  // Modules are numbered from 0x00010000 in the order they were installed.
  const ResourceModule* module = ModuleOf(0x00010000u);
  if (module == nullptr || module->icon_count == 0) return icon;
  return IconOf(&module->icons[0]);
}
