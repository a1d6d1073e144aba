// The frame's text as screen readers (Narrator, NVDA) read it, through
// Microsoft Active Accessibility: WM_GETOBJECT for the client area answers
// a read-only text object named "Report" whose value is the text of the
// last paint, and a new text raises EVENT_OBJECT_VALUECHANGE. Everything
// else the object tells (place, parent, focus, navigation) is the system's
// standard client object's, to which it hands those calls.
#include <oleacc.h>

#include <string>

#include "platform/win32/win32_native_state.h"

namespace win32 {

namespace {

constexpr wchar_t REPORT_NAME[] = L"Report";

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The client area of one frame. Reads the frame's text at each call, so
// that a reader holding the object past the frame's end gets an error.
class ReportObject final : public IAccessible {
 public:
  ReportObject(HWND native, IAccessible* standard) : native_(native), standard_(standard) {}

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: readers call the methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // What this object itself tells.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, REPORT_NAME, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    const FrameState* state = FrameOf(native_);
    if (state == nullptr) return CO_E_OBJNOTCONNECTED;
    return Text(child, reinterpret_cast<const wchar_t*>(state->text.c_str()), value);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_TEXT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const HRESULT result = standard_->get_accState(child, state);
    if (SUCCEEDED(result) && state->vt == VT_I4) state->lVal |= STATE_SYSTEM_READONLY;
    return result;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // The standard client object's answers.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
    return standard_->get_accHelp(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
    return standard_->get_accKeyboardShortcut(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
    return standard_->get_accDefaultAction(child, text);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
    return standard_->accSelect(how, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }

 private:
  ~ReportObject() { standard_->Release(); }

  static HRESULT Text(const VARIANT& child, const wchar_t* text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    *out = ::SysAllocString(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  HWND native_;
  IAccessible* standard_;  // owned: one reference
  LONG references_ = 1;
};

}  // namespace

LRESULT AnswerAccessibleObject(HWND native, WPARAM flags, LPARAM object) {
  if (static_cast<LONG>(object) != OBJID_CLIENT) {
    return ::DefWindowProcW(native, WM_GETOBJECT, flags, object);
  }
  IAccessible* standard = nullptr;
  if (FAILED(::CreateStdAccessibleObject(native, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  auto* report = new ReportObject(native, standard);
  const LRESULT answer = ::LresultFromObject(__uuidof(IAccessible), flags, report);
  report->Release();
  return answer;
}

std::u16string FrameText(HWND native) {
  const FrameState* state = FrameOf(native);
  return state == nullptr ? std::u16string() : state->text;
}

void SetFrameText(HWND native, std::u16string text) {
  FrameState* state = FrameOf(native);
  if (state == nullptr) return;
  state->text = std::move(text);
  ScrollTo(native, *state, 0);
  ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, native, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace win32
