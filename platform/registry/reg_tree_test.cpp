#include "platform/registry/reg_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

std::u16string Num(const char16_t* prefix, int i) {
  std::u16string s = prefix;
  for (char c : std::to_string(i)) s += static_cast<char16_t>(c);
  return s;
}

std::vector<std::u16string> SubkeyNames(RegKeyNode* node) {
  std::vector<std::u16string> names;
  for (size_t i = 0; RegKeyNode* child = node->Subkey(i); ++i)
    names.push_back(child->Name().ToText());
  return names;
}

TEST(RegTreeFind, PathRules) {
  RegTree tree;
  RegKeyNode* hklm = tree.Root(HKEY_LOCAL_MACHINE);
  RegKeyNode* active = tree.Create(hklm, u"Drivers\\Active");
  ASSERT_NE(active, nullptr);
  struct Case {
    const char16_t* path;
    RegKeyNode* expected;
  };
  const Case cases[] = {
      {u"Drivers\\Active", active},
      {u"DRIVERS\\active", active},
      {u"Drivers\\Active\\", active},
      {u"", hklm},
      {u"\\", hklm},
      {u"Drivers\\\\Active", nullptr},
      {u"\\Drivers\\Active", nullptr},
      {u"Drivers\\Active\\\\", nullptr},
      {u"Drivers\\Activ", nullptr},
      {u"Drivers\\Active\\01", nullptr},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(tree.Find(hklm, cases[i].path), cases[i].expected) << "case " << i;
  }
  EXPECT_EQ(tree.Create(hklm, u"A\\\\B"), nullptr);
  EXPECT_EQ(tree.Find(hklm, u"A"), nullptr);  // a malformed path creates nothing past the gap
}

TEST(RegTreeFind, PlainPaths) {
  for (const char16_t* plain : {u"", u"A", u"A\\B", u"A b\\c]"})
    EXPECT_TRUE(RegTree::IsPlainPath(plain));
  for (const char16_t* bad : {u"\\", u"\\A", u"A\\", u"A\\\\B"})
    EXPECT_FALSE(RegTree::IsPlainPath(bad));
}

TEST(RegTreeFind, RootsAndTheirNames) {
  RegTree tree;
  EXPECT_EQ(tree.Root(0x80000004u), nullptr);
  EXPECT_EQ(tree.Root(0x100), nullptr);
  EXPECT_EQ(RegTree::RootByName(u"hkey_local_machine"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegTree::RootByName(u"HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
  EXPECT_EQ(RegTree::RootByName(u"HKLM"), 0u);
  EXPECT_EQ(std::u16string(RegTree::RootName(HKEY_USERS)), u"HKEY_USERS");
  RegKey root = 0;
  RegKeyNode* deep = tree.Create(tree.Root(HKEY_CURRENT_USER), u"Software\\Q\\R");
  EXPECT_EQ(RegTree::PathOf(deep, &root), u"Software\\Q\\R");
  EXPECT_EQ(root, HKEY_CURRENT_USER);
  EXPECT_EQ(RegTree::PathOf(tree.Root(HKEY_USERS), &root), u"");
  EXPECT_EQ(root, HKEY_USERS);
}

TEST(RegTreeSubkeys, ManyKeepInsertionOrderAndFindAnyCase) {
  RegTree tree;
  RegKeyNode* parent = tree.Root(HKEY_LOCAL_MACHINE);
  const int count = 5000;
  for (int i = count; i-- > 0;) tree.AddSubkey(parent, Num(u"Key", i));
  ASSERT_EQ(parent->SubkeyCount(), size_t(count));
  EXPECT_EQ(parent->Subkey(0)->Name().ToText(), Num(u"Key", count - 1));
  EXPECT_EQ(parent->Subkey(count - 1)->Name().ToText(), u"Key0");
  EXPECT_EQ(parent->Subkey(count), nullptr);
  for (int i = 0; i < count; i += 97) {
    RegKeyNode* found = parent->FindSubkey(Num(u"kEY", i));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->Name().ToText(), Num(u"Key", i));
  }
  EXPECT_EQ(tree.AddSubkey(parent, u"KEY7"), parent->FindSubkey(u"key7"));
  EXPECT_EQ(parent->SubkeyCount(), size_t(count));
}

// A name in a narrow file's bytes names the key its decoded text names, in
// a short list and in one with a table: Windows-1252's bytes 0x80-0x9F are
// the units they decode to (here S and s with caron, U+0160 and U+0161).
TEST(RegTreeSubkeys, CodePageNamesFindAndMakeTheKeysTheirTextNames) {
  const auto name = [](const char* bytes) {
    return CodePageName{reinterpret_cast<const uint8_t*>(bytes), std::strlen(bytes)};
  };
  for (int siblings : {0, 40}) {
    RegTree tree;
    RegKeyNode* parent = tree.Root(HKEY_LOCAL_MACHINE);
    for (int i = 0; i < siblings; ++i) tree.AddSubkey(parent, Num(u"Key", i));
    bool created = false;
    RegKeyNode* caron = tree.AddSubkey(parent,
                                       name("\x8A"
                                            "ema\xE9"),
                                       &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(caron->Name().ToText(), u"\u0160ema\u00E9");
    EXPECT_EQ(parent->FindSubkey(u"\u0161EMA\u00C9"), caron);
    EXPECT_EQ(tree.AddSubkey(parent,
                             name("\x9A"
                                  "EMA\xC9"),
                             &created),
              caron);
    EXPECT_FALSE(created);
    RegKeyNode* plain = tree.AddSubkey(parent, u"Plain\u00FF");
    EXPECT_EQ(tree.AddSubkey(parent, name("pLAIN\xFF"), &created), plain);
    EXPECT_FALSE(created);
    EXPECT_EQ(tree.AddSubkey(parent, name("key7"), &created)->Name().ToText(),
              siblings == 0 ? u"key7" : u"Key7");
    EXPECT_EQ(created, siblings == 0);
    EXPECT_EQ(parent->SubkeyCount(), size_t(siblings + 2 + (siblings == 0 ? 1 : 0)));
  }
}

TEST(RegTreeSubkeys, DeletionKeepsOrderAndRecreatedKeyGoesLast) {
  RegTree tree;
  RegKeyNode* parent = tree.Root(HKEY_LOCAL_MACHINE);
  for (int i = 0; i < 40; ++i) tree.AddSubkey(parent, Num(u"K", i));
  for (int i = 0; i < 40; i += 2) tree.DeleteKey(parent->FindSubkey(Num(u"K", i)));
  std::vector<std::u16string> expected;
  for (int i = 1; i < 40; i += 2) expected.push_back(Num(u"K", i));
  EXPECT_EQ(SubkeyNames(parent), expected);
  EXPECT_EQ(parent->FindSubkey(u"K4"), nullptr);
  tree.AddSubkey(parent, u"k4");
  expected.push_back(u"k4");
  EXPECT_EQ(SubkeyNames(parent), expected);
}

TEST(RegTreeSubkeys, RepeatedAddAndDeleteStaysFindable) {
  RegTree tree;
  RegKeyNode* parent = tree.Root(HKEY_USERS);
  for (int i = 0; i < 20; ++i) tree.AddSubkey(parent, Num(u"Stay", i));
  for (int round = 0; round < 1000; ++round) {
    tree.DeleteKey(tree.AddSubkey(parent, u"Churn"));
  }
  EXPECT_EQ(parent->SubkeyCount(), 20u);
  EXPECT_EQ(parent->FindSubkey(u"Churn"), nullptr);
  for (int i = 0; i < 20; ++i) EXPECT_NE(parent->FindSubkey(Num(u"stay", i)), nullptr) << i;
  EXPECT_EQ(parent->Subkey(19)->Name().ToText(), u"Stay19");
}

// A list that shrinks to a few entries by compaction drops its table; one
// that stays large keeps a table of the live entries alone.
TEST(RegTreeSubkeys, CompactedListsFindEveryLiveKeyAndNoDeadOne) {
  for (int keep : {3, 8, 9, 12}) {
    RegTree tree;
    RegKeyNode* parent = tree.Root(HKEY_USERS);
    const int count = 40;
    for (int i = 0; i < count; ++i) tree.AddSubkey(parent, Num(u"Key", i));
    // Delete all but keep keys, so that compaction comes.
    std::vector<int> kept;
    for (int i = 0; i < count; ++i) {
      // The last of each stretch, so that compaction moves every kept key.
      if (static_cast<int>(kept.size()) < keep && i % (count / keep) == count / keep - 1) {
        kept.push_back(i);
      } else {
        tree.DeleteKey(parent->FindSubkey(Num(u"Key", i)));
      }
    }
    ASSERT_EQ(parent->SubkeyCount(), kept.size()) << keep;
    // Access by position compacts whatever is dead.
    ASSERT_EQ(parent->Subkey(0)->Name().ToText(), Num(u"Key", kept[0]));
    for (int i = 0; i < count; ++i) {
      const bool live = std::find(kept.begin(), kept.end(), i) != kept.end();
      RegKeyNode* found = parent->FindSubkey(Num(u"KEY", i));
      ASSERT_EQ(found != nullptr, live) << keep << " " << i;
      if (live) {
        EXPECT_EQ(found->Name().ToText(), Num(u"Key", i));
      }
    }
    // Keys added after the compaction are found, and found once.
    for (int i = 0; i < count; ++i) tree.AddSubkey(parent, Num(u"New", i));
    EXPECT_EQ(parent->SubkeyCount(), kept.size() + count) << keep;
    for (int i = 0; i < count; ++i) EXPECT_NE(parent->FindSubkey(Num(u"new", i)), nullptr) << i;
    for (int i : kept) {
      RegKeyNode* found = parent->FindSubkey(Num(u"key", i));
      ASSERT_NE(found, nullptr) << keep << " " << i;
      EXPECT_EQ(found->Name().ToText(), Num(u"Key", i));
    }
  }
}

TEST(RegTreeDelete, RootLosesContentsOnly) {
  RegTree tree;
  RegKeyNode* hklm = tree.Root(HKEY_LOCAL_MACHINE);
  tree.Create(hklm, u"A\\B");
  const uint8_t one[] = {1};
  tree.SetValue(hklm, u"v", REG_BINARY, one, 1);
  tree.DeleteKey(hklm);
  EXPECT_EQ(tree.Root(HKEY_LOCAL_MACHINE), hklm);
  EXPECT_EQ(hklm->SubkeyCount(), 0u);
  EXPECT_EQ(hklm->ValueCount(), 0u);
  EXPECT_NE(tree.Create(hklm, u"A"), nullptr);
}

TEST(RegTreeDelete, DeepChainIsFreedWithoutRecursion) {
  RegTree tree;
  std::u16string path;
  const int depth = 300000;
  for (int i = 0; i < depth; ++i) path += u"k\\";
  RegKeyNode* hklm = tree.Root(HKEY_LOCAL_MACHINE);
  RegKeyNode* bottom = tree.Create(hklm, path);
  ASSERT_NE(bottom, nullptr);
  EXPECT_TRUE(RegTree::IsWithin(bottom, hklm->FindSubkey(u"K")));
  EXPECT_FALSE(RegTree::IsWithin(hklm, bottom));
  tree.DeleteKey(hklm->FindSubkey(u"k"));
  EXPECT_EQ(hklm->SubkeyCount(), 0u);
}

TEST(RegTreeValues, ReplaceKeepsPositionAndSpelling) {
  RegTree tree;
  RegKeyNode* key = tree.Root(HKEY_LOCAL_MACHINE);
  const uint8_t a[] = {1}, b[] = {2, 3};
  tree.SetValue(key, u"Dll", REG_BINARY, a, 1);
  tree.SetValue(key, u"Prefix", REG_BINARY, a, 1);
  tree.SetValue(key, u"DLL", REG_DWORD, b, 2);
  std::vector<std::u16string> names;
  key->ForEachValue([&names](const RegValueEntry& v) { names.push_back(v.name.ToText()); });
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Dll", u"Prefix"}));
  const RegValueEntry* dll = key->FindValue(u"dll");
  ASSERT_NE(dll, nullptr);
  EXPECT_EQ(dll->type, REG_DWORD);
  EXPECT_EQ(dll->data.ToVector(), (std::vector<uint8_t>{2, 3}));
  EXPECT_TRUE(tree.DeleteValue(key, u"dLL"));
  EXPECT_FALSE(tree.DeleteValue(key, u"Dll"));
  EXPECT_EQ(key->FindValue(u"Dll"), nullptr);
  EXPECT_EQ(key->ValueCount(), 1u);
}

TEST(RegTreeValues, ManyValuesWithDeletionsStayFindable) {
  RegTree tree;
  RegKeyNode* key = tree.Root(HKEY_CURRENT_USER);
  const uint8_t d[] = {7};
  for (int i = 0; i < 3000; ++i) tree.SetValue(key, Num(u"v", i), REG_BINARY, d, 1);
  for (int i = 0; i < 3000; i += 3) EXPECT_TRUE(tree.DeleteValue(key, Num(u"V", i)));
  EXPECT_EQ(key->ValueCount(), 2000u);
  for (int i = 0; i < 3000; ++i) {
    EXPECT_EQ(key->FindValue(Num(u"V", i)) != nullptr, i % 3 != 0) << i;
  }
}

}  // namespace
