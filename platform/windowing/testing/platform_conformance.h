// The platform conformance suite: one set of tests of what the window
// manager, shell and desktop services promise in their headers (and what the
// program relies on), run on every backend. The tests are value-parameterised
// on PlatformConformance; a backend's test program links this library whole
// and instantiates the suite once with its PlatformBackend:
//   INSTANTIATE_TEST_SUITE_P(Qt, PlatformConformance,
//                            ::testing::Values(PlatformBackend{"Qt", MakeQt}),
//                            PlatformBackendName);
// Standard library and GoogleTest only.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/windowing/desktop_services.h"
#include "platform/windowing/shell_services.h"
#include "platform/windowing/testing/platform_under_test.h"
#include "platform/windowing/window_manager.h"

// The instantiation's name: the backend's.
std::string PlatformBackendName(const ::testing::TestParamInfo<PlatformBackend>& info);
// A backend in GoogleTest's messages: its name.
void PrintTo(const PlatformBackend& backend, std::ostream* out);

// text without its '\r's: lines as a desktop may end them either way.
std::u16string WithoutCarriageReturns(std::u16string text);

// One message a test procedure received.
struct SeenMessage {
  WindowHandle window;
  uint32_t message;
  WordParam wparam;
  LongParam lparam;
};

// The suite's resources, installed once per process (ConformanceInstance).
constexpr uint32_t IDS_CONFORMANCE_TITLE = 1;     // "Conformance ✓"
constexpr uint32_t IDS_CONFORMANCE_BUTTON = 2;    // "Menu"
constexpr uint32_t IDR_CONFORMANCE_MENU = 10;     // one popup: IDM_CONFORMANCE_ITEM
constexpr uint32_t IDR_CONFORMANCE_BAR = 11;      // one drop-down button
constexpr uint32_t IDR_CONFORMANCE_KEYS = 12;     // Ctrl+C, Ctrl+Shift+C
constexpr uint32_t IDD_CONFORMANCE_PLAIN = 20;    // no caption OK button
constexpr uint32_t IDD_CONFORMANCE_CAPTION = 21;  // WS_EX_CAPTIONOKBTN
constexpr uint32_t IDI_CONFORMANCE = 30;
constexpr uint16_t IDM_CONFORMANCE_ITEM = 40001;
constexpr uint16_t IDM_CONFORMANCE_COPY = 40002;        // Ctrl+C
constexpr uint16_t IDM_CONFORMANCE_COPY_SHIFT = 40003;  // Ctrl+Shift+C
InstanceHandle ConformanceInstance();

class PlatformConformance : public ::testing::TestWithParam<PlatformBackend> {
 public:
  // What the recording procedures (plain functions) saw since the test
  // began or ForgetSeen.
  static std::vector<SeenMessage>& Seen();
  static void ForgetSeen() { Seen().clear(); }
  // How many of message window received.
  static int CountSeen(WindowHandle window, uint32_t message);
  // What WM_CREATE returns for the windows made next.
  static MessageResult& CreateResult();

  // What one WM_PAINT found, filled by the recording procedure.
  struct PaintRecord {
    DeviceContext dc = 0;
    PaintInfo info{};
    bool ended = false;
  };
  static std::vector<PaintRecord>& Paints();
  // Draws with DrawText inside each WM_PAINT (null: nothing).
  using PaintStep = void (*)(DeviceContext dc, const Rect& client);
  static PaintStep& Painter();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers a class of its own (a name no other test uses) whose procedure
  // records every message and hands it to DefWindowProc, except that
  // WM_CREATE returns CreateResult() and WM_PAINT paints between BeginPaint
  // and EndPaint with Painter() and keeps a PaintRecord.
  // Returns the class name; empty when RegisterClass failed.
  std::u16string RegisterRecordingClass();
  // A window of a recording class at (x, y), width x height, visible; 0 when
  // it could not be made.
  WindowHandle MakeWindow(int32_t x = 10, int32_t y = 40, int32_t width = 200,
                          int32_t height = 150);

  // MakeWindow's window once it has had its first WM_PAINT; 0 when it was
  // not made or not painted.
  WindowHandle MakePaintedWindow();
  // Runs the backend's events until window has received a WM_PAINT since
  // the count given, or about 5 s have passed; true when it has.
  bool WaitForPaint(WindowHandle window, int paints_before);

  // The next message of the queue (GetMessage's result in *result).
  WindowMessage NextMessage(int* result = nullptr);

  // A fresh folder of the test's own, removed after the test.
  const std::filesystem::path& Folder();
  // Makes file name (empty) in Folder() and returns its full path, as the
  // platform spells paths.
  std::u16string MakeFile(const std::u16string& name);

  PlatformUnderTest& Platform() { return *platform_; }

 private:
  std::unique_ptr<PlatformUnderTest> platform_;
  std::filesystem::path folder_;
};
