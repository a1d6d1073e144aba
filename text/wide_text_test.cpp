#include "text/wide_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/dyn_string.h"

namespace {

TEST(WideText, EmptyTextHasCapacityTwenty) {
  WideText w("");
  EXPECT_EQ(w.Capacity(), 20);
  EXPECT_EQ(w.Length(), 0);
  EXPECT_EQ(w.Get()[0], 0);
}

TEST(WideText, WidensCodePage1252) {
  WideText w(
      "Se\xF1"
      "al \x80");
  EXPECT_EQ(std::u16string(w.Get()), u"Se\u00F1al \u20AC");
  EXPECT_EQ(w.Length(), 7);
  EXPECT_EQ(w.Capacity(), 27);
}

TEST(WideText, ExplicitCountStopsThere) {
  WideText w("abcdef", 3);
  EXPECT_EQ(std::u16string(w.Get()), u"abc");
  EXPECT_EQ(w.Capacity(), 23);
}

TEST(WideBuffer, StartsEmpty) {
  WideBuffer b(8);
  EXPECT_EQ(b.Get()[0], 0);
  EXPECT_EQ(b.Capacity(), 8);
}

TEST(WideBuffer, LongTextIsCutNotOverflowed) {
  WideBuffer b(5);
  b.Assign("abcdefg");
  EXPECT_EQ(std::u16string(b.Get()), u"abcd");
}

TEST(WideBuffer, ShortTextFits) {
  WideBuffer b(5);
  b.Assign("ab");
  EXPECT_EQ(std::u16string(b.Get()), u"ab");
}

TEST(AssignWide, EmptyWideTextLeavesAllocatedEmpty) {
  DynString s;
  s.AssignWide(u"");
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(AssignWide, OverwritesPreviousContent) {
  DynString s("previous content");
  s.AssignWide(u"COM5: Se\u00F1al");
  EXPECT_STREQ(s.CStr(),
               "COM5: Se\xF1"
               "al");
}

TEST(AssignWide, UnmappableBecomesQuestionMark) {
  DynString s;
  s.AssignWide(u"\u0394x\U0001F600");
  EXPECT_STREQ(s.CStr(), "?x?");
}

TEST(AssignWide, ReservesCountPlusThirty) {
  DynString s;
  s.AssignWide(u"abc");
  EXPECT_GE(s.Capacity(), 3 + 32);
}

TEST(AssignWide, CountShorterThanTextStaysTerminatedWithinLimit) {
  std::u16string long_text(100, u'x');
  DynString s;
  s.AssignWide(long_text.c_str(), 2);
  EXPECT_EQ(s.Length(), 22);  // the converter's limit is n + 20
}

TEST(AssignWide, NullTextGivesEmpty) {
  DynString s("abc");
  s.AssignWide(nullptr);
  EXPECT_STREQ(s.CStr(), "");
}

TEST(AssignWide, RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  WideText w(all.c_str());
  DynString s;
  s.AssignWide(w.Get());
  EXPECT_EQ(std::string(s.CStr()), all);
}

}  // namespace
