#include "platform/code_page.h"

namespace {

// Characters of bytes 0x80-0x9F; the rest of 0x00-0xFF is Latin-1.
constexpr char16_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

template <typename Unit>
int MeasureThroughTerminator(const Unit* src) {
  int n = 0;
  while (src[n] != 0) ++n;
  return n + 1;
}

}  // namespace

char16_t CodePageToWide(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return HIGH_CONTROLS[b - 0x80];
  return b;
}

char WideToCodePage(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (int i = 0; i < 32; ++i) {
    if (HIGH_CONTROLS[i] == u) return static_cast<char>(0x80 + i);
  }
  return '?';
}

int MultiByteToWide(const char* src, int src_count, char16_t* dst, int dst_limit) {
  if (src == nullptr || dst_limit < 0) return 0;
  if (src_count < 0) src_count = MeasureThroughTerminator(src);
  if (dst_limit == 0) return src_count;
  int written = 0;
  for (int i = 0; i < src_count && written < dst_limit; ++i) {
    dst[written++] = CodePageToWide(static_cast<unsigned char>(src[i]));
  }
  return written;
}

int WideToMultiByte(const char16_t* src, int src_count, char* dst, int dst_limit) {
  if (src == nullptr || dst_limit < 0) return 0;
  if (src_count < 0) src_count = MeasureThroughTerminator(src);
  int written = 0;
  for (int i = 0; i < src_count; ++i) {
    if (dst_limit != 0 && written >= dst_limit) break;
    char16_t u = src[i];
    if (IsHighSurrogate(u) && i + 1 < src_count && IsLowSurrogate(src[i + 1])) ++i;
    if (dst_limit != 0) dst[written] = WideToCodePage(u);
    ++written;
  }
  return written;
}
