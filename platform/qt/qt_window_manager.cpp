// QtWindowManager: the screen, windows made, placed and found, messages to
// another copy, the message boxes and the template dialogs. Painting is in
// qt_window_paint.cpp, the keyboard in qt_window_keys.cpp, the wait cursor
// and the loop's wake-up in qt_window_busy.cpp.
#include "platform/qt/qt_window_manager.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <vector>

#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_client_view.h"
#include "platform/qt/qt_screen_fit.h"
#include "platform/qt/qt_template_dialog.h"
#include "platform/windowing/shell_services.h"

namespace {

QString TextOf(const char16_t* text, int length = -1) {
  return text == nullptr ? QString() : QString::fromUtf16(text, length);
}

// The handheld's screen below its top bar.
class ScreenWidget : public QWidget {
 public:
  explicit ScreenWidget(QtWindowManager& windows) : windows_(windows) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_QuitOnClose, false);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    windows_.ScreenResized(event->oldSize(), event->size());
  }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::ActivationChange) {
      // The screen takes the keyboard itself: it has no child that would.
      if (isActiveWindow() && !hasFocus()) setFocus(Qt::ActiveWindowFocusReason);
      windows_.ScreenActivated(isActiveWindow());
    }
    QWidget::changeEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    windows_.ScreenCloseRequested();
  }
  // Tab has no other widget to move to: it reaches keyPressEvent instead.
  bool focusNextPrevChild(bool) override { return false; }
  void focusInEvent(QFocusEvent* event) override {
    windows_.ScreenFocused(true);
    QWidget::focusInEvent(event);
  }
  void focusOutEvent(QFocusEvent* event) override {
    windows_.ScreenFocused(false);
    QWidget::focusOutEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    windows_.KeyPressed(event->key(), event->modifiers(), event->isAutoRepeat());
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    if (!event->isAutoRepeat()) windows_.KeyReleased(event->key());
  }

 private:
  QtWindowManager& windows_;
};

}  // namespace

QtWindowManager::QtWindowManager() = default;

QtWindowManager::~QtWindowManager() {
  if (waiting_ && QCoreApplication::instance() != nullptr) QApplication::restoreOverrideCursor();
  delete screen_.data();
}

Rect QtWindowManager::WorkArea() const {
  int width = screen_ ? screen_->width() : SCREEN_WIDTH;
  int height = screen_ ? screen_->height() : SCREEN_HEIGHT;
  return Rect{0, TOP_BAR_HEIGHT, width, TOP_BAR_HEIGHT + height};
}

Rect QtWindowManager::DefaultWindowRect() { return WorkArea(); }

void QtWindowManager::EnsureScreen(WindowHandle first) {
  if (screen_) return;
  auto* screen = new ScreenWidget(*this);
  MarkAsScreen(screen);
  screen->resize(SCREEN_WIDTH, SCREEN_HEIGHT);
  screen->setMinimumSize(120, 2 * MENU_BAR_HEIGHT);
  const WindowRecord* record = Record(first);
  screen->setWindowTitle(QString::fromStdU16String(record->title));
  QIcon icon = IconOf(record->icon);
  screen->setWindowIcon(icon);
  QApplication::setWindowIcon(icon);
  screen_ = screen;
}

void QtWindowManager::PlaceWidget(WindowHandle window) {
  auto it = natives_.find(window);
  const Rect* placed = Placement(window);
  if (it == natives_.end() || !it->second.widget || placed == nullptr) return;
  const Rect& r = *placed;
  Rect work = WorkArea();
  // A window reaching under the menu bar ends above it, so that its scroll
  // bar, lower arrow included, stays in view; its client area keeps its size.
  int height = r.bottom - r.top;
  bool bar_shown = std::any_of(menu_bars_.begin(), menu_bars_.end(), [](const auto& bar) {
    return bar.second && !bar.second->isHidden();
  });
  if (bar_shown && screen_) {
    height = std::min(height, screen_->height() - MENU_BAR_HEIGHT - (r.top - work.top));
  }
  it->second.widget->setGeometry(r.left - work.left, r.top - work.top, r.right - r.left,
                                 std::max(height, 0));
}

void QtWindowManager::LayOutMenuBars() {
  if (!screen_) return;
  for (auto& [handle, strip] : menu_bars_) {
    if (!strip) continue;
    strip->setGeometry(0, screen_->height() - MENU_BAR_HEIGHT, screen_->width(), MENU_BAR_HEIGHT);
    strip->raise();
  }
}

WindowHandle QtWindowManager::PrimaryWindow() const {
  for (const auto& [handle, native] : natives_) {
    const WindowRecord* record = Record(handle);
    if (record != nullptr && record->kind == WindowKind::TopLevel && !record->destroying) {
      return handle;
    }
  }
  return 0;
}

QWidget* QtWindowManager::OwnerWidget(WindowHandle owner) const {
  auto dialog = dialogs_.find(owner);
  if (dialog != dialogs_.end() && dialog->second) return dialog->second.data();
  return screen_ && screen_->isVisible() ? screen_.data() : nullptr;
}

bool QtWindowManager::CreateNativeWindow(WindowHandle window, const Rect&, uint32_t style) {
  EnsureScreen(window);
  auto* widget = new ClientView(*this, window, screen_);
  natives_[window] = Native{widget};
  PlaceWidget(window);
  LayOutMenuBars();
  if (style & WS_VISIBLE) {
    widget->show();
    screen_->show();
  }
  const WindowRecord* record = Record(window);
  if (!beacon_.IsListening()) {
    InstanceBeacon::Handlers handlers;
    handlers.foreground = [this](bool with_owned) { RaiseScreen(with_owned); };
    handlers.copy_data = [this](uintptr_t kind, const QByteArray& bytes) {
      QPointer<QWidget> screen = screen_;
      if (!screen) return;
      QMetaObject::invokeMethod(
          screen, [this, kind, bytes] { DeliverCopyData(kind, bytes); }, Qt::QueuedConnection);
    };
    QString name = InstanceBeacon::NameFor(record->class_name);
    if (beacon_.Listen(name, std::move(handlers))) beacon_name_ = name;
  }
  return true;
}

void QtWindowManager::DestroyNativeWindow(WindowHandle window) {
  auto drop = [](QWidget* widget) {
    if (widget == nullptr) return;
    widget->hide();
    widget->deleteLater();
  };
  if (auto it = natives_.find(window); it != natives_.end()) {
    drop(it->second.widget);
    natives_.erase(it);
    if (PrimaryWindow() == 0 && screen_) screen_->hide();
  }
  if (auto it = menu_bars_.find(window); it != menu_bars_.end()) {
    drop(it->second);
    menu_bars_.erase(it);
  }
  if (auto it = dialogs_.find(window); it != dialogs_.end()) {
    if (it->second && it->second->isVisible()) it->second->Finish(-1);
    drop(it->second);
    dialogs_.erase(it);
  }
}

void QtWindowManager::AttachMenuBar(WindowHandle bar, QWidget* strip) {
  EnsureScreen(PrimaryWindow());
  strip->setParent(screen_);
  menu_bars_[bar] = strip;
  LayOutMenuBars();
  strip->show();
  for (const auto& [handle, native] : natives_) PlaceWidget(handle);
}

WindowHandle QtWindowManager::FindForeignWindow(const char16_t* class_name, const char16_t* title) {
  // Another copy's title is not known here: only a search by class finds it.
  if (title != nullptr) return 0;
  QString name = InstanceBeacon::NameFor(class_name ? class_name : u"");
  if (name == beacon_name_ || !InstanceBeacon::Answers(name)) return 0;
  last_foreign_ += 4;
  foreign_[last_foreign_] = name;
  return last_foreign_;
}

void QtWindowManager::ShowTitle(WindowHandle window, const std::u16string& title) {
  if (screen_ && window == PrimaryWindow())
    screen_->setWindowTitle(QString::fromStdU16String(title));
}

bool QtWindowManager::SetForegroundWindow(WindowHandle window) {
  bool with_owned = (window & 1u) != 0;
  WindowHandle target = window & ~1u;
  if (auto it = foreign_.find(target); it != foreign_.end()) {
    return InstanceBeacon::RequestForeground(it->second, with_owned);
  }
  if (TopLevelOf(target) == 0) return false;
  RaiseScreen(with_owned);
  return true;
}

MessageResult QtWindowManager::SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                                           LongParam lparam) {
  auto foreign = foreign_.find(window);
  if (foreign == foreign_.end())
    return WindowManagerBase::SendMessage(window, message, wparam, lparam);
  const auto* record = reinterpret_cast<const CopyData*>(lparam);
  if (message != WM_COPYDATA || record == nullptr ||
      (record->size != 0 && record->data == nullptr)) {
    return 0;
  }
  QByteArray bytes(static_cast<const char*>(record->data), static_cast<int>(record->size));
  return InstanceBeacon::SendCopyData(foreign->second, record->kind, bytes) ? 1 : 0;
}

void QtWindowManager::DeliverCopyData(uintptr_t kind, const QByteArray& bytes) {
  WindowHandle window = PrimaryWindow();
  if (window == 0) return;
  CopyData record{kind, static_cast<uint32_t>(bytes.size()), bytes.constData()};
  WindowManagerBase::SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&record));
}

void QtWindowManager::RaiseScreen(bool with_owned) {
  if (!screen_) return;
  if (screen_->isMinimized()) {
    screen_->setWindowState((screen_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  }
  screen_->show();
  screen_->raise();
  screen_->activateWindow();
  QWidget* modal = QApplication::activeModalWidget();
  if (with_owned && modal != nullptr) {
    modal->raise();
    modal->activateWindow();
  }
}

void QtWindowManager::ShapeClientRect(WindowHandle window, Rect* rect) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return;
  if (ClientView* view = it->second.widget) {
    // The scroll bar takes its width from the client area; the canvas may be
    // taller than the window.
    const QScrollBar* bar = view->verticalScrollBar();
    if (bar->isVisible()) rect->right -= bar->width();
    rect->bottom = std::max(rect->bottom, view->Canvas()->minimumHeight());
  }
}

void QtWindowManager::MoveNativeWindow(WindowHandle window, bool repaint) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return;
  PlaceWidget(window);
  if (repaint && it->second.widget) {
    it->second.invalid = true;
    it->second.widget->Canvas()->update();
  }
}

bool QtWindowManager::ShowWindow(WindowHandle window, int show) {
  auto it = natives_.find(window);
  if (it == natives_.end() || !it->second.widget) return false;
  bool was_visible = it->second.widget->isVisible();
  it->second.widget->setVisible(show != SW_HIDE);
  if (show != SW_HIDE && screen_) screen_->show();
  return was_visible;
}

int QtWindowManager::MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                                uint32_t type) {
  QMessageBox box(OwnerWidget(owner));
  box.setWindowTitle(TextOf(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(TextOf(text));
  const uint32_t icon = type & MB_ICONMASK;
  box.setIcon(icon == MB_ICONWARNING       ? QMessageBox::Warning
              : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                           : QMessageBox::NoIcon);
  if (box.parentWidget() == nullptr) box.setWindowIcon(ProgramIcon());
  box.setStandardButtons(QMessageBox::Ok);
  RunModal(&box);
  return IDOK;
}

bool QtWindowManager::CreateNativeDialog(WindowHandle dialog, const DialogTemplate& dialog_template,
                                         InstanceHandle instance, WindowHandle owner) {
  auto* widget = new TemplateDialog(dialog, dialog_template, instance, OwnerWidget(owner));
  widget->setAttribute(Qt::WA_QuitOnClose, false);
  dialogs_[dialog] = widget;
  return true;
}

bool QtWindowManager::ApplyDialogFlags(WindowHandle dialog, uint32_t flags) {
  auto it = dialogs_.find(dialog);
  if (it == dialogs_.end() || !it->second) return false;
  TemplateDialog* widget = it->second;
  if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
    if (screen_) {
      widget->setGeometry(screen_->geometry());
    } else {
      widget->resize(SCREEN_WIDTH, SCREEN_HEIGHT);
    }
  }
  if (flags & SHIDIF_DONEBUTTON) widget->AddDoneButton();
  // A desktop has no input panel to lower: SHIDIF_SIPDOWN needs nothing.
  return true;
}

void QtWindowManager::RunModalDialog(WindowHandle dialog) {
  auto it = dialogs_.find(dialog);
  if (it == dialogs_.end() || !it->second) return;
  RunModal(it->second);
}

void QtWindowManager::EndNativeDialog(WindowHandle dialog) {
  auto it = dialogs_.find(dialog);
  if (it == dialogs_.end() || !it->second) return;
  const WindowRecord* record = Record(dialog);
  it->second->Finish(record == nullptr ? 0 : static_cast<int>(record->dialog_result));
}

void QtWindowManager::WaitForMessages() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtWindowManager::ScreenResized(const QSize& old_size, const QSize& new_size) {
  if (old_size.isValid()) {
    int dw = new_size.width() - old_size.width();
    int dh = new_size.height() - old_size.height();
    for (auto& [handle, native] : natives_) {
      GrowWindow(handle, dw, dh);
      PlaceWidget(handle);
    }
  }
  LayOutMenuBars();
  if (!old_size.isValid()) return;
  std::vector<WindowHandle> windows;
  for (const auto& [handle, native] : natives_) windows.push_back(handle);
  for (WindowHandle handle : windows) SendMessage(handle, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
}

void QtWindowManager::ScreenActivated(bool active) {
  WindowHandle window = PrimaryWindow();
  if (window != 0) SendMessage(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

void QtWindowManager::ScreenFocused(bool focused) {
  for (auto& [handle, native] : natives_) {
    if (native.widget) native.widget->ShowFocus(focused);
  }
}

void QtWindowManager::ScreenCloseRequested() {
  WindowHandle window = PrimaryWindow();
  if (window != 0) SendMessage(window, WM_CLOSE, 0, 0);
}
