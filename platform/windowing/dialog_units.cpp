#include "platform/windowing/dialog_units.h"

namespace {

// value * numerator / denominator rounded to nearest, halves away from zero
// (the handheld's MulDiv).
int32_t MulDiv(int32_t value, int32_t numerator, int32_t denominator) {
  int64_t product = static_cast<int64_t>(value) * numerator;
  int64_t half = denominator / 2;
  return static_cast<int32_t>(product >= 0 ? (product + half) / denominator
                                           : (product - half) / denominator);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(int letters_width, int height) {
  return DialogBaseUnits{(letters_width / 26 + 1) / 2, height};
}

Rect MapDialogRect(const Rect& units, DialogBaseUnits base) {
  return Rect{MulDiv(units.left, base.x, 4), MulDiv(units.top, base.y, 8),
              MulDiv(units.right, base.x, 4), MulDiv(units.bottom, base.y, 8)};
}
