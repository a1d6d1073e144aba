// The platform conformance suite on the Qt backend (offscreen platform).
#include <memory>

#include "platform/qt/testing/qt_platform_under_test.h"
#include "platform/windowing/testing/platform_conformance.h"

namespace {

INSTANTIATE_TEST_SUITE_P(Qt, PlatformConformance,
                         ::testing::Values(PlatformBackend{
                             "Qt", [] { return std::make_unique<QtPlatformUnderTest>(); }}),
                         PlatformBackendName);

}  // namespace
