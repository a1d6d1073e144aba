#include "platform/registry/reg_splice.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Splices applied one after another, the last first, so that each one's
// offsets still refer to the original bytes.
std::vector<uint8_t> OneByOne(std::vector<uint8_t> file, const std::vector<RegSplice>& splices) {
  for (auto s = splices.rbegin(); s != splices.rend(); ++s) {
    file.erase(file.begin() + s->begin, file.begin() + s->end);
    file.insert(file.begin() + s->begin, s->bytes.begin(), s->bytes.end());
  }
  return file;
}

TEST(SplicesApart, OrderedDisjointAndNeverTwiceAtOnePlace) {
  struct Case {
    std::vector<RegSplice> splices;
    bool apart;
  };
  const Case cases[] = {
      {{}, true},
      {{{0, 2, {}}, {2, 2, {'x'}}}, true},      // touching
      {{{3, 3, {'x'}}, {3, 3, {'y'}}}, false},  // two insertions at one place
      {{{0, 3, {}}, {2, 4, {}}}, false},        // overlapping
      {{{4, 5, {}}, {1, 2, {}}}, false},        // out of order
      {{{2, 1, {}}}, false},                    // reversed range
  };
  for (const Case& c : cases) EXPECT_EQ(SplicesApart(c.splices), c.apart) << c.splices.size();
}

// Random sets of apart splices, growing and shrinking the file in every mix:
// in place and into a copy they give what one-by-one editing gives, and the
// undo splices give the original back.
TEST(ApplySplicesInPlace, MatchesOneByOneAndUndoes) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<uint8_t> file(random() % 40);
    for (uint8_t& b : file) b = static_cast<uint8_t>('a' + random() % 26);
    std::vector<RegSplice> splices;
    uint64_t at = 0;
    while (at <= file.size() && random() % 4 != 0) {
      RegSplice s;
      s.begin = at + random() % 4;
      if (s.begin > file.size() || (!splices.empty() && s.begin == splices.back().begin)) break;
      s.end = s.begin + random() % 4;
      if (s.end > file.size()) s.end = file.size();
      s.bytes.assign(random() % 7, static_cast<uint8_t>('0' + splices.size()));
      splices.push_back(s);
      at = s.end + (s.end == s.begin ? 1 : 0);
    }
    ASSERT_TRUE(SplicesApart(splices));
    const std::vector<uint8_t> expected = OneByOne(file, splices);
    EXPECT_EQ(ApplySplices(file, splices), expected);
    std::vector<uint8_t> edited = file;
    std::vector<RegSplice> undo = ApplySplicesInPlace(&edited, splices);
    EXPECT_EQ(edited, expected);
    EXPECT_EQ(ApplySplices(edited, undo), file);
    ApplySplicesInPlace(&edited, undo);
    EXPECT_EQ(edited, file);
  }
}

TEST(ApplySplicesInPlace, GrowsByExactlyTheRoomNeeded) {
  std::vector<uint8_t> file = Bytes("abcdef");
  file.shrink_to_fit();
  ApplySplicesInPlace(&file, {{1, 1, Bytes("XYZ")}, {4, 6, Bytes("Q")}});
  EXPECT_EQ(file, Bytes("aXYZbcdQ"));
  EXPECT_EQ(file.capacity(), 8u);
}

TEST(ApplySplices, OneSpliceReplacesInsertsAndAppends) {
  const std::vector<uint8_t> file = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(ApplySplices(file, {RegSplice{1, 3, {'X'}}}), (std::vector<uint8_t>{'a', 'X', 'd'}));
  EXPECT_EQ(ApplySplices(file, {RegSplice{0, 0, {'X'}}}),
            (std::vector<uint8_t>{'X', 'a', 'b', 'c', 'd'}));
  EXPECT_EQ(ApplySplices(file, {RegSplice{4, 4, {'X'}}}),
            (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'X'}));
  EXPECT_EQ(ApplySplices(file, {RegSplice{0, 4, {}}}), std::vector<uint8_t>{});
}

// In place, each splice gives what a copy gives, and its undo gives the
// file back.
TEST(ApplySplicesInPlace, OneSpliceMatchesACopyAndUndoes) {
  const std::vector<uint8_t> file = {'a', 'b', 'c', 'd'};
  const RegSplice splices[] = {
      {1, 3, {'X'}}, {1, 3, {'X', 'Y'}}, {1, 3, {'X', 'Y', 'Z'}}, {0, 0, {'X'}}, {4, 4, {'X', 'Y'}},
      {0, 4, {}},    {2, 2, {}},
  };
  for (const RegSplice& splice : splices) {
    std::vector<uint8_t> edited = file;
    RegSplice undo = ApplySplicesInPlace(&edited, {splice})[0];
    EXPECT_EQ(edited, ApplySplices(file, {splice})) << splice.begin << "-" << splice.end;
    EXPECT_EQ(undo.begin, splice.begin);
    EXPECT_EQ(undo.end, splice.begin + splice.bytes.size());
    EXPECT_EQ(ApplySplices(edited, {undo}), file);
    ApplySplicesInPlace(&edited, {undo});
    EXPECT_EQ(edited, file);
  }
}

}  // namespace
