// The program's dialogs on user32: a DLGTEMPLATE built in memory from the
// program's template (static texts and icons, the texts grown to fit the
// desktop's face), made with CreateDialogIndirectParamW; the Done button;
// and MessageBoxW.
#include <algorithm>
#include <vector>

#include "platform/win32/win32_native_state.h"

namespace win32 {

namespace {

constexpr DWORD DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr WORD STATIC_CLASS = 0x0082;  // the predefined class ordinal of static controls
constexpr int DONE_WIDTH = 64;
constexpr int DONE_HEIGHT = 24;
constexpr int DONE_MARGIN = 6;
// The handheld's templates name its own face, "System"; the desktop's
// "System" is the old raster font, far wider. Its dialog face stands in.
constexpr char16_t HANDHELD_FACE[] = u"System";
constexpr char16_t DIALOG_FACE[] = u"MS Shell Dlg";

// The words of an in-memory template.
class TemplateWords {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Place(const DialogPlace& place) {
    for (int16_t value : {place.x, place.y, place.width, place.height}) {
      Word(static_cast<WORD>(value));
    }
  }
  void Text(const std::u16string& text) {
    for (char16_t unit : text) Word(unit);
    Word(0);
  }
  // Items start on a DWORD boundary.
  void AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  const DLGTEMPLATE* Template() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
  }

 private:
  std::vector<WORD> words_;
};

void AddControl(TemplateWords& words, const DialogControl& control) {
  words.AlignToDword();
  DWORD style = WS_CHILD | WS_VISIBLE | (control.style & (0xFFFFu | WS_GROUP));
  if (control.icon) style |= SS_ICON;
  words.Dword(style);
  words.Dword(0);
  words.Place(control.place);
  words.Word(control.id);
  words.Word(0xFFFF);
  words.Word(STATIC_CLASS);
  if (control.icon) {
    words.Word(0xFFFF);
    words.Word(control.icon_id);
  } else {
    words.Text(control.text);
  }
  words.Word(0);  // no creation data
}

// Desktop faces run wider than the handheld's: a static text whose line
// does not fit its control grows to the right, up to the dialog's edge,
// instead of being cut.
void FitTexts(HWND dialog) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) continue;
    const int length = ::GetWindowTextLengthW(child);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    ::GetWindowTextW(child, text.data(), length + 1);
    HDC dc = ::GetDC(child);
    HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)));
    RECT needed{};
    const UINT prefix = (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
    ::DrawTextW(dc, text.data(), length, &needed, DT_CALCRECT | DT_SINGLELINE | prefix);
    ::SelectObject(dc, previous);
    ::ReleaseDC(child, dc);
    RECT place{};
    ::GetWindowRect(child, &place);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    if (needed.right <= place.right - place.left) continue;
    const int width = std::min<int>(needed.right, client.right - place.left);
    ::SetWindowPos(child, nullptr, 0, 0, width, place.bottom - place.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void PlaceDoneButton(HWND dialog) {
  HWND done = ::GetDlgItem(dialog, IDOK);
  if (done == nullptr) return;
  RECT client{};
  ::GetClientRect(dialog, &client);
  ::SetWindowPos(done, nullptr, client.right - DONE_WIDTH - DONE_MARGIN,
                 client.bottom - DONE_HEIGHT - DONE_MARGIN, DONE_WIDTH, DONE_HEIGHT,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The icon given to the next box made on this thread without an owner.
thread_local HICON box_icon = nullptr;

LRESULT CALLBACK GiveBoxIcon(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && box_icon != nullptr) {
    HWND box = reinterpret_cast<HWND>(wparam);
    ::SendMessageW(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(box_icon));
    ::SendMessageW(box, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(box_icon));
    box_icon = nullptr;
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    TakeState(dialog, lparam);
    return TRUE;
  }
  auto* state = static_cast<DialogState*>(StateOf(dialog));
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
    delete state;
    return FALSE;
  }
  if (state == nullptr || state->events == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED) return FALSE;
      WORD id = LOWORD(wparam);
      // Escape and the close button stand for the caption's OK when there is one.
      if (id == IDCANCEL && state->caption_ok) id = IDOK;
      state->events->OnDialogCommand(state->window, id);
      return TRUE;
    }
    case WM_SIZE:
      PlaceDoneButton(dialog);
      return FALSE;
    case WM_SETCURSOR:
      if (!ShowingWait()) return FALSE;
      SetShownCursor();
      ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

HWND CreateTemplateDialog(const DialogLayout& layout, HINSTANCE instance, HWND owner,
                          FrameEvents* events, uint32_t dialog) {
  TemplateWords words;
  words.Dword(DIALOG_STYLE);
  words.Dword(0);
  words.Word(static_cast<WORD>(layout.controls.size()));
  words.Place(layout.place);
  words.Word(0);  // no menu
  words.Word(0);  // the dialog class
  words.Text(layout.caption);
  words.Word(layout.font_points != 0 ? layout.font_points : 8);
  const bool handheld_face = layout.font_face.empty() || layout.font_face == HANDHELD_FACE;
  words.Text(handheld_face ? DIALOG_FACE : layout.font_face);
  for (const DialogControl& control : layout.controls) AddControl(words, control);

  auto* state = new DialogState;
  state->events = events;
  state->window = dialog;
  state->caption_ok = layout.caption_ok;
  StateHandover handover{state};
  HWND native = ::CreateDialogIndirectParamW(instance, words.Template(), owner, &DialogProcedure,
                                             reinterpret_cast<LPARAM>(&handover));
  if (!handover.taken) {
    delete state;
    if (native != nullptr) ::DestroyWindow(native);
    return nullptr;
  }
  FitTexts(native);
  return native;
}

void AddDoneButton(HWND dialog) {
  // The title bar's close button stands for the Done button too.
  if (auto* state = static_cast<DialogState*>(StateOf(dialog))) state->caption_ok = true;
  if (::GetDlgItem(dialog, IDOK) != nullptr) return;
  HWND done = ::CreateWindowExW(
      0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, DONE_WIDTH,
      DONE_HEIGHT, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
  if (done == nullptr) return;
  ::SendMessageW(done, WM_SETFONT, ::SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  PlaceDoneButton(dialog);
}

void CoverOwner(HWND dialog, HWND owner, int width, int height) {
  RECT area{0, 0, width, height};
  if (owner != nullptr) {
    ::GetClientRect(owner, &area);
    ::MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&area), 2);
  }
  ::SetWindowPos(dialog, nullptr, area.left, area.top, area.right - area.left,
                 area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (owner == nullptr ? SWP_NOMOVE : 0));
}

void ShowDialog(HWND dialog) {
  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
}

int ShowMessageBox(HWND owner, const char16_t* text, const char16_t* caption, BoxSign sign,
                   HINSTANCE instance, uint16_t icon_id) {
  HHOOK hook = nullptr;
  if (owner == nullptr && icon_id != 0) {
    box_icon = ::LoadIconW(instance, MAKEINTRESOURCEW(icon_id));
    if (box_icon != nullptr) {
      hook = ::SetWindowsHookExW(WH_CBT, &GiveBoxIcon, nullptr, ::GetCurrentThreadId());
    }
  }
  const UINT type = MB_OK | (sign == BoxSign::Warning       ? MB_ICONWARNING
                             : sign == BoxSign::Information ? MB_ICONINFORMATION
                                                            : 0);
  const int answer = ::MessageBoxW(owner, Wide(text ? text : u""), Wide(caption), type);
  if (hook != nullptr) ::UnhookWindowsHookEx(hook);
  box_icon = nullptr;
  return answer;
}

}  // namespace win32
