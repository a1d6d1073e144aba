#include "platform/win32/testing/win32_user_calls.h"

#include <windows.h>

#include <map>
#include <string>

namespace win32_testing {

namespace {

// The open-file dialog's file-name box: the combo box of the Explorer-style
// dialog, the edit box of the older one.
constexpr int FILE_NAME_COMBO = 0x047C;
constexpr int FILE_NAME_EDIT = 0x0480;

// Where each process's private HKEY_CURRENT_USER lives.
constexpr wchar_t PRIVATE_USERS[] = L"Software\\QUORVAFIX conformance";

thread_local std::map<UINT_PTR, std::function<void()>> ticks;

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  auto it = ticks.find(timer);
  if (it == ticks.end()) return;
  std::function<void()> tick = it->second;  // the tick may end the ticker
  tick();
}

std::u16string TextOf(HWND native) {
  wchar_t text[1024] = {};
  const int length = ::GetWindowTextW(native, text, 1024);
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

bool IsDialogClass(HWND native) {
  wchar_t name[8] = {};
  return ::GetClassNameW(native, name, 8) != 0 && ::lstrcmpW(name, L"#32770") == 0;
}

// A menu item's label: its text without "&" and without the key shown
// after a tab.
std::u16string MenuLabel(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  const int length = ::GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  std::u16string label;
  for (int i = 0; i < length && text[i] != L'\t'; ++i) {
    if (text[i] != L'&') label.push_back(static_cast<char16_t>(text[i]));
  }
  return label;
}

}  // namespace

bool ChooseFrameMenuItem(HWND frame, const std::u16string& label) {
  HMENU bar = ::GetMenu(frame);
  const int popups = bar == nullptr ? 0 : ::GetMenuItemCount(bar);
  for (int i = 0; i < popups; ++i) {
    HMENU popup = ::GetSubMenu(bar, i);
    const int items = popup == nullptr ? 0 : ::GetMenuItemCount(popup);
    for (int k = 0; k < items; ++k) {
      if (MenuLabel(popup, static_cast<UINT>(k)) != label) continue;
      const UINT state = ::GetMenuState(popup, static_cast<UINT>(k), MF_BYPOSITION);
      if ((state & (MF_GRAYED | MF_DISABLED)) != 0) return false;
      const UINT id = ::GetMenuItemID(popup, k);
      return ::PostMessageW(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
    }
  }
  return false;
}

ThreadTicker::ThreadTicker(int milliseconds, std::function<void()> tick) {
  timer_ = ::SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &Tick);
  ticks[timer_] = std::move(tick);
}

ThreadTicker::~ThreadTicker() {
  ::KillTimer(nullptr, timer_);
  ticks.erase(timer_);
}

std::vector<HWND> ShownDialogs() {
  std::vector<HWND> found;
  auto look = [](HWND candidate, LPARAM parameter) -> BOOL {
    if (::IsWindowVisible(candidate) && IsDialogClass(candidate)) {
      reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(candidate);
    }
    return TRUE;
  };
  ::EnumThreadWindows(::GetCurrentThreadId(), look, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::u16string StaticTexts(HWND dialog) {
  std::u16string texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (::lstrcmpiW(name, L"Static") == 0) texts += TextOf(child);
  }
  return texts;
}

std::vector<std::u16string> CutTexts(HWND dialog) {
  std::vector<std::u16string> cut;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    const std::u16string text = TextOf(child);
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (::lstrcmpiW(name, L"Static") != 0 || (style & SS_TYPEMASK) == SS_ICON) continue;
    HDC dc = ::GetDC(child);
    HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)));
    SIZE needed{};
    ::GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()),
                            static_cast<int>(text.size()), &needed);
    ::SelectObject(dc, previous);
    ::ReleaseDC(child, dc);
    RECT box{};
    ::GetClientRect(child, &box);
    if (needed.cx <= box.right && needed.cy <= box.bottom) continue;
    const std::string sizes = ": needs " + std::to_string(needed.cx) + "x" +
                              std::to_string(needed.cy) + " in " + std::to_string(box.right) + "x" +
                              std::to_string(box.bottom);
    cut.push_back(text + std::u16string(sizes.begin(), sizes.end()));
  }
  return cut;
}

uint32_t BoxSign(HWND box) {
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    const auto shown = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
    if (shown == nullptr) continue;
    if (shown == ::LoadIconW(nullptr, IDI_WARNING)) return MB_ICONWARNING;
    if (shown == ::LoadIconW(nullptr, IDI_INFORMATION)) return MB_ICONINFORMATION;
  }
  return 0;
}

bool IsOpenFileDialog(HWND dialog) {
  return ::GetDlgItem(dialog, FILE_NAME_COMBO) != nullptr ||
         ::GetDlgItem(dialog, FILE_NAME_EDIT) != nullptr;
}

void PressClose(HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

void ChooseFile(HWND dialog, const std::u16string& path) {
  if (path.empty()) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
    return;
  }
  const int box =
      ::GetDlgItem(dialog, FILE_NAME_COMBO) != nullptr ? FILE_NAME_COMBO : FILE_NAME_EDIT;
  ::SetDlgItemTextW(dialog, box, reinterpret_cast<const wchar_t*>(path.c_str()));
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

PrivateCurrentUser::PrivateCurrentUser() {
  const std::wstring path =
      std::wstring(PRIVATE_USERS) + L"\\" + std::to_wstring(::GetCurrentProcessId());
  path_.assign(path.begin(), path.end());
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, key);
    ::RegCloseKey(key);
  }
}

PrivateCurrentUser::~PrivateCurrentUser() {
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path_.c_str()));
  // The folder of private keys goes with the last of them.
  ::RegDeleteKeyW(HKEY_CURRENT_USER, PRIVATE_USERS);
}

void PumpFor(int milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

}  // namespace win32_testing
