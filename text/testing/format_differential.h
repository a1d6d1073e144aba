// Drives random sequences of the number facet's insertions, extractions,
// assignments and conversions on a DynString and on a reference model built on
// std::string, snprintf, strtol and strtod, and compares the text, Precision,
// Tag and every value read back after each step. The decisions come from a
// ChoiceSource, so the seeded unit test and the fuzz target run the same
// driver. Test code; no part of the library.
#pragma once

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/dyn_string.h"
#include "text/testing/choice_source.h"

namespace reference_model {

inline std::string Printf(const char* format, ...) QUORVAFIX_PRINTF_LIKE(1, 2);
inline std::string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// The string as a queue of space-separated tokens.
struct NumberModel {
  std::string text;
  int precision = 1;

  // Takes the first token off; false when the text is empty.
  bool TakeToken(std::string& token) {
    if (text.empty()) return false;
    size_t k = text.find(' ');
    token = text.substr(0, k);
    text = k == std::string::npos ? "" : text.substr(k + 1);
    return true;
  }
  std::string NextToken() {
    std::string token;
    TakeToken(token);
    return token;
  }
  void AppendFixedPoint(double v) {
    text += precision < 0 ? Printf("%f", v) : Printf("%.*f", precision, v);
  }
};

// strtol saturates at LONG_MIN / LONG_MAX, as the long extraction does.
inline long ReferenceToLong(const std::string& text) {
  return std::strtol(text.c_str(), nullptr, 10);
}

inline int ReferenceToInt(const std::string& text) {
  long v = ReferenceToLong(text);
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

inline double ReferenceToDouble(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

inline signed char LowByte(long n) {
  int low = static_cast<int>(static_cast<unsigned long>(n) & 0xFF);
  return static_cast<signed char>(low > 127 ? low - 256 : low);
}

inline std::string ReferenceFixed(double v, int width) {
  std::string integer = (v > -2147483649.0 && v < 2147483648.0)
                            ? std::to_string(static_cast<int>(v))
                            : Printf("%.0f", std::trunc(v));
  int decimals = LowByte(static_cast<long>(width) - static_cast<long>(integer.size()));
  return decimals < 0 ? Printf("%f", v) : Printf("%.*f", decimals, v);
}

inline bool SameDouble(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

class FormatDifferential {
 public:
  explicit FormatDifferential(ChoiceSource& choices) : choices_(choices) {}

  // Runs one random operation and compares its outcome; false from the first
  // disagreement on, which Mismatch() then describes.
  bool Step();

  // The first disagreement: step, operation, text before it and the values;
  // empty while the string and the model agree.
  const std::string& Mismatch() const { return mismatch_; }

 private:
  long Int(long lo, long hi) { return choices_.Int(lo, hi); }
  int AnyInt() {
    static const int EDGES[] = {0, 1, -1, INT_MAX, INT_MIN, 9, 10, -10};
    if (Int(0, 4) == 0) return EDGES[Int(0, 7)];
    return static_cast<int>(Int(INT_MIN, INT_MAX) >> Int(0, 31));
  }
  double Double() {
    if (Int(0, 20) == 0) return Int(0, 1) ? HUGE_VAL : -0.0;
    return choices_.Unit() * std::pow(10.0, static_cast<double>(Int(-8, 22)));
  }
  // A token from a list of awkward ones, or one made of number characters.
  std::string Token() {
    static const char* const TOKENS[] = {
        "abc", " ",   "-",     "+7", "1e5",        "0x1A",        ".5",   "\t7",   "12abc", "-0",
        "inf", "nan", "1e400", "3.", "9999999999", "-2147483649", "\xE9", "7\xA0", "  "};
    if (Int(0, 2) > 0) return TOKENS[Int(0, sizeof TOKENS / sizeof TOKENS[0] - 1)];
    static const char CHARS[] = "0123456789+-.eExXaAfFiInNpP \t\xA0\xE9";
    std::string token;
    for (long k = Int(1, 12); k > 0; --k) token += CHARS[Int(0, sizeof CHARS - 2)];
    return token;
  }

  void Fail(const std::string& what) {
    if (mismatch_.empty()) {
      mismatch_ = "step " + std::to_string(step_) + " op " + std::to_string(op_) + " on \"" +
                  before_ + "\": " + what;
    }
  }
  void Expect(long got, long want) {
    if (got != want) Fail("got " + std::to_string(got) + ", want " + std::to_string(want));
  }
  void ExpectDouble(double got, double want) {
    if (!SameDouble(got, want)) Fail("got " + Printf("%a", got) + ", want " + Printf("%a", want));
  }

  // Picks one operation and runs it.
  void RunOne();
  // One operation each on the string and the model, named after it.
  void RunWriteInt();
  void RunWriteUnsigned();
  void RunWriteShort();
  void RunWriteUnsignedLong();
  void RunWriteBoolAndLong();
  void RunWriteDouble();
  void RunWriteFloat();
  void RunSetPrecision();
  void RunWriteToken();
  void RunReadInt();
  void RunReadDouble();
  void RunReadShort();
  void RunReadBool();
  void RunReadFloatAndLong();
  void RunAssignInt();
  void RunAssignFixed();
  void RunToNumbers();
  void RunFormat();
  void RunTakeToken();

  ChoiceSource& choices_;
  DynString s_;
  NumberModel model_;
  int step_ = 0;
  long op_ = 0;
  std::string before_;
  std::string mismatch_;
};

inline bool FormatDifferential::Step() {
  if (!mismatch_.empty()) return false;
  before_ = model_.text;
  RunOne();
  if (mismatch_.empty() && s_.CStr() != model_.text) {
    Fail("text \"" + std::string(s_.CStr()) + "\", want \"" + model_.text + "\"");
  }
  Expect(s_.Precision(), model_.precision);
  if (!s_.IsNull()) Expect(s_.Tag(), -1);
  if (model_.text.size() > 2000) {
    s_.Assign("");
    model_.text.clear();
  }
  ++step_;
  return mismatch_.empty();
}

inline void FormatDifferential::RunWriteInt() {
  int v = AnyInt();
  s_ << v;
  model_.text += std::to_string(v);
}

inline void FormatDifferential::RunWriteUnsigned() {
  unsigned v = static_cast<unsigned>(choices_.Bits());
  s_ << v;
  model_.text += std::to_string(v);
}

inline void FormatDifferential::RunWriteShort() {
  short v = static_cast<short>(Int(SHRT_MIN, SHRT_MAX));
  s_ << v;
  model_.text += std::to_string(v);
}

inline void FormatDifferential::RunWriteUnsignedLong() {
  unsigned long v = choices_.Bits();
  s_ << v;
  model_.text += std::to_string(v & 0xFFFFFFFFul);
}

inline void FormatDifferential::RunWriteBoolAndLong() {
  bool v = Int(0, 1) == 1;
  long w = static_cast<long>(choices_.Bits());
  s_ << v << w;
  model_.text += (v ? "1" : "0") + std::to_string(w);
}

inline void FormatDifferential::RunWriteDouble() {
  double v = Double();
  s_ << v;
  model_.AppendFixedPoint(v);
}

inline void FormatDifferential::RunWriteFloat() {
  float v = static_cast<float>(Double());
  s_ << v;
  model_.AppendFixedPoint(v);
}

inline void FormatDifferential::RunSetPrecision() {
  long n = Int(0, 3) == 0 ? Int(INT_MIN, INT_MAX) : Int(-3, 14);
  s_.SetPrecision(static_cast<int>(n));
  model_.precision = LowByte(n);
}

inline void FormatDifferential::RunWriteToken() {
  std::string token = Token();
  s_ << token.c_str() << ' ';
  model_.text += token + ' ';
}

inline void FormatDifferential::RunReadInt() {
  int v = 77;
  s_ >> v;
  Expect(v, ReferenceToInt(model_.NextToken()));
}

inline void FormatDifferential::RunReadDouble() {
  double v = 77;
  s_ >> v;
  ExpectDouble(v, ReferenceToDouble(model_.NextToken()));
}

inline void FormatDifferential::RunReadShort() {
  short v = 77;
  s_ >> v;
  int low = ReferenceToInt(model_.NextToken()) & 0xFFFF;
  Expect(v, low > 0x7FFF ? low - 0x10000 : low);
}

inline void FormatDifferential::RunReadBool() {
  NumberModel& m = model_;
  bool v = false;
  s_ >> v;
  bool expected = !m.text.empty() && m.text[0] != ' ' && ReferenceToInt(m.text) != 0;
  size_t k = m.text.find(' ');
  m.text = k == std::string::npos ? "" : m.text.substr(k + 1);
  Expect(v, expected);
}

inline void FormatDifferential::RunReadFloatAndLong() {
  NumberModel& m = model_;
  float v = 77;
  long w = 77;
  s_ >> v >> w;
  ExpectDouble(v, static_cast<float>(ReferenceToDouble(m.NextToken())));
  Expect(w, ReferenceToLong(m.NextToken()));
}

inline void FormatDifferential::RunAssignInt() {
  int v = AnyInt();
  s_.AssignInt(v);
  model_.text = std::to_string(v);
}

inline void FormatDifferential::RunAssignFixed() {
  double v = Double();
  int width = static_cast<int>(Int(0, 9) == 0 ? Int(INT_MIN, INT_MAX) : Int(-3, 30));
  s_.AssignFixed(v, width);
  model_.text = ReferenceFixed(v, width);
}

inline void FormatDifferential::RunToNumbers() {
  NumberModel& m = model_;
  Expect(s_.ToInt(), ReferenceToInt(m.text));
  ExpectDouble(s_.ToDouble(), ReferenceToDouble(m.text));
}

inline void FormatDifferential::RunFormat() {
  NumberModel& m = model_;
  int i = AnyInt();
  double d = Double();
  std::string token = Token();
  int produced = s_.Format("%d|%s|%g|%.3e|%x", i, token.c_str(), d, d, static_cast<unsigned>(i));
  m.text = Printf("%d|%s|%g|%.3e|%x", i, token.c_str(), d, d, static_cast<unsigned>(i));
  Expect(produced, static_cast<long>(m.text.size()));
}

inline void FormatDifferential::RunTakeToken() {
  DynString token("untouched");
  std::string expected = "untouched";
  s_.TakeToken(token);
  model_.TakeToken(expected);
  if (expected != token.CStr()) {
    Fail("token \"" + std::string(token.CStr()) + "\", want \"" + expected + "\"");
  }
}

inline void FormatDifferential::RunOne() {
  // The operations, one slot each; WriteToken has two.
  static constexpr void (FormatDifferential::*OPERATIONS[20])() = {
      &FormatDifferential::RunWriteInt,         &FormatDifferential::RunWriteUnsigned,
      &FormatDifferential::RunWriteShort,       &FormatDifferential::RunWriteUnsignedLong,
      &FormatDifferential::RunWriteBoolAndLong, &FormatDifferential::RunWriteDouble,
      &FormatDifferential::RunWriteFloat,       &FormatDifferential::RunSetPrecision,
      &FormatDifferential::RunWriteToken,       &FormatDifferential::RunWriteToken,
      &FormatDifferential::RunReadInt,          &FormatDifferential::RunReadDouble,
      &FormatDifferential::RunReadShort,        &FormatDifferential::RunReadBool,
      &FormatDifferential::RunReadFloatAndLong, &FormatDifferential::RunAssignInt,
      &FormatDifferential::RunAssignFixed,      &FormatDifferential::RunToNumbers,
      &FormatDifferential::RunFormat,           &FormatDifferential::RunTakeToken,
  };
  op_ = Int(0, 19);
  (this->*OPERATIONS[op_])();
}

}  // namespace reference_model
