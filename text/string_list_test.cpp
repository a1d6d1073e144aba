#include "text/string_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/testing/probe_list.h"

namespace {

using Codes = std::vector<int>;

// Appends an element holding text and returns it.
DynString* Add(StringList& list, const char* text, int index = -1) {
  DynString* element = list.InsertEntry(index);
  if (element != nullptr) element->Assign(text);
  return element;
}

TEST(StringListConstruct, EmptyOwningListWithoutArray) {
  StringList list;
  EXPECT_TRUE(list.OwnsItems);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Slots, 0);
  EXPECT_EQ(list.GrowBy, 4);
  EXPECT_EQ(list.BaseIndex, 0);
  EXPECT_EQ(list.Items, nullptr);
  EXPECT_EQ(list.Size(), 0);
}

TEST(StringListExtend, GrowsLinearlyByGrowByPlusTwo) {
  // Slots after each append to a new list with GrowBy 4.
  const int expected_slots[] = {7, 7, 7, 7, 7, 7, 7, 14, 14, 14, 14, 14, 14, 14, 21};
  ProbeList list;
  for (int count = 1; count <= 15; ++count) {
    ASSERT_NE(list.InsertEntry(-1), nullptr);
    EXPECT_EQ(list.Count, count);
    EXPECT_EQ(list.Slots, expected_slots[count - 1]) << "count " << count;
    for (int p = list.Count; p < list.Slots; ++p) EXPECT_EQ(list.Items[p], nullptr) << p;
  }
  EXPECT_EQ(list.codes, Codes{});
}

TEST(StringListExtend, KeepsEntriesAcrossGrowth) {
  StringList list;
  for (const char* text : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) Add(list, text);
  EXPECT_EQ(TextsOf(list), (Texts{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
}

TEST(StringListExtend, ByManyAddsNullEntries) {
  ProbeList list;
  list.Extend(3);
  EXPECT_EQ(list.Count, 3);
  EXPECT_EQ(list.Slots, 9);
  EXPECT_EQ(list.Get(1), nullptr);
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_EMPTY_SLOT});
  list.Extend(0);
  list.Extend(-2);
  EXPECT_EQ(list.Count, 3);
}

TEST(StringListExtend, GrowByZeroOrBelowReportsSixAtEveryGrowth) {
  for (int grow_by : {0, -5}) {
    ProbeList list;
    list.GrowBy = grow_by;
    const int expected_slots[] = {3, 3, 3, 6, 6, 6, 9};
    for (int count = 1; count <= 7; ++count) {
      list.InsertEntry(-1);
      EXPECT_EQ(list.Slots, expected_slots[count - 1]) << grow_by << " count " << count;
    }
    EXPECT_EQ(list.codes, (Codes{6, 6, 6})) << grow_by;
  }
}

TEST(StringListExtend, FailedArrayLeavesListAsItWasAndUsable) {
  ProbeList list;
  for (const char* text : {"a", "b", "c", "d", "e", "f", "g"}) Add(list, text);
  DynString** items = list.Items;
  list.failing_slot_allocations = 1;
  list.Extend(1);
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
  EXPECT_EQ(list.Count, 7);
  EXPECT_EQ(list.Slots, 7);
  EXPECT_EQ(list.Items, items);
  Add(list, "h");
  EXPECT_EQ(TextsOf(list), (Texts{"a", "b", "c", "d", "e", "f", "g", "h"}));
}

TEST(StringListExtend, CountBeyondLargestIntIsAFailedAllocation) {
  ProbeList list;
  list.Extend(1);
  list.Extend(INT_MAX);
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
  EXPECT_EQ(list.Count, 1);
  EXPECT_EQ(list.Slots, 7);
}

TEST(StringListInsertEntry, FailedArrayInsertsNothing) {
  ProbeList list;
  list.failing_slot_allocations = 1;
  EXPECT_EQ(list.InsertEntry(-1), nullptr);
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.live_elements, 0);
}

TEST(StringListInsertEntry, FailedElementLeavesANullEntry) {
  ProbeList list;
  list.failing_element_number = 2;
  Add(list, "a");
  EXPECT_EQ(list.InsertEntry(-1), nullptr);
  Add(list, "c");
  EXPECT_EQ(list.Count, 3);
  EXPECT_EQ(list.Get(1), nullptr);
  EXPECT_EQ(list.codes, (Codes{StringList::ERROR_NO_MEMORY, StringList::ERROR_EMPTY_SLOT}));
  EXPECT_EQ(TextsOf(list), (Texts{"a", "(null)", "c"}));
}

TEST(StringListInsertEntry, NewElementIsANullString) {
  StringList list;
  DynString* element = list.InsertEntry(-1);
  ASSERT_NE(element, nullptr);
  EXPECT_TRUE(element->IsNull());
  EXPECT_EQ(list.Items[0], element);
}

TEST(StringListInsertEntry, PositionsCountFromBaseIndex) {
  struct Case {
    int index;
    Texts expected;
  };
  // Each case inserts "x" into a list with BaseIndex 5 holding "a", "b", "c".
  const Case cases[] = {
      {5, {"x", "a", "b", "c"}}, {6, {"a", "x", "b", "c"}},  {7, {"a", "b", "x", "c"}},
      {8, {"a", "b", "c", "x"}}, {-1, {"a", "b", "c", "x"}}, {-7, {"a", "b", "c", "x"}},
  };
  for (const Case& c : cases) {
    ProbeList list;
    list.BaseIndex = 5;
    for (const char* text : {"a", "b", "c"}) Add(list, text);
    ASSERT_NE(Add(list, "x", c.index), nullptr) << c.index;
    EXPECT_EQ(TextsOf(list), c.expected) << c.index;
    EXPECT_STREQ(list.Get(5)->CStr(), c.expected[0].c_str()) << c.index;
    EXPECT_EQ(list.codes, Codes{}) << c.index;
  }
}

TEST(StringListInsertEntry, OutsideBaseToBasePlusCountReportsThirteenAndInsertsNothing) {
  for (int index : {4, 0, 9, INT_MAX}) {
    ProbeList list;
    list.BaseIndex = 5;
    for (const char* text : {"a", "b", "c"}) Add(list, text);
    DynString** items = list.Items;
    EXPECT_EQ(list.InsertEntry(index), nullptr) << index;
    EXPECT_EQ(list.codes, Codes{StringList::ERROR_BAD_INSERT}) << index;
    EXPECT_EQ(list.Count, 3) << index;
    EXPECT_EQ(list.Items, items) << index;
    EXPECT_EQ(list.live_elements, 3) << index;
    EXPECT_EQ(TextsOf(list), (Texts{"a", "b", "c"})) << index;
  }
}

TEST(StringListGet, ByCallerIndex) {
  ProbeList list;
  list.BaseIndex = 5;
  DynString* a = Add(list, "a");
  DynString* b = Add(list, "b");
  EXPECT_EQ(list.Get(5), a);
  EXPECT_EQ(list.Get(6), b);
  EXPECT_EQ(list.codes, Codes{});
}

TEST(StringListGet, OutsideTheEntriesReportsSevenAndGivesNull) {
  for (int index : {4, 7, 8, -1, INT_MIN, INT_MAX}) {
    ProbeList list;
    list.BaseIndex = 5;
    Add(list, "a");
    Add(list, "b");
    EXPECT_EQ(list.Get(index), nullptr) << index;
    EXPECT_EQ(list.codes, Codes{StringList::ERROR_BAD_INDEX}) << index;
  }
  ProbeList empty;
  EXPECT_EQ(empty.Get(0), nullptr);
  EXPECT_EQ(empty.codes, Codes{StringList::ERROR_BAD_INDEX});
}

TEST(StringListClearEntries, KeepsArrayAndNullsEverySlot) {
  for (bool release : {true, false}) {
    ProbeList list;
    DynString* kept[3];
    for (int i = 0; i < 3; ++i) kept[i] = Add(list, "t");
    DynString** items = list.Items;
    int slots = list.Slots;
    list.ClearEntries(release);
    EXPECT_EQ(list.Count, 0) << release;
    EXPECT_EQ(list.Slots, slots) << release;
    EXPECT_EQ(list.Items, items) << release;
    for (int p = 0; p < slots; ++p) EXPECT_EQ(list.Items[p], nullptr) << release << " " << p;
    EXPECT_EQ(list.live_elements, release ? 0 : 3) << release;
    if (!release) {
      // The dropped elements are still whole and belong to their holder now.
      for (DynString* element : kept) {
        EXPECT_STREQ(element->CStr(), "t");
        delete element;
      }
    }
  }
}

TEST(StringListDestroy, NonOwningListLeavesElementsToTheirHolder) {
  DynString* element;
  {
    StringList list;
    list.OwnsItems = false;
    element = Add(list, "survives");
  }
  EXPECT_STREQ(element->CStr(), "survives");
  delete element;
}

TEST(StringListCheckAlloc, ReportsFifteenForNullOnly) {
  ProbeList list;
  int object = 0;
  list.CheckAlloc(&object);
  list.CheckAlloc(nullptr);
  EXPECT_EQ(list.codes, Codes{StringList::ERROR_NO_MEMORY});
}

}  // namespace
