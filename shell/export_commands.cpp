#include "shell/export_commands.h"

#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"
#include "resources/resource_ids.h"
#include "shell/display_text.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "shell/window_work.h"

namespace {

constexpr char16_t CAPTION[] = u"QUORVAFIX";
// Units offered for a path chosen or remembered.
constexpr uint32_t PATH_UNITS = 4096;

void ShowBox(WindowHandle owner, const std::u16string& text, uint32_t type = MB_OK) {
  MessageBox(owner, text.c_str(), CAPTION, type);
}

// Only an absolute path to a regular file is taken from another process:
// anything else (a FIFO would block the window) is ignored.
bool IsRegularFile(const std::string& path) {
  struct stat status;
  return !path.empty() && path[0] == '/' && stat(path.c_str(), &status) == 0 &&
         S_ISREG(status.st_mode);
}

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void ShowExportStartText() {
  const std::string& path = OpenExportPath();
  if (path.empty()) {
    DisplayText.Assign(
        "   No registry export is open. Choose Tools > Open Registry Export... (Ctrl+O), or drop "
        "a .reg file on this window.\r\n\r\n");
  } else {
    DisplayText.AssignWide((u"   Registry export: " + WideOfUtf8(path) + u"\r\n\r\n").c_str());
  }
  DisplayText.Append(HelpText);
}

void ShowReadingText(const std::string& path) {
  DisplayText.AssignWide((WideOfUtf8(READING_TEXT_HEAD + path) + u"...\r\n\r\n").c_str());
  DisplayText.Append(HelpText);
}

bool RequireRegistry(WindowHandle window) {
  if (InstalledRegistryStore() != nullptr) return true;
  ShowBox(window, WideOfUtf8(NO_EXPORT_MESSAGE));
  return false;
}

void ShowRefusedExport(WindowHandle owner, const std::string& reason) {
  ShowBox(owner, WideOfUtf8(EXPORT_REFUSED_TEXT + reason), MB_OK | MB_ICONWARNING);
}

void ShowUnreadableExport(WindowHandle window, const std::string& reason) {
  ShowBox(window, WideOfUtf8(EXPORT_UNREADABLE_TEXT + reason), MB_OK | MB_ICONWARNING);
}

bool OpenExportInWindow(WindowHandle window, const std::string& path) {
  std::string reason;
  if (!OpenRegistryExport(path, &reason)) {
    ShowRefusedExport(window, reason);
    return false;
  }
  ShowOpenedExport(window);
  return true;
}

void ShowOpenedExport(WindowHandle window) {
  WriteProfileString(PROFILE_SECTION, PROFILE_LAST_EXPORT, WideOfUtf8(OpenExportPath()).c_str());
  ShowExportStartText();
  InvalidateRect(window, nullptr, false);
}

void OnOpenCommand(WindowHandle window) {
  if (WaitForRead(IDM_OPEN) || WorkInProgress()) return;
  std::vector<char16_t> file(PATH_UNITS, 0);
  std::u16string folder = WideOfUtf8(FolderOf(OpenExportPath()));
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
  OpenWhenIdle(window, MessageText(file.data()));
}

void OnDropFiles(WindowHandle window, DropHandle drop) {
  std::u16string path;
  if (DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0) > 0) {
    path.resize(DragQueryFile(drop, 0, nullptr, 0) + 1);
    DragQueryFile(drop, 0, path.data(), static_cast<uint32_t>(path.size()));
    path.pop_back();
  }
  DragFinish(drop);
  if (!path.empty()) OpenWhenIdle(window, MessageText(path));
}

MessageResult OnCopyData(WindowHandle window, const CopyData* data) {
  if (data == nullptr || data->kind != COPYDATA_OPEN_EXPORT || data->size % 2 != 0 ||
      (data->size != 0 && data->data == nullptr)) {
    return 0;
  }
  std::u16string wide(data->size / 2, u'\0');
  if (!wide.empty()) std::memcpy(wide.data(), data->data, data->size);
  std::string path = MessageText(wide);
  if (!IsRegularFile(path)) return 0;
  OpenWhenIdle(window, path);
  return 1;
}

void ShowRefusedRepair(WindowHandle window, const std::string& reason) {
  if (!reason.empty()) ShowBox(window, WideOfUtf8(REPAIR_REFUSED_TEXT + reason));
}

std::string RememberedExport() {
  std::vector<char16_t> buffer(PATH_UNITS, 0);
  int n = GetProfileString(PROFILE_SECTION, PROFILE_LAST_EXPORT, u"", buffer.data(),
                           static_cast<int>(PATH_UNITS));
  return MessageText(std::u16string_view(buffer.data(), static_cast<std::size_t>(n)));
}
