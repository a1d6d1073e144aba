// Differential test of the number facet against a reference model built on
// std::string, snprintf, strtol and strtod: random insertions, extractions and
// assignments on one string, compared with the model after every step.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "text/dyn_string.h"

namespace {

std::string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// The string as a queue of space-separated tokens.
struct Model {
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

int ReferenceToInt(const std::string& text) {
  long v = std::strtol(text.c_str(), nullptr, 10);
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

double ReferenceToDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

signed char LowByte(long n) {
  int low = static_cast<int>(static_cast<unsigned long>(n) & 0xFF);
  return static_cast<signed char>(low > 127 ? low - 256 : low);
}

std::string ReferenceFixed(double v, int width) {
  std::string integer = (v > -2147483649.0 && v < 2147483648.0)
                            ? std::to_string(static_cast<int>(v))
                            : Printf("%.0f", std::trunc(v));
  int decimals = LowByte(static_cast<long>(width) - static_cast<long>(integer.size()));
  return decimals < 0 ? Printf("%f", v) : Printf("%.*f", decimals, v);
}

bool SameDouble(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

class Random {
 public:
  explicit Random(unsigned seed) : engine_(seed) {}
  long Int(long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(engine_); }
  unsigned long Bits() { return std::uniform_int_distribution<unsigned long>()(engine_); }
  int AnyInt() {
    static const int kEdges[] = {0, 1, -1, INT_MAX, INT_MIN, 9, 10, -10};
    if (Int(0, 4) == 0) return kEdges[Int(0, 7)];
    return static_cast<int>(Int(INT_MIN, INT_MAX) >> Int(0, 31));
  }
  double Double() {
    if (Int(0, 20) == 0) return Int(0, 1) ? HUGE_VAL : -0.0;
    double mantissa = std::uniform_real_distribution<double>(-1.0, 1.0)(engine_);
    return mantissa * std::pow(10.0, static_cast<double>(Int(-8, 22)));
  }
  const char* Token() {
    static const char* kTokens[] = {"abc",  " ",  "-",     "+7", "1e5",    "0x1A", ".5",
                                    "\t7",  "12abc", "-0", "inf", "nan",   "1e400", "3.",
                                    "9999999999", "-2147483649", "\xE9", "7\xA0", "  "};
    return kTokens[Int(0, sizeof kTokens / sizeof kTokens[0] - 1)];
  }

 private:
  std::mt19937_64 engine_;
};

TEST(DynStringFormatReference, RandomOperationsMatchModel) {
  Random random(20240611);
  DynString s;
  Model model;
  for (int step = 0; step < 20000; ++step) {
    long op = random.Int(0, 19);
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op) + " text '" +
                 model.text + "'");
    switch (op) {
      case 0: {
        int v = random.AnyInt();
        s << v;
        model.text += std::to_string(v);
        break;
      }
      case 1: {
        unsigned v = static_cast<unsigned>(random.Bits());
        s << v;
        model.text += std::to_string(v);
        break;
      }
      case 2: {
        short v = static_cast<short>(random.Int(SHRT_MIN, SHRT_MAX));
        s << v;
        model.text += std::to_string(v);
        break;
      }
      case 3: {
        unsigned long v = random.Bits();
        s << v;
        model.text += std::to_string(v & 0xFFFFFFFFul);
        break;
      }
      case 4: {
        bool v = random.Int(0, 1) == 1;
        long w = static_cast<long>(random.Bits());
        s << v << w;
        model.text += (v ? "1" : "0") + std::to_string(w);
        break;
      }
      case 5: {
        double v = random.Double();
        s << v;
        model.AppendFixedPoint(v);
        break;
      }
      case 6: {
        float v = static_cast<float>(random.Double());
        s << v;
        model.AppendFixedPoint(v);
        break;
      }
      case 7: {
        long n = random.Int(0, 3) == 0 ? random.Int(INT_MIN, INT_MAX) : random.Int(-3, 14);
        s.SetPrecision(static_cast<int>(n));
        model.precision = LowByte(n);
        break;
      }
      case 8:
      case 9: {
        const char* token = random.Token();
        s << token << ' ';
        model.text += std::string(token) + ' ';
        break;
      }
      case 10: {
        int v = 77;
        s >> v;
        ASSERT_EQ(v, ReferenceToInt(model.NextToken()));
        break;
      }
      case 11: {
        double v = 77;
        s >> v;
        ASSERT_TRUE(SameDouble(v, ReferenceToDouble(model.NextToken()))) << v;
        break;
      }
      case 12: {
        short v = 77;
        s >> v;
        int low = ReferenceToInt(model.NextToken()) & 0xFFFF;
        ASSERT_EQ(v, low > 0x7FFF ? low - 0x10000 : low);
        break;
      }
      case 13: {
        bool v = false;
        s >> v;
        bool expected = !model.text.empty() && model.text[0] != ' ' &&
                        ReferenceToInt(model.text) != 0;
        size_t k = model.text.find(' ');
        model.text = k == std::string::npos ? "" : model.text.substr(k + 1);
        ASSERT_EQ(v, expected);
        break;
      }
      case 14: {
        float v = 77;
        long w = 77;
        s >> v >> w;
        ASSERT_TRUE(SameDouble(v, static_cast<float>(ReferenceToDouble(model.NextToken()))));
        ASSERT_EQ(w, ReferenceToInt(model.NextToken()));
        break;
      }
      case 15: {
        int v = random.AnyInt();
        s.AssignInt(v);
        model.text = std::to_string(v);
        break;
      }
      case 16: {
        double v = random.Double();
        int width = static_cast<int>(random.Int(0, 9) == 0 ? random.Int(INT_MIN, INT_MAX)
                                                           : random.Int(-3, 30));
        s.AssignFixed(v, width);
        model.text = ReferenceFixed(v, width);
        break;
      }
      case 17: {
        ASSERT_EQ(s.ToInt(), ReferenceToInt(model.text));
        ASSERT_TRUE(SameDouble(s.ToDouble(), ReferenceToDouble(model.text)));
        break;
      }
      case 18: {
        int i = random.AnyInt();
        double d = random.Double();
        const char* token = random.Token();
        int produced = s.Format("%d|%s|%g|%.3e|%x", i, token, d, d, static_cast<unsigned>(i));
        model.text = Printf("%d|%s|%g|%.3e|%x", i, token, d, d, static_cast<unsigned>(i));
        ASSERT_EQ(produced, static_cast<int>(model.text.size()));
        break;
      }
      default: {
        DynString token("untouched");
        std::string expected = "untouched";
        s.TakeToken(token);
        model.TakeToken(expected);
        ASSERT_EQ(token.CStr(), expected);
        break;
      }
    }
    ASSERT_EQ(s.CStr(), model.text);
    ASSERT_EQ(s.Precision(), model.precision);
    if (!s.IsNull()) {
      ASSERT_EQ(s.Tag(), -1);
    }
    if (model.text.size() > 2000) {
      s.Assign("");
      model.text.clear();
    }
  }
}

}  // namespace
