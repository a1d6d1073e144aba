// The program's resources as every backend loads them: LoadString,
// LoadAccelerators and LoadIcon.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

TEST_P(PlatformConformance, LoadStringCopiesCutsAndTerminates) {
  char16_t buffer[32];
  EXPECT_EQ(LoadString(ConformanceInstance(), IDS_CONFORMANCE_TITLE, buffer, 32), 13);
  EXPECT_EQ(std::u16string(buffer), u"Conformance \u2713");
  EXPECT_EQ(LoadString(ConformanceInstance(), IDS_CONFORMANCE_TITLE, buffer, 5), 4);
  EXPECT_EQ(std::u16string(buffer), u"Conf");
  EXPECT_EQ(LoadString(ConformanceInstance(), 999, buffer, 32), 0);
  EXPECT_EQ(std::u16string(buffer), u"") << "an unknown id stores the empty text";
  buffer[0] = u'#';
  EXPECT_EQ(LoadString(ConformanceInstance(), IDS_CONFORMANCE_TITLE, buffer, 0), 0);
  EXPECT_EQ(buffer[0], u'#');
  EXPECT_EQ(LoadString(0x7FFF0000u, IDS_CONFORMANCE_TITLE, buffer, 32), 0);
}

TEST_P(PlatformConformance, LoadAcceleratorsAndLoadIconFindTheirTables) {
  AcceleratorHandle keys = LoadAccelerators(ConformanceInstance(), IDR_CONFORMANCE_KEYS);
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys->id, IDR_CONFORMANCE_KEYS);
  EXPECT_EQ(keys->entry_count, 2);
  EXPECT_EQ(LoadAccelerators(ConformanceInstance(), 999), nullptr);
  EXPECT_EQ(LoadAccelerators(0x7FFF0000u, IDR_CONFORMANCE_KEYS), nullptr);

  IconHandle icon = LoadIcon(ConformanceInstance(), IDI_CONFORMANCE);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->id, IDI_CONFORMANCE);
  EXPECT_EQ(LoadIcon(ConformanceInstance(), 999), nullptr);
  EXPECT_EQ(LoadIcon(0, IDI_CONFORMANCE), nullptr);
}

}  // namespace
