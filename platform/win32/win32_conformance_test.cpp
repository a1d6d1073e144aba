// The platform conformance suite on the Win32 backend (under Wine in the
// Windows build).
#include <memory>

#include "platform/win32/testing/win32_platform_under_test.h"
#include "platform/windowing/testing/platform_conformance.h"

namespace {

INSTANTIATE_TEST_SUITE_P(Win32, PlatformConformance,
                         ::testing::Values(PlatformBackend{
                             "Win32", [] { return std::make_unique<Win32PlatformUnderTest>(); }}),
                         PlatformBackendName);

}  // namespace
