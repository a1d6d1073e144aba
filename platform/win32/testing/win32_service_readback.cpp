#include "platform/win32/testing/win32_service_readback.h"

#include <windows.h>
// windows.h first: shlobj.h needs its types.
#include <dlgs.h>
#include <oleacc.h>
#include <shlobj.h>

#include <cstring>

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::vector<NativeMenuItem> ItemsOf(HMENU menu) {
  std::vector<NativeMenuItem> items;
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
    NativeMenuItem item{reinterpret_cast<const char16_t*>(text),
                        ::GetMenuItemID(menu, i),
                        (::GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0,
                        {}};
    if (HMENU popup = ::GetSubMenu(menu, i)) item.items = ItemsOf(popup);
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

std::vector<NativeMenuItem> FrameMenuItems(HWND frame) {
  HMENU menu = ::GetMenu(frame);
  return menu == nullptr ? std::vector<NativeMenuItem>() : ItemsOf(menu);
}

std::u16string ClipboardUnicodeText() {
  std::u16string text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const char16_t*>(::GlobalLock(data))) {
      text = units;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

bool UserValue(const std::u16string& path, const std::u16string& name, uint32_t* type,
               std::u16string* text) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  DWORD found = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, Wide(path), Wide(name), RRF_RT_ANY | RRF_NOEXPAND, &found,
                     data, &size) != ERROR_SUCCESS) {
    return false;
  }
  *type = found;
  *text = reinterpret_cast<const char16_t*>(data);
  return true;
}

void DeleteUserKey(const std::u16string& path) { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path)); }

bool AcceptsFiles(HWND frame) {
  return (::GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

void SendDrop(HWND frame, const std::vector<std::u16string>& paths) {
  std::u16string names;
  for (const std::u16string& path : paths) names += path + u'\0';
  names += u'\0';
  const size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(char16_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names.data(), names.size() * sizeof(char16_t));
  ::GlobalUnlock(memory);
  ::SendMessageW(frame, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::thread AnswerOpenDialog(const std::u16string& title, const std::u16string& name,
                             OpenDialogAnswer* answer) {
  return std::thread([title, name, answer] {
    HWND dialog = nullptr;
    for (int i = 0; i < 400 && dialog == nullptr; ++i) {
      dialog = ::FindWindowW(L"#32770", Wide(title));
      if (dialog == nullptr) ::Sleep(50);
    }
    if (dialog == nullptr) return;
    answer->found = true;
    HWND types = ::GetDlgItem(dialog, cmb1);
    const LRESULT count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[256] = {};
      ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      answer->types.push_back(reinterpret_cast<const char16_t*>(text));
    }
    if (name.empty()) {
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return;
    }
    HWND box = ::GetDlgItem(dialog, cmb13);
    if (box == nullptr) box = ::GetDlgItem(dialog, edt1);
    ::SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(name)));
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int i = 0; i < 100 && ::IsWindow(dialog); ++i) ::Sleep(50);
    if (!::IsWindow(dialog)) return;
    // The dialog refused the name (a box says why): both are closed.
    answer->refused = true;
    HWND refusal = ::GetLastActivePopup(dialog);
    if (refusal != dialog) ::SendMessageW(refusal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
}

namespace {

std::u16string TakeText(BSTR text) {
  std::u16string taken;
  if (text != nullptr) taken.assign(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
  ::SysFreeString(text);
  return taken;
}

int value_changes = 0;
HWND counted_frame = nullptr;

void CALLBACK CountValueChange(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                               DWORD, DWORD) {
  if (event == EVENT_OBJECT_VALUECHANGE && window == counted_frame && object == OBJID_CLIENT &&
      child == CHILDID_SELF) {
    ++value_changes;
  }
}

}  // namespace

AccessibleClient ReadAccessibleClient(HWND frame) {
  AccessibleClient client;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(frame, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
    return client;
  }
  client.found = true;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT answer{};
  if (SUCCEEDED(object->get_accRole(self, &answer)) && answer.vt == VT_I4)
    client.role = answer.lVal;
  ::VariantClear(&answer);
  if (SUCCEEDED(object->get_accState(self, &answer)) && answer.vt == VT_I4) {
    client.state = static_cast<uint32_t>(answer.lVal);
  }
  ::VariantClear(&answer);
  BSTR text = nullptr;
  if (SUCCEEDED(object->get_accName(self, &text))) client.name = TakeText(text);
  text = nullptr;
  if (SUCCEEDED(object->get_accValue(self, &text))) client.value = TakeText(text);
  object->Release();
  return client;
}

ValueChangeCounter::ValueChangeCounter(HWND frame)
    : hook_(::SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
                              &CountValueChange, 0, 0, WINEVENT_OUTOFCONTEXT)) {
  counted_frame = frame;
  value_changes = 0;
}

ValueChangeCounter::~ValueChangeCounter() {
  ::UnhookWinEvent(static_cast<HWINEVENTHOOK>(hook_));
  counted_frame = nullptr;
}

int ValueChangeCounter::Count() const { return value_changes; }
