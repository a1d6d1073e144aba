// The compiled resource script (windres, resources/quorvafix.rc) loaded by
// Windows itself (under Wine) holds exactly the items of the tables the
// Linux build serves (quorvafix_resources.cpp), linked into the same test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/quorvafix_resources.h"
#include "resources/resource_ids.h"
#include "resources/testing/win32_resource_calls.h"

namespace {

TEST(Win32Resources, StringsAreTheTables) {
  const ResourceModule& module = QuorvafixResources();
  for (int i = 0; i < module.string_count; ++i) {
    EXPECT_EQ(LoadedString(module.strings[i].id), module.strings[i].text) << module.strings[i].id;
  }
  EXPECT_EQ(LoadedString(2), u"");
}

TEST(Win32Resources, MenuIsTheTables) {
  const MenuResource& menu = QuorvafixResources().menus[0];
  std::vector<LoadedMenuItem> loaded = LoadedMenuItems(menu.id);
  size_t at = 0;
  for (int p = 0; p < menu.popup_count; ++p) {
    for (int i = 0; i < menu.popups[p].item_count; ++i, ++at) {
      ASSERT_LT(at, loaded.size());
      EXPECT_EQ(loaded[at].popup, menu.popups[p].text);
      EXPECT_EQ(loaded[at].text, menu.popups[p].items[i].text);
      EXPECT_EQ(loaded[at].command, menu.popups[p].items[i].command);
    }
  }
  EXPECT_EQ(at, loaded.size());
}

TEST(Win32Resources, AcceleratorsAreTheTables) {
  const AcceleratorTable& table = QuorvafixResources().accelerators[0];
  std::vector<LoadedAccelerator> loaded = LoadedAccelerators(table.id);
  ASSERT_EQ(loaded.size(), static_cast<size_t>(table.entry_count));
  for (int i = 0; i < table.entry_count; ++i) {
    EXPECT_EQ(loaded[i].flags, table.entries[i].flags) << i;
    EXPECT_EQ(loaded[i].key, table.entries[i].key) << i;
    EXPECT_EQ(loaded[i].command, table.entries[i].command) << i;
  }
}

TEST(Win32Resources, DialogAndIconAreThere) {
  EXPECT_EQ(LoadedDialogCaption(IDD_ABOUTBOX), QuorvafixResources().dialogs[0].caption);
  EXPECT_EQ(LoadedIconWidth(IDI_QUORVAFIX, 32), 32);
  EXPECT_EQ(LoadedIconWidth(IDI_QUORVAFIX, 16), 16);
}

}  // namespace
