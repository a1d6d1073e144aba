// The frames' painting and scrolling: the real HDC of WM_PAINT with the
// program's font and colours, the class background, DrawTextW, and the
// vertical scroll bar over text taller than the client area.
#include <algorithm>

#include "platform/win32/win32_native_state.h"

namespace win32 {

namespace {

// The point size of the program's text, as on the other desktop backends.
constexpr int TEXT_POINTS = 9;
constexpr int WHEEL_LINES = 3;

// The system's message font at TEXT_POINTS, made once for the process.
HFONT ProgramFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW face{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      face = metrics.lfMessageFont;
    } else {
      ::lstrcpynW(face.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    }
    HDC screen = ::GetDC(nullptr);
    face.lfHeight = -::MulDiv(TEXT_POINTS, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    face.lfWidth = 0;
    return ::CreateFontIndirectW(&face);
  }();
  return font;
}

// One line of the program's text, the scroll bar's and the arrow keys' step.
int LineHeight() {
  static int height = [] {
    HDC screen = ::GetDC(nullptr);
    HGDIOBJ previous = ::SelectObject(screen, ProgramFont());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen, &metrics);
    ::SelectObject(screen, previous);
    ::ReleaseDC(nullptr, screen);
    return std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
  }();
  return height;
}

int ClientHeight(HWND native) {
  RECT client{};
  ::GetClientRect(native, &client);
  return client.bottom;
}

}  // namespace

void PaintFrame(HWND native, FrameState& state) {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(native, &paint);
  if (dc == nullptr) return;
  // Program coordinates: the text scrolled up by the scroll position.
  ::SetViewportOrgEx(dc, 0, -state.scroll, nullptr);
  RECT area = paint.rcPaint;
  ::OffsetRect(&area, 0, state.scroll);
  HBRUSH background = ::CreateSolidBrush(state.background);
  ::FillRect(dc, &area, background);
  ::DeleteObject(background);
  HGDIOBJ previous_font = ::SelectObject(dc, ProgramFont());
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkColor(dc, RGB(255, 255, 255));
  ::SetBkMode(dc, OPAQUE);
  const int content =
      state.events->OnPaint(state.window, dc, Box{area.left, area.top, area.right, area.bottom});
  ::SelectObject(dc, previous_font);
  ::EndPaint(native, &paint);
  // The program may have destroyed the window while painting.
  FrameState* live = FrameOf(native);
  if (live == nullptr || live->events == nullptr || live->content == content) return;
  live->content = content;
  FitScrollBar(native, *live);
}

void FitScrollBar(HWND native, FrameState& state) {
  const int page = ClientHeight(native);
  const int most = std::max(0, state.content - page);
  const int scroll = std::clamp(state.scroll, 0, most);
  SCROLLINFO bar{};
  bar.cbSize = sizeof(bar);
  bar.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  bar.nMin = 0;
  bar.nMax = std::max(0, state.content - 1);
  bar.nPage = static_cast<UINT>(std::max(0, page));
  bar.nPos = scroll;
  ::SetScrollInfo(native, SB_VERT, &bar, TRUE);
  if (scroll != state.scroll) {
    state.scroll = scroll;
    ::InvalidateRect(native, nullptr, FALSE);
  }
}

void ScrollTo(HWND native, FrameState& state, int pos) {
  const int most = std::max(0, state.content - ClientHeight(native));
  pos = std::clamp(pos, 0, most);
  if (pos == state.scroll) return;
  state.scroll = pos;
  ::SetScrollPos(native, SB_VERT, pos, TRUE);
  ::InvalidateRect(native, nullptr, FALSE);
}

void ScrollForBar(HWND native, FrameState& state, WORD request) {
  const int page = std::max(LineHeight(), ClientHeight(native) - LineHeight());
  switch (request) {
    case SB_LINEUP:
      ScrollTo(native, state, state.scroll - LineHeight());
      break;
    case SB_LINEDOWN:
      ScrollTo(native, state, state.scroll + LineHeight());
      break;
    case SB_PAGEUP:
      ScrollTo(native, state, state.scroll - page);
      break;
    case SB_PAGEDOWN:
      ScrollTo(native, state, state.scroll + page);
      break;
    case SB_TOP:
      ScrollTo(native, state, 0);
      break;
    case SB_BOTTOM:
      ScrollTo(native, state, state.content);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO bar{};
      bar.cbSize = sizeof(bar);
      bar.fMask = SIF_TRACKPOS;
      if (::GetScrollInfo(native, SB_VERT, &bar)) ScrollTo(native, state, bar.nTrackPos);
      break;
    }
    default:
      break;
  }
}

void ScrollForWheel(HWND native, FrameState& state, int delta) {
  ScrollTo(native, state, state.scroll - delta * WHEEL_LINES * LineHeight() / WHEEL_DELTA);
}

bool ScrollForKey(HWND native, FrameState& state, WPARAM key) {
  static constexpr struct {
    WPARAM key;
    WORD request;
  } keys[] = {{VK_PRIOR, SB_PAGEUP}, {VK_NEXT, SB_PAGEDOWN}, {VK_HOME, SB_TOP},
              {VK_END, SB_BOTTOM},   {VK_UP, SB_LINEUP},     {VK_DOWN, SB_LINEDOWN}};
  for (const auto& entry : keys) {
    if (entry.key != key) continue;
    ScrollForBar(native, state, entry.request);
    return true;
  }
  return false;
}

void Invalidate(HWND native, const Box* area, bool erase) {
  FrameState* state = FrameOf(native);
  if (state == nullptr) return;
  if (area == nullptr) {
    ::InvalidateRect(native, nullptr, erase);
    return;
  }
  RECT shown{area->left, area->top - state->scroll, area->right, area->bottom - state->scroll};
  ::InvalidateRect(native, &shown, erase);
}

void Update(HWND native) { ::UpdateWindow(native); }

int ContentHeight(HWND native) {
  FrameState* state = FrameOf(native);
  return state == nullptr ? 0 : state->content;
}

int ScrollBarWidth(HWND native) {
  const LONG_PTR style = ::GetWindowLongPtrW(native, GWL_STYLE);
  return (style & WS_VSCROLL) != 0 ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
}

int DrawTextOn(void* dc, const char16_t* text, int length, Box* box, bool word_break) {
  UINT format = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;
  // DT_EDITCONTROL also breaks a word longer than the box's width.
  if (word_break) format |= DT_WORDBREAK | DT_EDITCONTROL;
  // The whole text is measured, not what a paint clipped to the box draws:
  // the lines below the box are the ones the scroll bar must reach.
  RECT whole{box->left, box->top, box->right, box->bottom};
  const int height =
      ::DrawTextW(static_cast<HDC>(dc), Wide(text), length, &whole, format | DT_CALCRECT);
  RECT area{box->left, box->top, box->right, std::max<LONG>(box->bottom, whole.bottom)};
  ::DrawTextW(static_cast<HDC>(dc), Wide(text), length, &area, format);
  return height;
}

}  // namespace win32
