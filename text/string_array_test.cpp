#include "text/string_array.h"

#include <gtest/gtest.h>

namespace {

TEST(StringArrayConstruct, ElementsAreEmptyWithSizedBlocks) {
  StringArray array(3, 20);
  ASSERT_EQ(array.ElementCount, 3);
  for (int i = 0; i < 3; ++i) {
    const DynString& e = array.Elements[i];
    EXPECT_FALSE(e.IsNull()) << i;
    EXPECT_STREQ(e.CStr(), "") << i;
    EXPECT_EQ(e.Capacity(), 33) << i;
    EXPECT_EQ(e.Tag(), 20) << i;
    EXPECT_EQ(e.Precision(), 1) << i;
  }
}

TEST(StringArrayConstruct, NegativeCountOrSizeCountsAsZero) {
  StringArray no_elements(-4, 10);
  EXPECT_EQ(no_elements.ElementCount, 0);
  StringArray small(2, -7);
  ASSERT_EQ(small.ElementCount, 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(small.Elements[i].Capacity(), 13) << i;
    EXPECT_EQ(small.Elements[i].Tag(), 0) << i;
  }
}

TEST(StringArrayConstruct, GrowthCarriesTag) {
  StringArray array(1, 2);
  array.Elements[0].Assign("a text longer than the first block");
  EXPECT_STREQ(array.Elements[0].CStr(), "a text longer than the first block");
  EXPECT_GT(array.Elements[0].Capacity(), 15);
  EXPECT_EQ(array.Elements[0].Tag(), 2);
}

TEST(StringArrayRefreshPointers, PointsIntoEachElement) {
  StringArray array(3, 20);
  array.Elements[2].Assign("xyz");
  const char** pointers = array.RefreshPointers();
  EXPECT_EQ(pointers, array.TextPointers);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pointers[i], array.Elements[i].Data()) << i;
  EXPECT_STREQ(pointers[0], "");
  EXPECT_STREQ(pointers[2], "xyz");
  EXPECT_NE(pointers[0], pointers[1]);
}

TEST(StringArrayRefreshPointers, ClearedElementGetsSharedEmptyText) {
  StringArray array(3, 20);
  array.Elements[1].Clear();
  const char** pointers = array.RefreshPointers();
  EXPECT_EQ(pointers[0], array.Elements[0].Data());
  EXPECT_EQ(pointers[1], DynString().CStr());
  EXPECT_EQ(pointers[2], array.Elements[2].Data());
}

TEST(StringArrayRefreshPointers, FollowsAGrownElement) {
  StringArray array(1, 0);
  array.RefreshPointers();
  array.Elements[0].Assign("long enough to move the block elsewhere");
  const char** pointers = array.RefreshPointers();
  EXPECT_EQ(pointers[0], array.Elements[0].Data());
  EXPECT_STREQ(pointers[0], "long enough to move the block elsewhere");
}

TEST(StringArrayEmptyAll, EmptiesWithoutFreeing) {
  StringArray array(2, 20);
  array.Elements[0].Assign("abc");
  array.Elements[0].SetPrecision(4);
  array.Elements[1].Clear();
  array.EmptyAll();
  EXPECT_STREQ(array.Elements[0].CStr(), "");
  EXPECT_FALSE(array.Elements[0].IsNull());
  EXPECT_EQ(array.Elements[0].Capacity(), 33);
  EXPECT_EQ(array.Elements[0].Tag(), 20);
  EXPECT_EQ(array.Elements[0].Precision(), 4);
  EXPECT_FALSE(array.Elements[1].IsNull());
  EXPECT_STREQ(array.Elements[1].CStr(), "");
  EXPECT_EQ(array.Elements[1].Capacity(), 14);
  EXPECT_EQ(array.Elements[1].Tag(), -1);
}

TEST(StringArrayEmpty, ZeroCountDoesNothing) {
  StringArray a(0, 5);
  StringArray b(0, 5);
  EXPECT_EQ(a.ElementCount, 0);
  EXPECT_NE(a.Elements, nullptr);
  EXPECT_EQ(a.RefreshPointers(), a.TextPointers);
  a.EmptyAll();
  a.CopyFrom(b);
  EXPECT_EQ(a.ElementCount, 0);
}

TEST(StringArrayCopyFrom, CopiesElementwiseKeepingTags) {
  StringArray source(2, 1);
  source.Elements[0].Assign("a");
  StringArray target(2, 7);
  target.Elements[1].Assign("to be emptied");
  target.Elements[0].SetPrecision(3);
  target.CopyFrom(source);
  EXPECT_STREQ(target.Elements[0].CStr(), "a");
  EXPECT_STREQ(target.Elements[1].CStr(), "");
  for (int i = 0; i < 2; ++i) EXPECT_EQ(target.Elements[i].Tag(), 7) << i;
  EXPECT_EQ(target.Elements[0].Precision(), 3);
  EXPECT_STREQ(source.Elements[0].CStr(), "a");
}

TEST(StringArrayCopyFrom, NullSourceEmptiesWithoutAllocating) {
  StringArray source(2, 0);
  source.Elements[0].Clear();
  StringArray target(2, 0);
  target.Elements[0].Assign("x");
  target.Elements[1].Clear();
  source.Elements[1].Clear();
  target.CopyFrom(source);
  EXPECT_FALSE(target.Elements[0].IsNull());
  EXPECT_STREQ(target.Elements[0].CStr(), "");
  EXPECT_TRUE(target.Elements[1].IsNull());
}

TEST(StringArrayCopyFrom, DifferentSizesCopyCommonIndexesOnly) {
  StringArray three(3, 4);
  three.Elements[0].Assign("a");
  three.Elements[1].Assign("b");
  three.Elements[2].Assign("c");
  StringArray two(2, 4);
  two.CopyFrom(three);
  EXPECT_STREQ(two.Elements[0].CStr(), "a");
  EXPECT_STREQ(two.Elements[1].CStr(), "b");

  StringArray one(1, 4);
  one.Elements[0].Assign("z");
  three.CopyFrom(one);
  EXPECT_STREQ(three.Elements[0].CStr(), "z");
  EXPECT_STREQ(three.Elements[1].CStr(), "b");
  EXPECT_STREQ(three.Elements[2].CStr(), "c");
}

}  // namespace
