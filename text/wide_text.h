// Wide (UTF-16) text at the platform boundary.
//
// The program composes narrow Windows-1252 text; platform calls (registry,
// window text, message boxes) take and return UTF-16. WideText is a temporary
// wide copy of a narrow text, made on the line before one platform call and
// dropped right after; WideBuffer is a fixed-capacity wide buffer; AssignWide
// brings wide text back into a DynString. All three own their buffers; one
// that cannot be had throws std::bad_alloc.
#pragma once

#include <cstdint>

// Length in units of a NUL-terminated wide text; 0 for null.
int WideLength(const char16_t* text);

class WideText {
 public:
  // Widens the first n bytes of text (n = -1: strlen) plus its terminator
  // into a buffer of n + 20 units. Example: WideText("") has capacity 20.
  explicit WideText(const char* text, int n = -1);
  ~WideText();
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  const char16_t* Get() const { return buffer_; }
  int Capacity() const { return capacity_; }
  // Units before the terminator.
  int Length() const { return WideLength(buffer_); }

 private:
  char16_t* buffer_;
  int32_t capacity_;
};

class WideBuffer {
 public:
  // A buffer of `capacity` units holding the empty text (capacity >= 1).
  explicit WideBuffer(int capacity);
  ~WideBuffer();
  WideBuffer(const WideBuffer&) = delete;
  WideBuffer& operator=(const WideBuffer&) = delete;

  // Widens text into the buffer, cut to capacity - 1 units and terminated.
  // Example: capacity 5 and "abcdefg" hold "abcd".
  void Assign(const char* text);

  char16_t* Get() { return buffer_; }
  const char16_t* Get() const { return buffer_; }
  int Capacity() const { return capacity_; }

 private:
  char16_t* buffer_;
  int32_t capacity_;
};

// The DynString operation that narrows wide text; see DynString.
class DynStringWide {
 public:
  // Replaces the text with the narrow form of the first n units of text
  // (n = -1: WideLength), converted through its terminator after reserving
  // n + 30 bytes. Characters Windows-1252 lacks become '?'. The result is
  // always terminated; an empty wide text leaves an allocated empty string.
  void AssignWide(const char16_t* text, int n = -1);

 protected:
  DynStringWide() = default;
  ~DynStringWide() = default;
};
