#include "text/wide_text.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/code_page.h"
#include "text/dyn_string.h"

namespace {

char16_t* AllocateUnits(int count) {
  void* units = std::calloc(static_cast<size_t>(count), sizeof(char16_t));
  if (units == nullptr) throw std::bad_alloc();
  return static_cast<char16_t*>(units);
}

}  // namespace

int WideLength(const char16_t* text) {
  if (text == nullptr) return 0;
  int n = 0;
  while (text[n] != 0) ++n;
  return n;
}

WideText::WideText(const char* text, int n) {
  if (n < 0) n = static_cast<int>(std::strlen(text));
  capacity_ = n + 20;
  buffer_ = AllocateUnits(capacity_);
  MultiByteToWide(text, n + 1, buffer_, capacity_);
  // An explicit count may stop short of the text's own terminator.
  buffer_[n] = 0;
}

WideText::~WideText() { std::free(buffer_); }

WideBuffer::WideBuffer(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {
  buffer_ = AllocateUnits(capacity_);
}

WideBuffer::~WideBuffer() { std::free(buffer_); }

void WideBuffer::Assign(const char* text) {
  WideText wide(text);
  int k = wide.Length();
  if (k > capacity_ - 1) k = capacity_ - 1;
  std::memcpy(buffer_, wide.Get(), static_cast<size_t>(k) * sizeof(char16_t));
  buffer_[k] = 0;
}

void DynStringWide::AssignWide(const char16_t* text, int n) {
  DynString& self = SelfOf(this);
  if (n < 0) n = WideLength(text);
  self.Reserve(n + 30);
  char* dst = self.At(0);
  int limit = n + 20;
  int written = WideToMultiByte(text, -1, dst, limit);
  // A text longer than n units fills the limit without its terminator.
  if (written == 0 || dst[written - 1] != '\0') dst[written < limit ? written : limit] = '\0';
}
