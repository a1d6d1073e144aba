#include "text/dyn_string.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int HEADER_SIZE = sizeof(DynStringHeader);
// The character area has Capacity + 2 bytes.
constexpr int AREA_SLACK = 2;
// Largest capacity a block may have; beyond it the int32 arithmetic overflows.
constexpr int MAX_CAPACITY = INT_MAX - 64;

char EMPTY_TEXT[1] = {0};

// Scratch fields that the accessors of a null string hand out.
signed char null_precision = 1;
int32_t null_tag = -1;

[[noreturn]] void OutOfMemory() { throw std::bad_alloc(); }

size_t BlockSize(int capacity) { return static_cast<size_t>(HEADER_SIZE) + capacity + AREA_SLACK; }

// A zeroed block for a character area of `capacity` + 2 bytes.
DynStringHeader* AllocateBlock(int capacity) {
  void* block = std::calloc(1, BlockSize(capacity));
  if (block == nullptr) OutOfMemory();
  return static_cast<DynStringHeader*>(block);
}

// A block for a character area of `capacity` + 2 bytes whose first `keep`
// bytes are copied from `from` and whose other bytes are zero, as if zeroed
// first (without writing the copied bytes twice).
DynStringHeader* AllocateCopy(int capacity, const char* from, int keep) {
  void* block = std::malloc(BlockSize(capacity));
  if (block == nullptr) OutOfMemory();
  char* area = static_cast<char*>(block) + HEADER_SIZE;
  std::memset(block, 0, HEADER_SIZE);
  std::memcpy(area, from, static_cast<size_t>(keep));
  std::memset(area + keep, 0, static_cast<size_t>(capacity + AREA_SLACK - keep));
  return static_cast<DynStringHeader*>(block);
}

char* CharsOf(DynStringHeader* header) { return reinterpret_cast<char*>(header) + HEADER_SIZE; }

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

DynString::DynString(const char* text) { StartWith(text, static_cast<int>(std::strlen(text))); }

DynString::DynString(const DynString& other) {
  if (other.chars_ != nullptr) StartWith(other.chars_, other.Length());
}

void DynString::StartWith(const char* text, int len) {
  if (len > MAX_CAPACITY - 13) OutOfMemory();
  DynStringHeader* header = AllocateCopy(len + 13, text, len + 1);
  header->capacity = len + 13;
  header->tag = -1;
  header->precision = 1;
  chars_ = CharsOf(header);
}

DynString::DynString(DynString&& other) noexcept : chars_(other.chars_) { other.chars_ = nullptr; }

void DynString::Clear() {
  if (chars_ != nullptr) std::free(Header());
  chars_ = nullptr;
}

void DynString::Grow(int n) {
  if (n < 0) return;
  if (n > MAX_CAPACITY - 13) OutOfMemory();
  if (chars_ == nullptr) {
    DynStringHeader* header = AllocateBlock(n + 13);
    header->capacity = n + 13;
    header->tag = -1;
    header->precision = 1;
    chars_ = CharsOf(header);
    return;
  }
  // Reserve has found need = n + 2 above the capacity: the block grows.
  DynStringHeader* old = Header();
  int need = n + 2;
  double grown = need * 1.3 + 11;
  if (grown > MAX_CAPACITY) OutOfMemory();
  int capacity = static_cast<int>(grown);
  DynStringHeader* header = AllocateCopy(capacity, chars_, old->capacity);
  header->capacity = capacity;
  header->tag = old->tag;
  header->precision = old->precision;
  std::free(old);
  chars_ = CharsOf(header);
}

const char* DynString::CStr() const {
  if (chars_ == nullptr || chars_[0] == '\0') return EMPTY_TEXT;
  return chars_;
}

DynString* DynString::Assign(const char* text) {
  if (text == nullptr) {
    if (Length() == 0) return nullptr;
    chars_[0] = '\0';
    return this;
  }
  int len = static_cast<int>(std::strlen(text));
  if (chars_ != nullptr && text >= chars_ && text <= chars_ + Length()) {
    // The text is a tail of this string: move it down within the block.
    std::memmove(chars_, text, static_cast<size_t>(len) + 1);
    return this;
  }
  Reserve(len);
  std::memcpy(chars_, text, static_cast<size_t>(len) + 1);
  return this;
}

DynString& DynString::Assign(const DynString& other) {
  if (&other == this) return *this;
  int len = other.Length();
  if (len == 0) {
    if (chars_ != nullptr) chars_[0] = '\0';
    return *this;
  }
  Reserve(len);
  std::memcpy(chars_, other.chars_, static_cast<size_t>(len) + 1);
  return *this;
}

DynString& DynString::Append(const char* text) {
  if (text == nullptr) return *this;
  int len = Length();
  int add = static_cast<int>(std::strlen(text));
  if (chars_ != nullptr && text >= chars_ && text <= chars_ + len) {
    // Appending part of itself: the block may move, so copy the text first.
    DynString copy(text);
    return Append(copy.CStr());
  }
  Reserve(len + add);
  std::memcpy(chars_ + len, text, static_cast<size_t>(add) + 1);
  return *this;
}

DynString& DynString::Append(const DynString& other) {
  if (&other == this) {
    DynString copy(*this);
    return Append(copy.CStr());
  }
  int len = Length();
  int add = other.Length();
  Reserve(len + add);
  std::memcpy(chars_ + len, other.CStr(), static_cast<size_t>(add) + 1);
  return *this;
}

void DynString::AppendChar(char c) {
  int len = Length();
  int add = c == '\0' ? 0 : 1;
  Reserve(len + add + 1);
  chars_[len] = c;
  chars_[len + add] = '\0';
}

int DynString::Compare(const char* text) const {
  bool empty = Length() == 0;
  if (text == nullptr) return empty ? 0 : 1;
  if (empty) return text[0] != '\0' ? 1 : 0;
  return std::strcmp(chars_, text);
}

int DynString::CompareN(const char* text, int n) const {
  bool empty = Length() == 0;
  if (text == nullptr) return empty ? 0 : 1;
  if (empty) return 1;
  // A negative count converts to a huge bound: the whole texts are compared.
  return std::strncmp(chars_, text, static_cast<size_t>(n));
}

int DynString::Equals(const char* text) const {
  int len = Length();
  if (text == nullptr) return len == 0 ? 0 : 1;
  if (len == 0) return text[0] != '\0' ? 1 : 0;
  if (static_cast<size_t>(len) != std::strlen(text)) return -1;
  return std::memcmp(chars_, text, static_cast<size_t>(len));
}

int DynString::Fill(char c, int n) {
  // Reserve does nothing for a negative count, and the terminator's place
  // would lie in the header: nothing is written.
  if (n < 0) return 0;
  Reserve(n);
  std::memset(chars_, c, static_cast<size_t>(n));
  chars_[n] = '\0';
  return n;
}

void DynString::ToUpper() {
  if (chars_ == nullptr) return;
  for (char* p = chars_; *p != '\0'; ++p) {
    if (IsLowerAscii(*p)) *p = static_cast<char>(*p - ('a' - 'A'));
  }
}

int DynString::ToLower(bool all) {
  if (chars_ == nullptr) return 0;
  char* p = chars_;
  if (!all && *p != '\0') ++p;
  for (; *p != '\0'; ++p) {
    if (IsUpperAscii(*p)) *p = static_cast<char>(*p + ('a' - 'A'));
  }
  return Length();
}

int32_t DynString::Capacity() const { return chars_ == nullptr ? 0 : Header()->capacity; }

int32_t DynString::Tag() const { return chars_ == nullptr ? -1 : Header()->tag; }

int32_t& DynString::Tag() {
  if (chars_ != nullptr) return Header()->tag;
  null_tag = -1;
  return null_tag;
}

signed char DynString::Precision() const { return chars_ == nullptr ? 1 : Header()->precision; }

signed char& DynString::Precision() {
  if (chars_ != nullptr) return Header()->precision;
  null_precision = 1;
  return null_precision;
}
