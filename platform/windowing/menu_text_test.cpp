#include "platform/windowing/menu_text.h"

#include <gtest/gtest.h>

namespace {

constexpr AcceleratorResource FIRST_KEYS[] = {
    {FVIRTKEY | FCONTROL, 'O', 40007},
    {FVIRTKEY | FCONTROL | FALT | FSHIFT, 'D', 40004},
    {FCONTROL, 'X', 40009},  // a character, not a key: never shown
};
constexpr AcceleratorResource SECOND_KEYS[] = {
    {FVIRTKEY | FCONTROL, 'Q', 1},
    {FVIRTKEY | FSHIFT, 'P', 40007},  // a later key for the same command
};
constexpr AcceleratorTable TABLES[] = {{3, FIRST_KEYS, 3}, {4, SECOND_KEYS, 2}};
constexpr ResourceModule MODULE = {nullptr, 0, nullptr, 0, nullptr, 0,
                                   TABLES,  2, nullptr, 0, nullptr, 0};

TEST(MenuItemShortcut, NamesTheFirstKeyOfTheCommandOrOfTheSameCommand) {
  const InstanceHandle instance = InstallResourceModule(&MODULE);
  struct Case {
    MenuItemResource item;
    std::u16string shortcut;
  };
  const Case cases[] = {
      {{40007, u"Open...", 0}, u"Ctrl+O"}, {{40004, u"Detect", 0}, u"Ctrl+Alt+Shift+D"},
      {{40006, u"Exit", 1}, u"Ctrl+Q"},     // through same_as, in the second table
      {{40007, u"Open...", 1}, u"Ctrl+O"},  // its own key first
      {{40009, u"Cut", 0}, u""},           {{40005, u"Fix", 0}, u""},
      {{0, u"Separator", 0}, u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MenuItemShortcut(instance, c.item), c.shortcut)
        << std::string(c.item.text, c.item.text + std::char_traits<char16_t>::length(c.item.text));
  }
  EXPECT_EQ(MenuItemShortcut(0, cases[0].item), u"");
}

TEST(WithAccessKey, MarksTheFirstFreeLetterOrDigitOfEachLabel) {
  struct Case {
    std::u16string label;
    std::u16string marked;
    std::u16string taken;  // after it
  };
  // One menu, in order.
  const Case cases[] = {
      {u"About...", u"&About...", u"A"},
      {u"add", u"a&dd", u"AD"},          // case ignored
      {u"E&xit", u"E&xit", u"ADX"},      // its own mark kept
      {u"R&&D 2", u"&R&&D 2", u"ADXR"},  // "&&" is a plain '&'
      {u"Dax", u"Dax", u"ADXR"},         // nothing free
      {u"... 2", u"... &2", u"ADXR2"},   // a digit
      {u"", u"", u"ADXR2"},
  };
  std::u16string taken;
  for (const Case& c : cases) {
    EXPECT_EQ(WithAccessKey(c.label, &taken), c.marked)
        << std::string(c.label.begin(), c.label.end());
    EXPECT_EQ(taken, c.taken) << std::string(c.label.begin(), c.label.end());
  }
}

}  // namespace
