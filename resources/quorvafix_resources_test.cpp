#include "resources/quorvafix_resources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/windowing/resources.h"
#include "resources/resource_ids.h"

namespace {

std::u16string String(uint32_t id) {
  char16_t buffer[100];
  LoadString(QuorvafixInstance(), id, buffer, 100);
  return buffer;
}

TEST(QuorvafixResources, Strings) {
  EXPECT_EQ(String(IDS_APP_TITLE), u"QUORVAFIX");
  EXPECT_EQ(String(IDS_WINDOW_CLASS), u"QUORVAFIX");
  EXPECT_EQ(String(IDS_TOOLS), u"Tools");
  EXPECT_EQ(QuorvafixResources().string_count, 3);
}

TEST(QuorvafixResources, CommandNumbers) {
  EXPECT_EQ(IDM_TOOLS, 40001);
  EXPECT_EQ(IDM_ABOUT, 40003);
  EXPECT_EQ(IDM_DETECT, 40004);
  EXPECT_EQ(IDM_FIX, 40005);
  EXPECT_EQ(IDM_EXIT, 40006);
  EXPECT_EQ(IDM_OPEN, 40007);
  EXPECT_EQ(IDM_DEVICE, 40009);
}

TEST(QuorvafixResources, ToolsMenuItemsInOrder) {
  const MenuResource* menu = FindMenu(QuorvafixInstance(), 102);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->popup_count, 1);
  const PopupResource& tools = menu->popups[0];
  EXPECT_EQ(std::u16string(tools.text), u"Tools");
  struct Item {
    uint16_t command;
    std::u16string text;
    bool windows_only;
  };
  // The sources first (the handheld on Windows alone), then Copy Report;
  // Detect, Fix and Exit stay the last three.
  const Item expected[] = {{40003, u"About...", false},
                           {40007, u"Open Registry Export...", false},
                           {40009, u"Use Connected Handheld", true},
                           {40008, u"Copy Report", false},
                           {40004, u"Detect QUORVA Bug", false},
                           {40005, u"Fix QUORVA Bluetooth Bug", false},
                           {40006, u"Exit", false}};
  ASSERT_EQ(tools.item_count, 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(tools.items[i].command, expected[i].command) << i;
    EXPECT_EQ(std::u16string(tools.items[i].text), expected[i].text) << i;
    EXPECT_EQ(tools.items[i].windows_only, expected[i].windows_only) << i;
  }
}

TEST(QuorvafixResources, MenuBarTemplateHasOneToolsButton) {
  const MenuBarTemplate* bar = FindMenuBarTemplate(QuorvafixInstance(), 102);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->menu, 102);
  ASSERT_EQ(bar->button_count, 1);
  const MenuBarButtonResource& button = bar->buttons[0];
  EXPECT_EQ(button.image, I_IMAGENONE);
  EXPECT_EQ(button.command, 40001);
  EXPECT_EQ(button.state, TBSTATE_ENABLED);
  EXPECT_EQ(button.style, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE);
  EXPECT_EQ(button.label_string, 104);
  EXPECT_EQ(button.submenu, 0);
}

TEST(QuorvafixResources, AcceleratorsCtrlACtrlQCtrlOAndCtrlC) {
  AcceleratorHandle table = LoadAccelerators(QuorvafixInstance(), 3);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->entry_count, 4);
  EXPECT_EQ(table->entries[0].flags, FVIRTKEY | FCONTROL);
  EXPECT_EQ(table->entries[0].key, 'A');
  EXPECT_EQ(table->entries[0].command, 40003);
  EXPECT_EQ(table->entries[1].flags, FVIRTKEY | FCONTROL);
  EXPECT_EQ(table->entries[1].key, 'Q');
  EXPECT_EQ(table->entries[1].command, 1);
  EXPECT_EQ(table->entries[2].flags, FVIRTKEY | FCONTROL);
  EXPECT_EQ(table->entries[2].key, 'O');
  EXPECT_EQ(table->entries[2].command, 40007);
  EXPECT_EQ(table->entries[3].flags, FVIRTKEY | FCONTROL);
  EXPECT_EQ(table->entries[3].key, 'C');
  EXPECT_EQ(table->entries[3].command, 40008);
}

TEST(QuorvafixResources, AboutDialogGeometryAndTexts) {
  const DialogTemplate* dialog = FindDialogTemplate(QuorvafixInstance(), 103);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION);
  EXPECT_EQ(dialog->ex_style, 0x80000000u);
  EXPECT_EQ(dialog->width, 140);
  EXPECT_EQ(dialog->height, 57);
  EXPECT_EQ(std::u16string(dialog->caption), u"About QUORVAFIX");
  EXPECT_EQ(dialog->font_points, 8);
  EXPECT_EQ(std::u16string(dialog->font_face), u"System");
  ASSERT_EQ(dialog->control_count, 3);

  const DialogControlResource& icon = dialog->controls[0];
  EXPECT_EQ(icon.kind, DialogControlKind::Icon);
  EXPECT_EQ(icon.icon, 101);
  EXPECT_EQ(icon.id, IDC_STATIC);
  EXPECT_EQ((std::vector<int>{icon.x, icon.y, icon.width, icon.height}),
            (std::vector<int>{11, 17, 20, 20}));

  const DialogControlResource& version = dialog->controls[1];
  EXPECT_EQ(version.kind, DialogControlKind::Text);
  EXPECT_EQ(std::u16string(version.text), u"QUORVAFIX Version 1.0");
  EXPECT_EQ(version.id, IDC_STATIC);
  EXPECT_EQ((std::vector<int>{version.x, version.y, version.width, version.height}),
            (std::vector<int>{40, 10, 70, 8}));

  const DialogControlResource& notice = dialog->controls[2];
  EXPECT_EQ(notice.kind, DialogControlKind::Text);
  EXPECT_EQ(std::u16string(notice.text), u"(c) Harbelt TEAM, S.L.");
  EXPECT_EQ(notice.id, IDC_STATIC);
  EXPECT_EQ((std::vector<int>{notice.x, notice.y, notice.width, notice.height}),
            (std::vector<int>{40, 25, 70, 8}));
}

// Parses the XPM header "W H COLOURS 1" and checks the rows and colour lines.
TEST(QuorvafixResources, IconGroupHasSixteenColourImagesOf32And16) {
  IconHandle icon = LoadIcon(QuorvafixInstance(), 101);
  ASSERT_NE(icon, nullptr);
  ASSERT_EQ(icon->image_count, 2);
  const int sizes[] = {32, 16};
  for (int i = 0; i < 2; ++i) {
    const IconImageResource& image = icon->images[i];
    EXPECT_EQ(image.width, sizes[i]);
    EXPECT_EQ(image.height, sizes[i]);
    EXPECT_EQ(image.colours, 16);
    int w = 0, h = 0, colours = 0, chars = 0;
    ASSERT_EQ(std::sscanf(image.xpm[0], "%d %d %d %d", &w, &h, &colours, &chars), 4);
    EXPECT_EQ(w, sizes[i]);
    EXPECT_EQ(h, sizes[i]);
    EXPECT_LE(colours, 16);
    EXPECT_EQ(chars, 1);
    ASSERT_EQ(image.xpm_lines, 1 + colours + h);
    std::set<char> keys;
    for (int c = 1; c <= colours; ++c) keys.insert(image.xpm[c][0]);
    for (int row = 0; row < h; ++row) {
      std::string pixels = image.xpm[1 + colours + row];
      ASSERT_EQ(static_cast<int>(pixels.size()), w) << row;
      for (char p : pixels) EXPECT_EQ(keys.count(p), 1u) << row;
    }
  }
}

}  // namespace
