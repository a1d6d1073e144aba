#include "platform/windowing/resources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr StringResource STRINGS[] = {{1, u"QUORVAFIX"}, {7, u""}};
constexpr AcceleratorResource KEYS[] = {{FVIRTKEY | FCONTROL, 'A', 40003}};
constexpr AcceleratorTable TABLES[] = {{3, KEYS, 1}};
constexpr ResourceModule MODULE = {STRINGS, 2, nullptr, 0, nullptr, 0,
                                   TABLES,  1, nullptr, 0, nullptr, 0};

InstanceHandle Instance() {
  static const InstanceHandle instance = InstallResourceModule(&MODULE);
  return instance;
}

TEST(ResourceModules, HandlesAreSixtyFourKilobyteSteps) {
  InstanceHandle first = Instance();
  EXPECT_EQ(first % 0x10000u, 0u);
  EXPECT_EQ(ModuleOf(first), &MODULE);
  InstanceHandle second = InstallResourceModule(&MODULE);
  EXPECT_EQ(second, first + 0x10000u);
  EXPECT_EQ(ModuleOf(0), nullptr);
  EXPECT_EQ(ModuleOf(first + 4), nullptr);
  EXPECT_EQ(ModuleOf(0x7FFF0000u), nullptr);
}

struct LoadCase {
  uint32_t id;
  int buffer_max;
  std::u16string text;
  int result;
};

TEST(LoadString, CopiesCutsAndTerminates) {
  const LoadCase cases[] = {
      {1, 100, u"QUORVAFIX", 9},  // whole text
      {1, 10, u"QUORVAFIX", 9},   // exactly fits with its terminator
      {1, 5, u"QUOR", 4},         // cut to buffer_max - 1
      {1, 1, u"", 0},             // room for the terminator only
      {7, 100, u"", 0},           // an empty string
      {2, 100, u"", 0},           // unknown id
  };
  for (const LoadCase& c : cases) {
    char16_t buffer[100];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(LoadString(Instance(), c.id, buffer, c.buffer_max), c.result) << c.id;
    EXPECT_EQ(std::u16string(buffer), c.text) << c.id << " " << c.buffer_max;
  }
}

TEST(LoadString, RefusesNoRoomAndUnknownModules) {
  char16_t buffer[4] = {u'x', u'y', 0, 0};
  EXPECT_EQ(LoadString(Instance(), 1, buffer, 0), 0);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(LoadString(Instance(), 1, nullptr, 4), 0);
  EXPECT_EQ(LoadString(0x00990000u, 1, buffer, 4), 0);
  EXPECT_EQ(buffer[0], 0);
}

TEST(ResourceLookups, FindByNumberOrNull) {
  EXPECT_EQ(LoadAccelerators(Instance(), 3), &TABLES[0]);
  EXPECT_EQ(LoadAccelerators(Instance(), 4), nullptr);
  EXPECT_EQ(LoadIcon(Instance(), 101), nullptr);
  EXPECT_EQ(FindDialogTemplate(Instance(), 103), nullptr);
  EXPECT_EQ(FindMenu(0, 102), nullptr);
  EXPECT_EQ(FindString(Instance(), 7), STRINGS[1].text);
}

TEST(GetStockObject, WhiteAndBlackOnly) {
  ASSERT_NE(GetStockObject(WHITE_BRUSH), nullptr);
  EXPECT_EQ(GetStockObject(WHITE_BRUSH)->colour, 0x00FFFFFFu);
  EXPECT_EQ(GetStockObject(BLACK_BRUSH)->colour, 0u);
  EXPECT_EQ(GetStockObject(1), nullptr);
}

}  // namespace
