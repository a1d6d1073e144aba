// Painting: InvalidateRect, UpdateWindow, BeginPaint, EndPaint and DrawText.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

// Heights DrawText gave inside the last WM_PAINT.
struct Heights {
  int one_line, crlf, cr, lf, cut_at_break, empty_context, null_text;
  int wrapped, unwrapped;
};
Heights drawn;

constexpr char16_t LONG_TEXT[] =
    u"several words that cannot all stand on one line of a narrow rectangle";

void MeasureLines(DeviceContext dc, const Rect& client) {
  Rect r{2, 2, client.right - 2, client.bottom - 2};
  drawn.one_line = DrawText(dc, u"line", -1, &r, 0);
  drawn.crlf = DrawText(dc, u"a\r\nb", -1, &r, 0);
  drawn.cr = DrawText(dc, u"a\rb", -1, &r, 0);
  drawn.lf = DrawText(dc, u"a\nb", -1, &r, 0);
  drawn.cut_at_break = DrawText(dc, u"a\nb", 1, &r, 0);
  drawn.empty_context = DrawText(0, u"line", -1, &r, 0);
  drawn.null_text = DrawText(dc, nullptr, -1, &r, 0);
  Rect narrow{2, 2, 60, client.bottom - 2};
  drawn.wrapped = DrawText(dc, LONG_TEXT, -1, &narrow, DT_WORDBREAK);
  drawn.unwrapped = DrawText(dc, LONG_TEXT, -1, &narrow, 0);
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST_P(PlatformConformance, UpdateWindowPaintsAnInvalidWindowNowAndOnlyThen) {
  WindowHandle window = MakePaintedWindow();
  ASSERT_NE(window, 0u) << "a new visible window is painted";
  Platform().PumpEvents(50);

  const int before = CountSeen(window, WM_PAINT);
  ASSERT_TRUE(UpdateWindow(window));
  EXPECT_EQ(CountSeen(window, WM_PAINT), before) << "nothing was invalid";

  ASSERT_TRUE(InvalidateRect(window, nullptr, true));
  ASSERT_TRUE(UpdateWindow(window));
  ASSERT_EQ(CountSeen(window, WM_PAINT), before + 1) << "painted during UpdateWindow";
  const PaintRecord& paint = Paints().back();
  EXPECT_NE(paint.dc, 0u);
  EXPECT_TRUE(paint.ended);
  Rect client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_TRUE(Inside(paint.info.paint, client));
  EXPECT_LT(paint.info.paint.left, paint.info.paint.right);

  ASSERT_TRUE(UpdateWindow(window));
  EXPECT_EQ(CountSeen(window, WM_PAINT), before + 1) << "the paint validated the window";
}

TEST_P(PlatformConformance, InvalidateRectAsksForAPaintCoveringTheRectangle) {
  WindowHandle window = MakePaintedWindow();
  ASSERT_NE(window, 0u);
  const int before = CountSeen(window, WM_PAINT);
  const Rect part{10, 20, 60, 50};
  ASSERT_TRUE(InvalidateRect(window, &part, false));
  ASSERT_TRUE(WaitForPaint(window, before)) << "the loop paints what is invalid";
  const PaintRecord& paint = Paints().back();
  EXPECT_NE(paint.dc, 0u);
  EXPECT_TRUE(Inside(part, paint.info.paint));
}

TEST_P(PlatformConformance, DrawTextBreaksLinesAtEachLineEnd) {
  drawn = Heights{};
  Painter() = MeasureLines;
  ASSERT_NE(MakePaintedWindow(), 0u);
  EXPECT_GT(drawn.one_line, 0);
  EXPECT_GT(drawn.crlf, drawn.one_line);
  EXPECT_EQ(drawn.cr, drawn.crlf) << "\"\\r\" alone breaks the line";
  EXPECT_EQ(drawn.lf, drawn.crlf) << "\"\\n\" alone breaks the line";
  EXPECT_EQ(drawn.cut_at_break, drawn.one_line) << "length stops before the break";
  EXPECT_EQ(drawn.empty_context, 0);
  EXPECT_EQ(drawn.null_text, 0);
}

TEST_P(PlatformConformance, DrawTextWordBreakWrapsAtTheRightEdge) {
  drawn = Heights{};
  Painter() = MeasureLines;
  ASSERT_NE(MakePaintedWindow(), 0u);
  EXPECT_GT(drawn.one_line, 0);
  EXPECT_EQ(drawn.unwrapped, drawn.one_line) << "without DT_WORDBREAK: one line";
  EXPECT_GE(drawn.wrapped, 3 * drawn.one_line) << "60 pixels hold a word or two a line";
}

TEST_P(PlatformConformance, BeginPaintOfAnUnknownWindowGivesNoContext) {
  PaintInfo paint{};
  EXPECT_EQ(BeginPaint(0x7FFF0000u, &paint), 0u);
  EXPECT_EQ(BeginPaint(0, &paint), 0u);
}

}  // namespace
