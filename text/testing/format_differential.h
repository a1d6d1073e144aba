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

#include "text/testing/choice_source.h"
#include "text/dyn_string.h"

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

  void RunOne();

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

inline void FormatDifferential::RunOne() {
  NumberModel& m = model_;
  op_ = Int(0, 19);
  switch (op_) {
    case 0: {
      int v = AnyInt();
      s_ << v;
      m.text += std::to_string(v);
      break;
    }
    case 1: {
      unsigned v = static_cast<unsigned>(choices_.Bits());
      s_ << v;
      m.text += std::to_string(v);
      break;
    }
    case 2: {
      short v = static_cast<short>(Int(SHRT_MIN, SHRT_MAX));
      s_ << v;
      m.text += std::to_string(v);
      break;
    }
    case 3: {
      unsigned long v = choices_.Bits();
      s_ << v;
      m.text += std::to_string(v & 0xFFFFFFFFul);
      break;
    }
    case 4: {
      bool v = Int(0, 1) == 1;
      long w = static_cast<long>(choices_.Bits());
      s_ << v << w;
      m.text += (v ? "1" : "0") + std::to_string(w);
      break;
    }
    case 5: {
      double v = Double();
      s_ << v;
      m.AppendFixedPoint(v);
      break;
    }
    case 6: {
      float v = static_cast<float>(Double());
      s_ << v;
      m.AppendFixedPoint(v);
      break;
    }
    case 7: {
      long n = Int(0, 3) == 0 ? Int(INT_MIN, INT_MAX) : Int(-3, 14);
      s_.SetPrecision(static_cast<int>(n));
      m.precision = LowByte(n);
      break;
    }
    case 8:
    case 9: {
      std::string token = Token();
      s_ << token.c_str() << ' ';
      m.text += token + ' ';
      break;
    }
    case 10: {
      int v = 77;
      s_ >> v;
      Expect(v, ReferenceToInt(m.NextToken()));
      break;
    }
    case 11: {
      double v = 77;
      s_ >> v;
      ExpectDouble(v, ReferenceToDouble(m.NextToken()));
      break;
    }
    case 12: {
      short v = 77;
      s_ >> v;
      int low = ReferenceToInt(m.NextToken()) & 0xFFFF;
      Expect(v, low > 0x7FFF ? low - 0x10000 : low);
      break;
    }
    case 13: {
      bool v = false;
      s_ >> v;
      bool expected = !m.text.empty() && m.text[0] != ' ' && ReferenceToInt(m.text) != 0;
      size_t k = m.text.find(' ');
      m.text = k == std::string::npos ? "" : m.text.substr(k + 1);
      Expect(v, expected);
      break;
    }
    case 14: {
      float v = 77;
      long w = 77;
      s_ >> v >> w;
      ExpectDouble(v, static_cast<float>(ReferenceToDouble(m.NextToken())));
      Expect(w, ReferenceToLong(m.NextToken()));
      break;
    }
    case 15: {
      int v = AnyInt();
      s_.AssignInt(v);
      m.text = std::to_string(v);
      break;
    }
    case 16: {
      double v = Double();
      int width = static_cast<int>(Int(0, 9) == 0 ? Int(INT_MIN, INT_MAX) : Int(-3, 30));
      s_.AssignFixed(v, width);
      m.text = ReferenceFixed(v, width);
      break;
    }
    case 17: {
      Expect(s_.ToInt(), ReferenceToInt(m.text));
      ExpectDouble(s_.ToDouble(), ReferenceToDouble(m.text));
      break;
    }
    case 18: {
      int i = AnyInt();
      double d = Double();
      std::string token = Token();
      int produced =
          s_.Format("%d|%s|%g|%.3e|%x", i, token.c_str(), d, d, static_cast<unsigned>(i));
      m.text = Printf("%d|%s|%g|%.3e|%x", i, token.c_str(), d, d, static_cast<unsigned>(i));
      Expect(produced, static_cast<long>(m.text.size()));
      break;
    }
    default: {
      DynString token("untouched");
      std::string expected = "untouched";
      s_.TakeToken(token);
      m.TakeToken(expected);
      if (expected != token.CStr()) {
        Fail("token \"" + std::string(token.CStr()) + "\", want \"" + expected + "\"");
      }
      break;
    }
  }
}

}  // namespace reference_model
