#include "platform/windowing/dialog_units.h"

#include <gtest/gtest.h>

namespace {

TEST(BaseUnitsOf, AverageWidthRoundsAsTheHandheldDoes) {
  struct Case {
    int width, height;
    int x, y;
  };
  const Case cases[] = {
      {312, 13, 6, 13},  // 312 / 26 = 12 -> (12 + 1) / 2 = 6
      {286, 13, 6, 13},  // 11 -> (11 + 1) / 2 = 6
      {260, 11, 5, 11},  // 10 -> 11 / 2 = 5
      {259, 11, 5, 11},  // 9 -> 10 / 2 = 5
      {0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DialogBaseUnits base = BaseUnitsOf(c.width, c.height);
    EXPECT_EQ(base.x, c.x) << c.width;
    EXPECT_EQ(base.y, c.y) << c.width;
  }
}

TEST(MapDialogRect, AboutBoxControlsForAnEightPointFont) {
  const DialogBaseUnits base{6, 13};
  EXPECT_EQ(MapDialogRect({0, 0, 140, 57}, base), (Rect{0, 0, 210, 93}));    // 92.625 -> 93
  EXPECT_EQ(MapDialogRect({11, 17, 31, 37}, base), (Rect{17, 28, 47, 60}));  // 16.5 -> 17
  EXPECT_EQ(MapDialogRect({40, 10, 110, 18}, base), (Rect{60, 16, 165, 29}));
  EXPECT_EQ(MapDialogRect({40, 25, 110, 33}, base), (Rect{60, 41, 165, 54}));
}

TEST(MapDialogRect, NegativeUnitsRoundAwayFromZero) {
  EXPECT_EQ(MapDialogRect({-11, -17, 0, 0}, DialogBaseUnits{6, 13}), (Rect{-17, -28, 0, 0}));
}

}  // namespace
