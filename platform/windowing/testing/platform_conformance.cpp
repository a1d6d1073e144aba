#include "platform/windowing/testing/platform_conformance.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>

namespace {

constexpr StringResource STRINGS[] = {
    {IDS_CONFORMANCE_TITLE, u"Conformance \u2713"},
    {IDS_CONFORMANCE_BUTTON, u"Menu"},
};
constexpr MenuItemResource ITEMS[] = {{IDM_CONFORMANCE_ITEM, u"Item"}};
constexpr PopupResource POPUPS[] = {{u"Menu", ITEMS, 1}};
constexpr MenuResource MENUS[] = {{IDR_CONFORMANCE_MENU, POPUPS, 1}};
constexpr MenuBarButtonResource BUTTONS[] = {{I_IMAGENONE, 0, TBSTATE_ENABLED,
                                              TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE,
                                              IDS_CONFORMANCE_BUTTON, 0}};
constexpr MenuBarTemplate BARS[] = {{IDR_CONFORMANCE_BAR, IDR_CONFORMANCE_MENU, BUTTONS, 1}};
constexpr AcceleratorResource KEYS[] = {
    {FVIRTKEY | FCONTROL, 'C', IDM_CONFORMANCE_COPY},
    {FVIRTKEY | FCONTROL | FSHIFT, 'C', IDM_CONFORMANCE_COPY_SHIFT},
};
constexpr AcceleratorTable TABLES[] = {{IDR_CONFORMANCE_KEYS, KEYS, 2}};
constexpr DialogControlResource CONTROLS[] = {
    {DialogControlKind::Text, u"Conformance", 0, IDC_STATIC, SS_LEFT, 4, 4, 100, 8}};
constexpr DialogTemplate DIALOGS[] = {
    {IDD_CONFORMANCE_PLAIN, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 0, 120, 60, u"Plain", 8,
     u"Tahoma", CONTROLS, 1},
    {IDD_CONFORMANCE_CAPTION, WS_POPUP | WS_CAPTION | DS_SETFONT, WS_EX_CAPTIONOKBTN, 0, 0, 120, 60,
     u"Caption OK", 8, u"Tahoma", CONTROLS, 1},
};
const char* const ICON_XPM[] = {"2 2 1 1", ". c #000000", "..", ".."};
constexpr IconImageResource ICON_IMAGES[] = {{2, 2, 1, ICON_XPM, 4}};
constexpr IconGroupResource ICONS[] = {{IDI_CONFORMANCE, ICON_IMAGES, 1}};
constexpr ResourceModule MODULE = {STRINGS, 2, MENUS, 1, BARS, 1, TABLES, 1, DIALOGS, 2, ICONS, 1};

MessageResult RecordingProcedure(WindowHandle window, uint32_t message, WordParam wparam,
                                 LongParam lparam);

}  // namespace

InstanceHandle ConformanceInstance() {
  static const InstanceHandle instance = InstallResourceModule(&MODULE);
  return instance;
}

std::string PlatformBackendName(const ::testing::TestParamInfo<PlatformBackend>& info) {
  return info.param.name;
}

std::u16string WithoutCarriageReturns(std::u16string text) {
  text.erase(std::remove(text.begin(), text.end(), u'\r'), text.end());
  return text;
}

void PrintTo(const PlatformBackend& backend, std::ostream* out) { *out << backend.name; }

std::vector<SeenMessage>& PlatformConformance::Seen() {
  static std::vector<SeenMessage> seen;
  return seen;
}

int PlatformConformance::CountSeen(WindowHandle window, uint32_t message) {
  return static_cast<int>(std::count_if(Seen().begin(), Seen().end(), [&](const SeenMessage& m) {
    return m.window == window && m.message == message;
  }));
}

MessageResult& PlatformConformance::CreateResult() {
  static MessageResult result = 0;
  return result;
}

std::vector<PlatformConformance::PaintRecord>& PlatformConformance::Paints() {
  static std::vector<PaintRecord> paints;
  return paints;
}

PlatformConformance::PaintStep& PlatformConformance::Painter() {
  static PaintStep painter = nullptr;
  return painter;
}

namespace {

MessageResult RecordingProcedure(WindowHandle window, uint32_t message, WordParam wparam,
                                 LongParam lparam) {
  using Access = PlatformConformance;
  Access::Seen().push_back(SeenMessage{window, message, wparam, lparam});
  if (message == WM_CREATE) return Access::CreateResult();
  if (message == WM_PAINT) {
    PlatformConformance::PaintRecord record;
    record.dc = BeginPaint(window, &record.info);
    if (record.dc != 0 && Access::Painter() != nullptr) {
      Rect client{};
      GetClientRect(window, &client);
      Access::Painter()(record.dc, client);
    }
    record.ended = EndPaint(window, &record.info);
    Access::Paints().push_back(record);
    return 0;
  }
  return DefWindowProc(window, message, wparam, lparam);
}

}  // namespace

void PlatformConformance::SetUp() {
  const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string plain = test.substr(0, test.find('/'));
  const std::vector<std::string>& left_out = GetParam().left_out;
  if (std::find(left_out.begin(), left_out.end(), plain) != left_out.end()) {
    GTEST_SKIP() << GetParam().name << " differs here on purpose";
  }
  ForgetSeen();
  Paints().clear();
  Painter() = nullptr;
  CreateResult() = 0;
  platform_ = GetParam().make();
  ASSERT_NE(platform_, nullptr);
}

void PlatformConformance::TearDown() {
  platform_.reset();
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

std::u16string PlatformConformance::RegisterRecordingClass() {
  // Class names are the process's on some platforms: each test takes new ones.
  static int next = 0;
  std::string name = "ConformanceClass" + std::to_string(++next);
  std::u16string class_name(name.begin(), name.end());
  WindowClass window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.procedure = RecordingProcedure;
  window_class.instance = ConformanceInstance();
  window_class.icon = LoadIcon(ConformanceInstance(), IDI_CONFORMANCE);
  window_class.background = GetStockObject(WHITE_BRUSH);
  window_class.class_name = class_name.c_str();
  return RegisterClass(window_class) != 0 ? class_name : std::u16string();
}

WindowHandle PlatformConformance::MakeWindow(int32_t x, int32_t y, int32_t width, int32_t height) {
  std::u16string class_name = RegisterRecordingClass();
  if (class_name.empty()) return 0;
  return CreateWindowEx(0, class_name.c_str(), u"Conformance", WS_VISIBLE, x, y, width, height, 0,
                        0, ConformanceInstance(), nullptr);
}

WindowHandle PlatformConformance::MakePaintedWindow() {
  WindowHandle window = MakeWindow();
  return window != 0 && WaitForPaint(window, 0) ? window : 0;
}

bool PlatformConformance::WaitForPaint(WindowHandle window, int paints_before) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (CountSeen(window, WM_PAINT) <= paints_before) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform_->PumpEvents(20);
  }
  return true;
}

WindowMessage PlatformConformance::NextMessage(int* result) {
  WindowMessage message{};
  int got = GetMessage(&message, 0, 0, 0);
  if (result != nullptr) *result = got;
  return message;
}

const std::filesystem::path& PlatformConformance::Folder() {
  if (folder_.empty()) {
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("quorvafix-conformance-" + std::to_string(random()));
    std::filesystem::create_directories(folder_);
  }
  return folder_;
}

std::u16string PlatformConformance::MakeFile(const std::u16string& name) {
  std::filesystem::path path = Folder() / std::filesystem::path(name);
  std::ofstream(path).put('\n');
  return path.u16string();
}
