// The tests of text/dyn_string.h, one file as the header is one.
#include "text/dyn_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/testing/freed_block_poison.h"
#include "text/testing/full_block.h"

namespace {

// Reads the header bytes straight from memory, independently of the accessors.
struct RawHeader {
  signed char precision;
  int32_t capacity;
  int32_t tag;
};

RawHeader ReadRaw(const DynString& s) {
  const char* chars = s.Data();
  RawHeader h;
  std::memcpy(&h.precision, chars - 9, 1);
  std::memcpy(&h.capacity, chars - 8, 4);
  std::memcpy(&h.tag, chars - 4, 4);
  return h;
}

TEST(DynStringLayout, ObjectIsOnePointer) { EXPECT_EQ(sizeof(DynString), sizeof(void*)); }

TEST(DynStringLayout, HeaderFieldsSitAtTheirOffsets) {
  DynString s("abc");
  RawHeader raw = ReadRaw(s);
  EXPECT_EQ(raw.precision, 1);
  EXPECT_EQ(raw.capacity, 3 + 13);
  EXPECT_EQ(raw.tag, -1);
  s.Precision() = 4;
  s.Tag() = 77;
  raw = ReadRaw(s);
  EXPECT_EQ(raw.precision, 4);
  EXPECT_EQ(raw.tag, 77);
  EXPECT_EQ(s.Capacity(), raw.capacity);
}

TEST(DynStringNull, DefaultIsNullAndBehavesAsEmpty) {
  DynString s;
  EXPECT_TRUE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(s.Precision(), 1);
  EXPECT_EQ(s.Compare(""), 0);
  EXPECT_EQ(s.CompareN("COM", 3), 1);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(DynStringNull, WritingPrecisionOfNullStringDoesNotLeak) {
  DynString a;
  a.Precision() = 9;
  DynString b;
  EXPECT_EQ(b.Precision(), 1);
  EXPECT_EQ(const_cast<const DynString&>(a).Precision(), 1);
}

TEST(DynStringNull, EmptyTextsShareOneStaticEmpty) {
  DynString null_string;
  DynString empty("");
  EXPECT_EQ(null_string.CStr(), empty.CStr());
  EXPECT_NE(empty.Data(), empty.CStr());
}

TEST(DynStringReserve, FirstBlockSizedExactly) {
  DynString s;
  s.Reserve(0);
  EXPECT_EQ(s.Capacity(), 13);
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_EQ(s.Tag(), -1);
  EXPECT_EQ(s.Precision(), 1);
}

TEST(DynStringReserve, NegativeDoesNothing) {
  DynString s;
  s.Reserve(-1);
  EXPECT_TRUE(s.IsNull());
}

TEST(DynStringReserve, GrowthAppliesFactor) {
  DynString s;
  s.Reserve(37);  // capacity 50
  ASSERT_EQ(s.Capacity(), 50);
  s.Reserve(100);  // need 102 -> 143
  EXPECT_EQ(s.Capacity(), 143);
}

TEST(DynStringReserve, NoGrowthWhileNeedFits) {
  DynString s;
  s.Reserve(0);
  s.Reserve(11);  // 11 + 2 == 13
  EXPECT_EQ(s.Capacity(), 13);
  s.Reserve(12);
  EXPECT_EQ(s.Capacity(), static_cast<int>(14 * 1.3 + 11));
}

// Reserve(Capacity() - 2) is the largest request a block meets as it is: the
// block stays where it is; one more moves it to the capacity the growth rule
// gives. Checked on a first block, a copy and grown blocks.
TEST(DynStringReserve, CapacityBoundary) {
  struct Case {
    const char* text;
    int first_reserve;  // the reserve that sizes the block
    int capacity;
    int grown;  // capacity after Reserve(capacity - 1)
  };
  const Case cases[] = {
      {"", 0, 13, 29},      // first block; need 14 gives 14 * 1.3 + 11
      {"abc", 0, 16, 33},   // a copy of "abc" is sized to its length
      {"abc", 20, 39, 63},  // grown from 16: need 22 gives 39
      {"", 100, 143, 198},  // grown from 13: need 102 gives 143
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    s.Reserve(c.first_reserve);
    ASSERT_EQ(s.Capacity(), c.capacity) << c.text << " " << c.first_reserve;
    const char* block = s.Data();
    s.Reserve(c.capacity - 2);
    EXPECT_EQ(s.Data(), block) << c.capacity;
    EXPECT_EQ(s.Capacity(), c.capacity);
    s.Reserve(c.capacity - 1);
    EXPECT_NE(s.Data(), block) << c.capacity;
    EXPECT_EQ(s.Capacity(), c.grown);
    EXPECT_STREQ(s.CStr(), c.text);
  }
}

TEST(DynStringReserve, GrowthKeepsTextTagAndPrecision) {
  DynString s("hello");
  s.Tag() = 5;
  s.Precision() = 3;
  s.Reserve(1000);
  EXPECT_STREQ(s.CStr(), "hello");
  EXPECT_EQ(s.Tag(), 5);
  EXPECT_EQ(s.Precision(), 3);
  EXPECT_GE(s.Capacity(), 1002);
}

TEST(DynStringAt, GrowsAndDoesNotMoveTerminator) {
  DynString s;
  *s.At(0) = 'x';
  *s.At(1) = '\0';
  EXPECT_STREQ(s.CStr(), "x");
  EXPECT_GE(s.Capacity(), 3);
  *s.At(40) = 'y';  // beyond the text: the text is still "x"
  EXPECT_STREQ(s.CStr(), "x");
  EXPECT_GE(s.Capacity(), 42);
}

TEST(DynStringConstruct, FromText) {
  DynString s("abc");
  EXPECT_STREQ(s.CStr(), "abc");
  EXPECT_EQ(s.Capacity(), 16);
}

TEST(DynStringConstruct, CopyFromNullStaysNull) {
  DynString null_string;
  DynString copy(null_string);
  EXPECT_TRUE(copy.IsNull());
}

TEST(DynStringConstruct, CopyFromEmptyAllocates) {
  DynString empty("");
  DynString copy(empty);
  EXPECT_FALSE(copy.IsNull());
  EXPECT_STREQ(copy.CStr(), "");
}

TEST(DynStringConstruct, CopyIsIndependentWithDefaultHeader) {
  DynString a("abc");
  a.Tag() = 7;
  DynString b(a);
  *b.At(0) = 'X';
  EXPECT_STREQ(a.CStr(), "abc");
  EXPECT_STREQ(b.CStr(), "Xbc");
  EXPECT_EQ(b.Tag(), -1);
}

TEST(DynStringConstruct, MoveTakesTheBlock) {
  DynString a("abc");
  const char* block = a.Data();
  DynString b(std::move(a));
  EXPECT_EQ(b.Data(), block);
  EXPECT_TRUE(a.IsNull());
  DynString c("z");
  c.Tag() = 4;
  c = std::move(b);  // assignment copies: the target keeps its own header
  EXPECT_STREQ(c.CStr(), "abc");
  EXPECT_EQ(c.Tag(), 4);
}

TEST(DynStringClear, ReturnsToNull) {
  DynString s("abc");
  s.Clear();
  EXPECT_TRUE(s.IsNull());
  s.Clear();
  EXPECT_TRUE(s.IsNull());
}

TEST(DynStringAssignText, CopiesText) {
  DynString s("old");
  EXPECT_EQ(s.Assign("a much longer text"), &s);
  EXPECT_STREQ(s.CStr(), "a much longer text");
}

TEST(DynStringAssignText, NullTextEmptiesNonEmptyString) {
  DynString s("abc");
  EXPECT_EQ(s.Assign(static_cast<const char*>(nullptr)), &s);
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringAssignText, NullTextOnNullOrEmptyReturnsNull) {
  DynString null_string;
  EXPECT_EQ(null_string.Assign(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_TRUE(null_string.IsNull());
  DynString empty("");
  EXPECT_EQ(empty.Assign(static_cast<const char*>(nullptr)), nullptr);
}

TEST(DynStringAssignText, TailOfItself) {
  DynString s("abcdef");
  s.Assign(s.CStr() + 2);
  EXPECT_STREQ(s.CStr(), "cdef");
}

TEST(DynStringAssign, EmptyOtherToNullLeavesNull) {
  DynString s;
  DynString empty("");
  s.Assign(empty);
  EXPECT_TRUE(s.IsNull());
  DynString null_other;
  s = null_other;
  EXPECT_TRUE(s.IsNull());
}

TEST(DynStringAssign, EmptyOtherToNonNullLeavesAllocatedEmpty) {
  DynString s("abc");
  s.Assign(DynString());
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringAssign, KeepsHeaderFields) {
  DynString s("abc");
  s.Tag() = 3;
  s.Precision() = 2;
  s = DynString("a text long enough to force growth of the block");
  EXPECT_EQ(s.Tag(), 3);
  EXPECT_EQ(s.Precision(), 2);
}

TEST(DynStringAssign, SelfAssignmentIsHarmless) {
  DynString s("abc");
  DynString& alias = s;
  s = alias;
  EXPECT_STREQ(s.CStr(), "abc");
}

TEST(DynStringAppend, TextAndNull) {
  DynString s;
  s.Append("ab").Append(static_cast<const char*>(nullptr)).Append("cd");
  EXPECT_STREQ(s.CStr(), "abcd");
  s.AppendText("e");
  EXPECT_STREQ(s.CStr(), "abcde");
}

TEST(DynStringAppend, NullOtherStillAllocates) {
  DynString s;
  s.Append(DynString());
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringAppend, ItselfAndItsOwnTail) {
  DynString s("ab");
  s.Append(s);
  EXPECT_STREQ(s.CStr(), "abab");
  s.Append(s.CStr() + 3);
  EXPECT_STREQ(s.CStr(), "ababb");
}

// Appending part of its own text when the append must grow the block: the
// source lies in the block that growth frees, so it has to be copied first.
// A missed copy reads the freed block, which FreedBlockPoison fills with its
// poison byte however long the process has run and whatever the allocator
// does with the block (under AddressSanitizer the read itself is reported).
TEST(DynStringAppend, OwnTailWhileGrowing) {
  struct Case {
    int from;
    const char* expected;
  };
  const Case cases[] = {
      {0, "abcdefghijkabcdefghijk"},
      {1, "abcdefghijkbcdefghijk"},
      {8, "abcdefghijkijk"},
      {10, "abcdefghijkk"},
  };
  for (const Case& c : cases) {
    DynString s = FullBlock("abcdefghijk");
    const char* block = s.Data();
    {
      FreedBlockPoison poison;
      s.Append(s.Data() + c.from);
    }
    EXPECT_STREQ(s.CStr(), c.expected) << c.from;
    EXPECT_NE(s.Data(), block) << c.from;
  }
}

TEST(DynStringAppend, ManyAppendsGrowAmortised) {
  DynString s;
  std::string expected;
  int growths = 0;
  int capacity = 0;
  for (int i = 0; i < 2000; ++i) {
    s.Append("xyz");
    expected += "xyz";
    if (s.Capacity() != capacity) ++growths;
    capacity = s.Capacity();
  }
  EXPECT_EQ(s.CStr(), expected);
  EXPECT_LT(growths, 40);
}

TEST(DynStringAppendChar, AppendsAndNulChangesNothing) {
  DynString s;
  s.AppendChar('a');
  s.AppendChar('\xE9');
  EXPECT_STREQ(s.CStr(), "a\xE9");
  s.AppendChar('\0');
  EXPECT_STREQ(s.CStr(), "a\xE9");
  DynString n;
  n.AppendChar('\0');
  EXPECT_FALSE(n.IsNull());
  EXPECT_STREQ(n.CStr(), "");
}

struct CompareCase {
  const char* string;  // null: a null DynString
  const char* text;
  int compare_sign;
  int compare_n3_sign;
  int equals;  // 0 equal, -1 lengths differ, 1 the empty-string answer, 2 any non-zero
};

TEST(DynStringCompare, Table) {
  const CompareCase cases[] = {
      {nullptr, nullptr, 0, 0, 0}, {nullptr, "", 0, 1, 0},     {nullptr, "abc", 1, 1, 1},
      {"", "", 0, 1, 0},           {"", "a", 1, 1, 1},         {"abc", nullptr, 1, 1, 1},
      {"abc", "abc", 0, 0, 0},     {"abc", "abd", -1, -1, 2},  {"abd", "abc", 1, 1, 2},
      {"COM1:", "COM", 1, 0, -1},  {"com1:", "COM", 1, 1, -1}, {"abc", "ab", 1, 1, -1},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const CompareCase& c : cases) {
    DynString s;
    if (c.string != nullptr) s.Assign(c.string);
    SCOPED_TRACE(std::string(c.string ? c.string : "(null)") + " vs " +
                 (c.text ? c.text : "(null)"));
    EXPECT_EQ(sign(s.Compare(c.text)), c.compare_sign);
    EXPECT_EQ(sign(s.CompareN(c.text, 3)), c.compare_n3_sign);
    int eq = s.Equals(c.text);
    if (c.equals == 2) {
      EXPECT_NE(eq, 0);
    } else {
      EXPECT_EQ(eq, c.equals);
    }
  }
}

TEST(DynStringEquals, SameLengthUsesMemoryComparison) {
  DynString s("abc");
  EXPECT_LT(s.Equals("abd"), 0);
  EXPECT_NE(s.Equals("ABC"), 0);
}

TEST(DynStringFill, FillsAndTerminates) {
  DynString s("abcdefgh");
  EXPECT_EQ(s.Fill('z', 3), 3);
  EXPECT_STREQ(s.CStr(), "zzz");
  EXPECT_EQ(s.Fill('q', -2), 0);
  EXPECT_STREQ(s.CStr(), "zzz");
  EXPECT_EQ(s.Fill('q', 0), 0);
  EXPECT_STREQ(s.CStr(), "");
}

// Fill reserves to n first: a count of 0 still writes the terminator (and a
// null string receives the block Reserve(0) gives), and a count beyond the
// capacity grows the block by the growth rule. A negative count touches
// nothing; a null string stays null.
TEST(DynStringFill, ReservesToTheCount) {
  struct Case {
    const char* text;  // nullptr: a null string
    int n;
    int result;
    const char* expected;  // nullptr: still null
    int capacity;
    bool same_block;  // an allocated string keeps its block
  };
  const Case cases[] = {
      {"zzz", 0, 0, "", 16, true},
      {"", 0, 0, "", 13, true},
      {nullptr, 0, 0, "", 13, false},
      {nullptr, 2, 2, "qq", 15, false},
      {"zzz", 14, 14, "qqqqqqqqqqqqqq", 16, true},
      {"zzz", 15, 15, "qqqqqqqqqqqqqqq", 33, false},
      {"zzz", -1, 0, "zzz", 16, true},
      {nullptr, -5, 0, nullptr, 0, false},
  };
  for (const Case& c : cases) {
    DynString s = c.text == nullptr ? DynString() : DynString(c.text);
    const char* block = s.Data();
    EXPECT_EQ(s.Fill('q', c.n), c.result) << c.n;
    if (c.expected == nullptr) {
      EXPECT_TRUE(s.IsNull()) << c.n;
      continue;
    }
    EXPECT_STREQ(s.CStr(), c.expected) << c.n;
    EXPECT_EQ(s.Capacity(), c.capacity) << c.n;
    EXPECT_EQ(s.Data() == block, c.same_block) << c.n;
  }
}

TEST(DynStringCase, ToUpperOnlyTouchesAsciiLetters) {
  DynString s("---btceif.dll \xE9\xFF z9");
  s.ToUpper();
  EXPECT_STREQ(s.CStr(), "---BTCEIF.DLL \xE9\xFF Z9");
  DynString n;
  n.ToUpper();
  EXPECT_TRUE(n.IsNull());
}

TEST(DynStringCase, ToLowerWithAndWithoutFirst) {
  DynString s("ABC");
  EXPECT_EQ(s.ToLower(false), 3);
  EXPECT_STREQ(s.CStr(), "Abc");
  DynString t("AB\xC9");
  EXPECT_EQ(t.ToLower(true), 3);
  EXPECT_STREQ(t.CStr(), "ab\xC9");
  DynString n;
  EXPECT_EQ(n.ToLower(true), 0);
}

}  // namespace
