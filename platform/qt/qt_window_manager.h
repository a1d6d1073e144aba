// The window manager on Qt Widgets. The handheld's screen below its top bar
// is one resizable top-level widget, the "screen" (240 x 294 at first): the
// program's top-level windows are child widgets placed in it by their screen
// rectangles (the work area starts 26 pixels down), and the shell's menu bar
// is a strip along its bottom, above them. Dialogs and message boxes are real
// modal Qt dialogs over the screen. This class owns every widget it makes;
// painting happens only inside Qt's paint events, which send WM_PAINT.
//
// Desktop choices: the screen's title-bar close button sends WM_CLOSE to the
// first top-level window; resizing the screen moves the work area's edges
// and every top-level window's right and bottom edges with it, then sends
// WM_SETTINGCHANGE(SPI_SETWORKAREA). Each repaint starts from the class
// background, whatever the erase flag, since no stale pixels are kept.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "platform/qt/qt_client_view.h"
#include "platform/qt/qt_instance_beacon.h"
#include "platform/windowing/window_manager_base.h"

class QPainter;
class TemplateDialog;

class QtWindowManager : public WindowManagerBase {
 public:
  // The work area's size until the user resizes the screen.
  static constexpr int SCREEN_WIDTH = 240;
  static constexpr int SCREEN_HEIGHT = 294;

  QtWindowManager();
  ~QtWindowManager() override;

  // Local windows come forward with the screen (restored when minimised); a
  // window of another copy is asked over its instance beacon.
  bool SetForegroundWindow(WindowHandle window) override;
  // WM_COPYDATA to a window of another copy crosses its instance beacon; a
  // record arriving there is sent to the first top-level window from the
  // event loop, never from inside the beacon's own handling.
  MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) override;
  bool ShowWindow(WindowHandle window, int show) override;
  bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
  // Repaints now when InvalidateRect or MoveWindow asked for a repaint that
  // has not happened yet.
  bool UpdateWindow(WindowHandle window) override;
  // Outside a paint event there is nothing to draw on: BeginPaint then asks
  // Qt for a repaint and returns 0.
  DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) override;
  bool EndPaint(WindowHandle window, const PaintInfo* paint) override;
  int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
               uint32_t format) override;
  int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                 uint32_t type) override;

  // The screen widget (null until the first window is made).
  QWidget* Screen() const { return screen_; }
  // Hands the strip of menu-bar window bar to the screen: it is placed along
  // the bottom, over the windows, and deleted with the bar.
  void AttachMenuBar(WindowHandle bar, QWidget* strip);
  // Applies SHInitDialog flags to a dialog; false for an unknown dialog.
  bool ApplyDialogFlags(WindowHandle dialog, uint32_t flags);

  // The text selected with the mouse in window's view; empty when none is.
  QString SelectedText(WindowHandle window) const;

  // Entry points of the widgets' event handlers.
  void PaintWindow(WindowHandle window, QPainter& painter, const QRect& area);
  void ScreenResized(const QSize& old_size, const QSize& new_size);
  void ScreenActivated(bool active);
  // The keyboard reaches the screen (focused) or went elsewhere: the
  // windows' views show it (ClientView::ShowFocus).
  void ScreenFocused(bool focused);
  void ScreenCloseRequested();
  // A key of the screen: navigation keys scroll the first window, F10 and
  // Tab open the menu bar's first menu on its first item, and
  // letters and digits reach the first window as WM_KEYDOWN (with MOD_* of
  // the modifiers held). Alt pressed and released alone opens the menu too.
  void KeyPressed(int key, Qt::KeyboardModifiers modifiers, bool repeated);
  void KeyReleased(int key);
  // The program's icon: the application's, else the first icon of the first
  // resource module installed (the program's own).
  static QIcon ProgramIcon();

 protected:
  Rect DefaultWindowRect() override;
  bool CreateNativeWindow(WindowHandle window, const Rect& rect, uint32_t style) override;
  void MoveNativeWindow(WindowHandle window, bool repaint) override;
  // The view's scroll bar takes its width; its canvas may be taller.
  void ShapeClientRect(WindowHandle window, Rect* rect) override;
  void DestroyNativeWindow(WindowHandle window) override;
  // A window of another copy answers on the beacon of its class: it is found
  // by class alone (title null), never by a title. This copy's own beacon,
  // still answering after its window is gone, is no other copy.
  WindowHandle FindForeignWindow(const char16_t* class_name, const char16_t* title) override;
  // The first top-level window's title is the screen's.
  void ShowTitle(WindowHandle window, const std::u16string& title) override;
  void WaitForMessages() override;
  bool CreateNativeDialog(WindowHandle dialog, const DialogTemplate& dialog_template,
                          InstanceHandle instance, WindowHandle owner) override;
  void RunModalDialog(WindowHandle dialog) override;
  void EndNativeDialog(WindowHandle dialog) override;
  // IDC_WAIT: Qt's wait cursor over the whole application, on top of any
  // widget's own; anything else takes it away again.
  void ShowCursorShape(CursorHandle cursor) override;
  void WakeMessageLoop() override;

 private:
  struct Native {
    QPointer<ClientView> widget;
    // Asked to repaint (InvalidateRect, MoveWindow) and not painted since.
    bool invalid = true;
  };
  // Opens the drop-down of the first menu-bar button that has one, its
  // first item selected.
  void OpenMenuBar();

  Rect WorkArea() const;
  void EnsureScreen(WindowHandle first);
  void PlaceWidget(WindowHandle window);
  void LayOutMenuBars();
  // The first live top-level window: the one the screen's close, keys and
  // activation go to.
  WindowHandle PrimaryWindow() const;
  // Restores the screen when minimised and brings it (and with_owned: its
  // open modal box) to the front.
  void RaiseScreen(bool with_owned);
  // Sends a WM_COPYDATA record that arrived over the beacon to the first
  // top-level window.
  void DeliverCopyData(uintptr_t kind, const QByteArray& bytes);
  QWidget* OwnerWidget(WindowHandle owner) const;

  QPointer<QWidget> screen_;
  std::map<WindowHandle, Native> natives_;
  std::map<WindowHandle, QPointer<TemplateDialog>> dialogs_;
  std::map<WindowHandle, QPointer<QWidget>> menu_bars_;
  std::map<WindowHandle, QString> foreign_;  // handle -> beacon name
  // This copy's own beacon, once it listens.
  QString beacon_name_;
  WindowHandle last_foreign_ = 0x7F000000u;
  InstanceBeacon beacon_;

  // The painter of the paint event in progress, and its window.
  QPainter* painter_ = nullptr;
  WindowHandle painting_ = 0;
  QRect paint_area_;
  // What the paint in progress drew, in which blocks, and how far down the
  // text reaches.
  QString painted_text_;
  std::vector<ClientView::DrawnBlock> painted_blocks_;
  int painted_bottom_ = 0;
  // Alt is down and no other key came since it went down.
  bool alt_alone_ = false;
  // The wait cursor is set over the application.
  bool waiting_ = false;
};
