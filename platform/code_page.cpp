#include "platform/code_page.h"

namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

template <typename Unit>
int MeasureThroughTerminator(const Unit* src) {
  int n = 0;
  while (src[n] != 0) ++n;
  return n + 1;
}

}  // namespace

char WideToCodePage(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (int i = 0; i < 32; ++i) {
    if (CODE_PAGE_HIGH_CONTROLS[i] == u) return static_cast<char>(0x80 + i);
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
