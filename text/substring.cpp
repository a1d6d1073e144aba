#include "text/substring.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/dyn_string.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// A copy of count characters from text, made in a temporary of count + 1
// reserved characters and returned by copy construction, so the result is
// allocated and sized to its text.
DynString CopyOut(const char* text, int count) {
  DynString part;
  part.Reserve(count + 1);
  char* area = part.At(0);
  std::memcpy(area, text, static_cast<size_t>(count));
  area[count] = '\0';
  return DynString(part);
}

}  // namespace

void* FillBytes(void* buffer, int count, int value) {
  if (count <= 0) return buffer;
  std::memset(buffer, value, static_cast<size_t>(count));
  return static_cast<unsigned char*>(buffer) + count;
}

void* ZeroBytes(void* buffer, int count) { return FillBytes(buffer, count, 0); }

DynString DynStringSubstrings::Substring(int index, int count) const {
  const DynString& self = SelfOf(this);
  int len = self.Length();
  index = Clamp(index, 0, len);
  count = Clamp(count, 0, len - index);
  return CopyOut(self.CStr() + index, count);
}

DynString DynStringSubstrings::SubstringRange(int first, int last) const {
  const DynString& self = SelfOf(this);
  int len = self.Length();
  if (last == -1 || last > len - 1) last = len - 1;
  first = Clamp(first, 0, len);
  int count = last < first ? 0 : last - first + 1;
  return CopyOut(self.CStr() + first, count);
}

DynString DynStringSubstrings::Slice(int start, int end) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull()) return DynString();
  int len = self.Length();
  start = Clamp(start, 0, len);
  end = Clamp(end, start, len);
  DynString part;
  part.Assign(self.CStr() + start);
  *part.At(end - start) = '\0';
  return DynString(part);
}

char* DynStringSubstrings::WriteBytes(int p, const void* source, int n) {
  DynString& self = SelfOf(this);
  if (p < 0 || n < 0 || static_cast<int64_t>(p) + n > INT_MAX) return nullptr;
  self.Reserve(p + n);
  char* at = const_cast<char*>(self.Data()) + p;
  if (n > 0) std::memcpy(at, source, static_cast<size_t>(n));
  return at;
}

int DynStringSubstrings::WriteRecord(FILE* stream) const {
  const DynString& self = SelfOf(this);
  int len = self.Length();
  if (stream == nullptr || len > MAX_RECORD_LENGTH) return EOF;
  const unsigned char field[2] = {static_cast<unsigned char>(len & 0xff),
                                  static_cast<unsigned char>(len >> 8)};
  std::fwrite(field, 2, 1, stream);
  if (len > 0) std::fwrite(self.Data(), static_cast<size_t>(len), 1, stream);
  return std::fputc('\n', stream);
}

int DynStringSubstrings::ReadRecord(FILE* stream, int largest) {
  DynString& self = SelfOf(this);
  if (stream == nullptr) return 0;
  unsigned char field[2];
  if (std::fread(field, 2, 1, stream) != 1) return 0;
  int len = static_cast<int16_t>(field[0] | field[1] << 8);
  if (len > largest || len < 0) return 0;
  // The record is read aside so that a short or malformed one leaves the
  // string as it was.
  std::vector<char> record(static_cast<size_t>(len) + 1);
  if (std::fread(record.data(), record.size(), 1, stream) != 1) return 0;
  if (record[len] != '\n') return 0;
  self.Reserve(len + 3);
  self.Reserve(len + 11);
  std::memcpy(self.At(0), record.data(), record.size());
  self.CutAt('\n');
  return 1;
}
