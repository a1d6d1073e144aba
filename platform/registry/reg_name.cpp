#include "platform/registry/reg_name.h"

char16_t FoldNonAsciiNameUnit(char16_t u) {
  if (u < 0x100) {
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return char16_t(u - 0x20);
    return u == 0xFF ? char16_t(0x178) : u;
  }
  if (u < 0x180) {
    // Latin Extended-A pairs capital and small letters; the pairing switches
    // from even/odd to odd/even at U+0139 and back at U+014A. The dotless i
    // (U+0131) is no small dotted capital I.
    bool odd = (u & 1) != 0;
    if ((u <= 0x137 || (u >= 0x14A && u <= 0x177)) && odd && u != 0x131) return char16_t(u - 1);
    if (((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) && !odd) {
      return char16_t(u - 1);
    }
    return u;
  }
  if (u >= 0x3B1 && u <= 0x3CB) return u == 0x3C2 ? char16_t(0x3A3) : char16_t(u - 0x20);
  if (u >= 0x430 && u <= 0x44F) return char16_t(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return char16_t(u - 0x50);
  return u;
}
