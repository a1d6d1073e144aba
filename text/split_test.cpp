#include "text/split.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/string_list.h"
#include "text/testing/probe_list.h"
#include "text/testing/split_reference_model.h"

namespace {

using Codes = std::vector<int>;

DynString Make(const char* text) { return text == nullptr ? DynString() : DynString(text); }

struct SplitCase {
  const char* text;
  const char* delimiters;
  int limit;
  bool keep_empty;
  Texts expected;
};

std::string Describe(const SplitCase& c) {
  return std::string(c.text == nullptr ? "(null)" : c.text) + " at \"" +
         (c.delimiters == nullptr ? "(null)" : c.delimiters) + "\" limit " +
         std::to_string(c.limit) + (c.keep_empty ? " keeping empties" : "");
}

TEST(DynStringSplit, FieldsLimitsAndEmpties) {
  const SplitCase cases[] = {
      {"a,b,c", ",", -1, false, {"a", "b", "c"}},
      {"a,,b", ",", -1, false, {"a", "b"}},
      {"a,,b", ",", -1, true, {"a", "", "b"}},
      {",a", ",", -1, false, {",a"}},
      {",a", ",", -1, true, {"", "a"}},
      {"a,", ",", -1, false, {"a"}},
      {"a,", ",", -1, true, {"a"}},
      {"a,,", ",", -1, true, {"a", ""}},
      {",", ",", -1, false, {","}},
      {",", ",", -1, true, {""}},
      {"a;b,c", ";,", -1, false, {"a", "b", "c"}},
      {"a,b,c,d", ",", 2, false, {"a", "b,c,d"}},
      {"a,b,", ",", 2, false, {"a", "b"}},
      {"a,b,,", ",", 2, false, {"a", "b,,"}},
      {"a,,b,c", ",", 2, false, {"a", "b,c"}},
      {"a,,b", ",", 2, true, {"a", ",b"}},
      {"a,b", ",", 1, false, {"a,b"}},
      {"a,b", ",", 1, true, {"a,b"}},
      {",a,b", ",", 1, true, {",a,b"}},
      {"a,b,c", ",", 3, false, {"a", "b", "c"}},
      {"a,b,c", ",", 5, false, {"a", "b", "c"}},
      {"a,b", "", -1, false, {"a,b"}},
      {"a,b", nullptr, -1, true, {"a,b"}},
      {"a,b", ",", 0, false, {}},
      {"\xe9,\xff", ",", -1, false, {"\xe9", "\xff"}},
      {"\xe9x\xe9", "\xe9", -1, false, {"\xe9x"}},
      {"\xe9x\xe9", "\xe9", -1, true, {"", "x"}},
  };
  for (const SplitCase& c : cases) {
    ProbeList list;
    EXPECT_EQ(Make(c.text).Split(c.delimiters, list, c.limit, c.keep_empty), 1) << Describe(c);
    EXPECT_EQ(TextsOf(list), c.expected) << Describe(c);
    EXPECT_EQ(list.codes, Codes{}) << Describe(c);
  }
}

// Each field's block grows as if its characters had been appended one at a
// time, so its capacity is that of the same text built with AppendChar.
TEST(DynStringSplit, FieldCapacityIsThatOfAppendChar) {
  const std::string longer(40, 'x');
  const std::string text = "a," + longer + ",," + std::string(13, 'y') + "," + longer + "z";
  const struct {
    int limit;
    bool keep_empty;
  } runs[] = {{-1, false}, {-1, true}, {2, false}, {3, true}};
  for (const auto& run : runs) {
    ProbeList list;
    Make(text.c_str()).Split(",", list, run.limit, run.keep_empty);
    ASSERT_GE(list.Size(), 2);
    for (int i = 0; i < list.Size(); ++i) {
      const DynString* field = list.Get(i);
      DynString by_char;
      for (const char* c = field->CStr(); *c != '\0'; ++c) by_char.AppendChar(*c);
      EXPECT_EQ(field->Capacity(), by_char.Capacity())
          << "field " << i << " limit " << run.limit << " keep " << run.keep_empty;
      EXPECT_EQ(field->IsNull(), by_char.IsNull()) << "field " << i;
    }
  }
}

TEST(DynStringSplit, NullOrEmptyStringGivesEmptyList) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    for (int limit : {-1, 0, 1, 2, 5}) {
      for (bool keep_empty : {false, true}) {
        StringList list;
        list.InsertEntry(-1);
        EXPECT_EQ(Make(text).Split(",", list, limit, keep_empty), 1);
        EXPECT_EQ(list.Count, 0) << limit << keep_empty;
      }
    }
  }
}

TEST(DynStringSplit, StringIsUnchanged) {
  DynString s("a,b,,c");
  StringList list;
  s.Split(",", list, 2, true);
  EXPECT_STREQ(s.CStr(), "a,b,,c");
}

TEST(DynStringSplit, EmptyFieldIsANullString) {
  StringList list;
  DynString("a,,b").Split(",", list, -1, true);
  ASSERT_EQ(list.Size(), 3);
  EXPECT_TRUE(list.Get(1)->IsNull());
  EXPECT_FALSE(list.Get(0)->IsNull());
}

TEST(DynStringSplit, OwningListReleasesOldEntries) {
  ProbeList list;
  DynString("x,y,z").Split(",", list, -1, false);
  EXPECT_EQ(list.live_elements, 3);
  DynString("a,b").Split(",", list, -1, false);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "b"}));
  EXPECT_EQ(list.live_elements, 2);
}

TEST(DynStringSplit, NonOwningListOnlyDropsOldEntries) {
  ProbeList list;
  list.OwnsItems = false;
  DynString("x,y").Split(",", list, -1, false);
  DynString* x = list.Get(0);
  DynString* y = list.Get(1);
  DynString("a").Split(",", list, -1, false);
  EXPECT_EQ(TextsOf(list), Texts{"a"});
  EXPECT_EQ(list.live_elements, 3);
  EXPECT_STREQ(x->CStr(), "x");
  EXPECT_STREQ(y->CStr(), "y");
  delete x;
  delete y;
  list.OwnsItems = true;
}

TEST(DynStringSplit, AnyBaseIndexWithLimits) {
  ProbeList list;
  list.BaseIndex = 5;
  DynString("a,b,c,d").Split(",", list, 2, false);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "b,c,d"}));
  EXPECT_STREQ(list.Get(5)->CStr(), "a");
  DynString(" a , b ").SplitTrimmed(",", list, -1);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "b"}));
  EXPECT_EQ(list.codes, Codes{});
}

TEST(DynStringSplit, FailedElementIsSkipped) {
  ProbeList list;
  list.failing_element_number = 2;
  DynString("a,b,c").Split(",", list, -1, false);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "(null)", "c"}));
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
}

TEST(DynStringSplit, FailedLastFieldUnderALimitIsSkipped) {
  ProbeList list;
  list.failing_element_number = 2;
  DynString("a,b,c").Split(",", list, 2, false);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "(null)"}));
  EXPECT_EQ(list.codes, (Codes{StringList::ERROR_NO_MEMORY, StringList::ERROR_EMPTY_SLOT}));
}

TEST(DynStringSplit, FailedArrayLosesTheFieldItCouldNotHold) {
  ProbeList list;
  list.failing_slot_allocations = 1;
  DynString("a,b").Split(",", list, -1, false);
  EXPECT_EQ(TextsOf(list), Texts{"b"});
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
}

TEST(DynStringSplitTrimmed, TrimsSpacesOfEveryField) {
  const SplitCase cases[] = {
      {"a , b ,c", ",", -1, false, {"a", "b", "c"}},  {" , a", ",", -1, false, {"", "a"}},
      {"a,,  ,b", ",", -1, false, {"a", "", "b"}},    {"\ta\t, b", ",", -1, false, {"\ta\t", "b"}},
      {" a , b , c ", ",", 2, false, {"a", "b , c"}}, {"  ", ",", -1, false, {""}},
  };
  for (const SplitCase& c : cases) {
    ProbeList list;
    EXPECT_EQ(Make(c.text).SplitTrimmed(c.delimiters, list, c.limit), 1) << Describe(c);
    EXPECT_EQ(TextsOf(list), c.expected) << Describe(c);
    EXPECT_EQ(list.codes, Codes{}) << Describe(c);
  }
}

TEST(DynStringSplitTrimmed, SpacesOnlyFieldIsAllocatedEmpty) {
  StringList list;
  DynString(" , a").SplitTrimmed(",", list, -1);
  ASSERT_EQ(list.Size(), 2);
  EXPECT_FALSE(list.Get(0)->IsNull());
  EXPECT_STREQ(list.Get(0)->CStr(), "");
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, int max_length) {
  std::string text(std::uniform_int_distribution<int>(0, max_length)(rng), ' ');
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (char& c : text) c = alphabet[pick(rng)];
  return text;
}

TEST(DynStringSplit, AgreesWithReferenceModel) {
  std::mt19937 rng(20240611);
  const std::string alphabet = "ab,; \xe9\xff";
  for (int iteration = 0; iteration < 5000; ++iteration) {
    std::string text = RandomText(rng, alphabet, 16);
    std::string delimiters = RandomText(rng, alphabet, 3);
    int limit = std::uniform_int_distribution<int>(-2, 6)(rng);
    bool keep_empty = rng() % 2 == 0;
    ProbeList list;
    list.GrowBy = std::uniform_int_distribution<int>(0, 3)(rng);
    list.BaseIndex = std::uniform_int_distribution<int>(-3, 3)(rng);
    Make(text.c_str()).Split(delimiters.c_str(), list, limit, keep_empty);
    Texts expected = reference_model::ModelSplit(text, delimiters, limit, keep_empty);
    ASSERT_EQ(TextsOf(list), expected) << '"' << text << "\" at \"" << delimiters << "\" limit "
                                       << limit << " keep " << keep_empty;
    for (int code : list.codes) ASSERT_EQ(code, StringList::ERROR_NO_GROWTH);
  }
}

}  // namespace
