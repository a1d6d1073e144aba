#include "platform/qt/qt_shell_services.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

#include "platform/windowing/menu_text.h"

namespace {

QString StringOf(InstanceHandle instance, uint32_t id) {
  const char16_t* text = FindString(instance, id);
  return text == nullptr ? QString() : QString::fromUtf16(text);
}

// A menu item: its text, and its accelerator as the action's shortcut, which
// the menu shows after the text and assistive technologies read as the
// item's key binding. The shortcut acts only inside the open menu (the
// accelerator table serves the window), where it chooses the same command.
QAction* AddItem(QMenu* menu, InstanceHandle instance, const MenuItemResource& item) {
  QAction* action = menu->addAction(QString::fromUtf16(item.text));
  action->setShortcut(QKeySequence(QString::fromStdU16String(MenuItemShortcut(instance, item))));
  action->setShortcutContext(Qt::WidgetShortcut);
  return action;
}

}  // namespace

bool QtShellServices::SHCreateMenuBar(MenuBarInfo* info) {
  if (info == nullptr) return false;
  info->menu_bar = 0;
  if (info->size != sizeof(MenuBarInfo) || !windows_.IsWindow(info->parent)) return false;
  const MenuBarTemplate* bar_template = FindMenuBarTemplate(info->instance, info->menu_bar_id);
  if (bar_template == nullptr) return false;
  const MenuResource* menu = FindMenu(info->instance, bar_template->menu);

  WindowHandle bar = windows_.AddPlatformWindow(info->parent, u"menu_bar");
  auto* strip = new QWidget;
  strip->setObjectName(QStringLiteral("menu_bar"));
  strip->setAutoFillBackground(true);
  strip->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(strip);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->setSpacing(2);

  const WindowHandle parent = info->parent;
  QtWindowManager& windows = windows_;
  for (int i = 0; i < bar_template->button_count; ++i) {
    const MenuBarButtonResource& entry = bar_template->buttons[i];
    auto* button = new QToolButton(strip);
    button->setText(StringOf(info->instance, entry.label_string));
    button->setObjectName(button->text());
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setEnabled((entry.state & TBSTATE_ENABLED) != 0);
    const bool drops_down = (entry.style & TBSTYLE_DROPDOWN) != 0 && menu != nullptr &&
                            entry.submenu < menu->popup_count;
    if (drops_down) {
      const PopupResource& popup = menu->popups[entry.submenu];
      auto* items = new QMenu(button);
      for (int k = 0; k < popup.item_count; ++k) {
        if (popup.items[k].windows_only) continue;
        const uint16_t command = popup.items[k].command;
        QAction* action = AddItem(items, info->instance, popup.items[k]);
        QObject::connect(action, &QAction::triggered, action, [&windows, parent, command] {
          windows.PostMessage(parent, WM_COMMAND, command, 0);
        });
      }
      button->setMenu(items);
      button->setPopupMode(QToolButton::InstantPopup);
    } else {
      const uint16_t command = entry.command;
      QObject::connect(button, &QToolButton::clicked, button, [&windows, parent, command] {
        windows.PostMessage(parent, WM_COMMAND, command, 0);
      });
    }
    layout->addWidget(button);
  }
  layout->addStretch(1);
  windows_.AttachMenuBar(bar, strip);
  info->menu_bar = bar;
  return true;
}

bool QtShellServices::SHInitDialog(InitDialogInfo* info) {
  if (info == nullptr) return false;
  uint32_t flags = (info->mask & SHIDIM_FLAGS) ? info->flags : 0;
  return windows_.ApplyDialogFlags(info->dialog, flags);
}
