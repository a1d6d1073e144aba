#include "resources/resource_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/testing/registry_testing.h"
#include "resources/quorvafix_resources.h"
#include "resources/resource_ids.h"

namespace {

const std::string RESOURCES = QUORVAFIX_RESOURCES_DIR;

// The Windows build compiles the committed script and icon: they must be
// exactly what the tables give, so that both builds carry the same items.
TEST(ResourceScript, CommittedFilesAreTheTablesOwn) {
  const ResourceModule& module = QuorvafixResources();
  const std::string script = ResourceScript(module, "quorvafix");
  const std::vector<uint8_t> committed = ReadBytes(RESOURCES + "/quorvafix.rc");
  EXPECT_EQ(std::string(committed.begin(), committed.end()), script)
      << "regenerate with: build/resources/write_resource_script resources";
  ASSERT_EQ(module.icon_count, 1);
  EXPECT_EQ(ReadBytes(RESOURCES + "/quorvafix-101.ico"), IconFile(module.icons[0]));
}

// Every item of the tables is in the script, in the form windres reads.
TEST(ResourceScript, HoldsEveryItem) {
  const std::string script = ResourceScript(QuorvafixResources(), "quorvafix");
  const char* const lines[] = {
      "  1, \"QUORVAFIX\"\n",
      "  3, \"QUORVAFIX\"\n",
      "  104, \"Tools\"\n",
      "102 MENU\nBEGIN\n  POPUP \"Tools\"\n",
      "    MENUITEM \"About...\", 40003\n",
      "    MENUITEM \"Open Registry Export...\", 40007\n",
      "    MENUITEM \"Copy Report\", 40008\n",
      "    MENUITEM \"Detect QUORVA Bug\", 40004\n",
      "    MENUITEM \"Fix QUORVA Bluetooth Bug\", 40005\n",
      "    MENUITEM \"Exit\", 40006\n",
      "102 RCDATA\nBEGIN\n  102, 1,\n  -2, 40001, 4, 24, 104, 0\nEND\n",
      "3 ACCELERATORS\nBEGIN\n  65, 40003, VIRTKEY, CONTROL\n  81, 1, VIRTKEY, CONTROL\n"
      "  79, 40007, VIRTKEY, CONTROL\n  67, 40008, VIRTKEY, CONTROL\nEND\n",
      "103 DIALOGEX 0, 0, 140, 57\nSTYLE 0x80C00040\nEXSTYLE 0x80000000\n"
      "CAPTION \"About QUORVAFIX\"\nFONT 8, \"System\"\n",
      "  CONTROL 101, -1, \"Static\", 0x3, 11, 17, 20, 20\n",
      "  CONTROL \"QUORVAFIX Version 1.0\", -1, \"Static\", 0x20000, 40, 10, 70, 8\n",
      "101 ICON \"quorvafix-101.ico\"\n",
  };
  for (const char* line : lines) EXPECT_NE(script.find(line), std::string::npos) << line;
}

// Quotes are doubled and other characters written in UTF-8, as the script's
// code page says.
TEST(ResourceScript, TextsAreQuotedInUtf8) {
  const StringResource strings[] = {{7, u"say \"caf\u00e9\" \U0001F600"}};
  ResourceModule module = {};
  module.strings = strings;
  module.string_count = 1;
  EXPECT_NE(ResourceScript(module, "x").find("  7, \"say \"\"caf\xC3\xA9\"\" \xF0\x9F\x98\x80\"\n"),
            std::string::npos);
}

TEST(ResourceScript, IconHoldsEachImageWithItsMask) {
  const std::vector<uint8_t> icon = IconFile(QuorvafixResources().icons[0]);
  ASSERT_GE(icon.size(), 6u + 2 * 16);
  EXPECT_EQ(icon[2], 1);  // an icon, not a cursor
  EXPECT_EQ(icon[4], 2);  // 32x32 and 16x16
  EXPECT_EQ(icon[6], 32);
  EXPECT_EQ(icon[6 + 16], 16);
  // Each bitmap: its header, 4 bytes a pixel, a mask row of 4 bytes per row.
  const size_t big = 40 + 32 * 32 * 4 + 32 * 4, small = 40 + 16 * 16 * 4 + 16 * 4;
  EXPECT_EQ(icon.size(), 6 + 2 * 16 + big + small);
  // A bad XPM makes no icon.
  const char* const bad[] = {"2 1 1 1", "x c #GGGGGG", "xx"};
  const IconImageResource image = {2, 1, 1, bad, 3};
  const IconGroupResource group = {1, &image, 1};
  EXPECT_TRUE(IconFile(group).empty());
}

}  // namespace
