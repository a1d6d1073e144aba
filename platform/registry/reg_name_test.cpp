#include "platform/registry/reg_name.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace std::string_view_literals;

struct FoldCase {
  char16_t in;
  char16_t out;
};

constexpr FoldCase FOLDS[] = {
    {u'a', u'A'},     {u'z', u'Z'},     {u'A', u'A'},     {u'1', u'1'},     {u'_', u'_'},
    {u'{', u'{'},     {u'`', u'`'},     {0x00E9, 0x00C9}, {0x00E0, 0x00C0}, {0x00FE, 0x00DE},
    {0x00F7, 0x00F7}, {0x00FF, 0x0178}, {0x00DF, 0x00DF}, {0x0101, 0x0100}, {0x0100, 0x0100},
    {0x0131, 0x0131}, {0x0133, 0x0132}, {0x013A, 0x0139}, {0x0148, 0x0147}, {0x0149, 0x0149},
    {0x014B, 0x014A}, {0x0177, 0x0176}, {0x017E, 0x017D}, {0x017F, 0x017F}, {0x03B1, 0x0391},
    {0x03C2, 0x03A3}, {0x03C9, 0x03A9}, {0x0430, 0x0410}, {0x044F, 0x042F}, {0x0451, 0x0401},
    {0xD800, 0xD800}, {0xFF41, 0xFF41},
};

TEST(FoldNameUnit, MapsSmallLettersToCapitals) {
  for (const FoldCase& c : FOLDS) {
    EXPECT_EQ(int(FoldNameUnit(c.in)), int(c.out)) << std::hex << int(c.in);
  }
}

TEST(NamesEqual, IgnoresCaseOnly) {
  EXPECT_TRUE(NamesEqual(u"Dll"sv, u"DLL"sv));
  EXPECT_TRUE(NamesEqual(u"pnpid"sv, u"PnpId"sv));
  EXPECT_TRUE(NamesEqual(u"Ger\u00e4t"sv, u"GER\u00c4T"sv));
  EXPECT_TRUE(NamesEqual(u""sv, u""sv));
  EXPECT_FALSE(NamesEqual(u"Dll"sv, u"Dl"sv));
  EXPECT_FALSE(NamesEqual(u"Dll"sv, u"Dlm"sv));
  EXPECT_FALSE(NamesEqual(u"a"sv, u""sv));
}

TEST(NameHash, EqualNamesHashAlike) {
  EXPECT_EQ(NameHash(u"Drivers"sv), NameHash(u"DRIVERS"sv));
  EXPECT_EQ(NameHash(u"\u0444\u0430\u0439\u043b"sv), NameHash(u"\u0424\u0410\u0419\u041b"sv));
  EXPECT_NE(NameHash(u"Active"sv), NameHash(u"Activf"sv));
}

}  // namespace
