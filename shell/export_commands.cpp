#include "shell/export_commands.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/files/rewrite_target.h"
#include "platform/registry/reg_text_codec.h"
#include "resources/resource_ids.h"
#include "shell/desktop_options.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "shell/window_work.h"

namespace {

// Units offered for a path chosen or remembered.
constexpr uint32_t PATH_UNITS = 4096;

bool UseLocalRegistry(ShellState& shell, WindowHandle window) {
  std::string why;
  if (!OpenLocalRegistry(shell.registry, &why)) {
    ShowRefusedExport(window, why);
    return false;
  }
  ShowLocalRegistryText();
  ShowExportTitle(window, shell.registry);
  InvalidateRect(window, nullptr, false);
  return true;
}

// The sources other than an export that a second copy hands over, by the
// option that names them.
struct HandedSource {
  const char* option;
  bool (*use)(ShellState& shell, WindowHandle window);
};
constexpr HandedSource HANDED_SOURCES[] = {{LOCAL_REGISTRY_OPTION, &UseLocalRegistry},
                                           {DEVICE_OPTION, &StartConnect}};

// The source named by option; null when none is.
const HandedSource* HandedSourceNamed(const std::u16string& option) {
  for (const HandedSource& source : HANDED_SOURCES) {
    if (option == WideOfUtf8(source.option)) return &source;
  }
  return nullptr;
}

// The UTF-16 text of a handed-over record, or false when it is malformed.
bool HandedText(const CopyData& data, std::u16string* text) {
  if (data.size % 2 != 0 || (data.size != 0 && data.data == nullptr)) return false;
  text->assign(data.size / 2, u'\0');
  if (!text->empty()) std::memcpy(text->data(), data.data, data.size);
  return true;
}

}  // namespace

bool OpenExportInWindow(OpenRegistry& registry, WindowHandle window, const std::string& path) {
  std::string reason;
  if (!OpenRegistryExport(registry, path, &reason)) {
    ShowRefusedExport(window, reason);
    return false;
  }
  ShowOpenedExport(window, registry);
  return true;
}

void OnOpenCommand(ShellState& shell, WindowHandle window) {
  if (WaitForRead(shell.work, IDM_OPEN) || WorkInProgress(shell.work)) return;
  std::vector<char16_t> file(PATH_UNITS, 0);
  const std::string& open_path = OpenExportPath(shell.registry);
  std::u16string folder = open_path.empty() ? u"" : WideOfUtf8(FolderOf(open_path));
  OpenFileName ofn{};
  ofn.size = sizeof(OpenFileName);
  ofn.owner = window;
  ofn.filter = EXPORT_FILTER;
  ofn.filter_index = 1;
  ofn.file = file.data();
  ofn.max_file = PATH_UNITS;
  ofn.initial_dir = folder.empty() ? nullptr : folder.c_str();
  ofn.title = u"Open Registry Export";
  ofn.flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileName(&ofn)) return;
  OpenWhenIdle(shell, window, MessageText(file.data()));
}

void OnDropFiles(ShellState& shell, WindowHandle window, DropHandle drop) {
  std::u16string path;
  if (DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0) > 0) {
    path.resize(DragQueryFile(drop, 0, nullptr, 0) + 1);
    DragQueryFile(drop, 0, path.data(), static_cast<uint32_t>(path.size()));
    path.pop_back();
  }
  DragFinish(drop);
  if (!path.empty()) OpenWhenIdle(shell, window, MessageText(path));
}

MessageResult OnCopyData(ShellState& shell, WindowHandle window, const CopyData* data) {
  std::u16string wide;
  if (data == nullptr || !HandedText(*data, &wide)) return 0;
  if (data->kind == COPYDATA_OPEN_SOURCE) {
    const HandedSource* source = HandedSourceNamed(wide);
    if (source == nullptr) return 0;
    if (WorkInProgress(shell.work)) {
      SwitchWhenIdle(shell.work, source->option);
    } else {
      source->use(shell, window);
    }
    return 1;
  }
  if (data->kind != COPYDATA_OPEN_EXPORT) return 0;
  std::string path = MessageText(wide);
  // Only an absolute path is taken from another process; the store refuses
  // anything but a regular file without waiting on it (a FIFO included).
  if (!IsAbsolutePath(path)) return 0;
  OpenWhenIdle(shell, window, path);
  return 1;
}

void OnSourceWhenIdle(ShellState& shell, WindowHandle window) {
  if (WorkInProgress(shell.work) || shell.work.source_when_idle.empty()) return;
  const HandedSource* source =
      HandedSourceNamed(WideOfUtf8(std::exchange(shell.work.source_when_idle, std::string())));
  if (source != nullptr) source->use(shell, window);
}

std::string RememberedExport() {
  std::vector<char16_t> buffer(PATH_UNITS, 0);
  int n = GetProfileString(PROFILE_SECTION, PROFILE_LAST_EXPORT, u"", buffer.data(),
                           static_cast<int>(PATH_UNITS));
  return MessageText(std::u16string_view(buffer.data(), static_cast<std::size_t>(n)));
}
