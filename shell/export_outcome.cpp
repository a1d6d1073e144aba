#include "shell/export_outcome.h"

#include <string>

#include "platform/registry/local_registry.h"
#include "platform/registry/registry.h"
#include "platform/windowing/desktop_services.h"
#include "scan/scan_entry.h"
#include "shell/display_text.h"
#include "shell/handheld.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "text/wide_text.h"

namespace {

constexpr char16_t CAPTION[] = u"QUORVAFIX";
constexpr char HOW_TO_OPEN[] =
    "Choose Tools > Open Registry Export... (Ctrl+O), or drop a .reg file on this window.";

void ShowBox(WindowHandle owner, const std::u16string& text, uint32_t type = MB_OK) {
  MessageBox(owner, text.c_str(), CAPTION, type);
}

std::u16string OpenExportLine(const OpenRegistry& registry) {
  return u"   Registry export: " + WideOfUtf8(OpenExportPath(registry)) + u"\r\n\r\n";
}

// The computer's own registry, not an export, is what the window works on.
bool LocalRegistryInstalled() {
  return dynamic_cast<LocalRegistry*>(InstalledRegistryStore()) != nullptr;
}

void Show(WindowHandle window, const std::u16string& text) {
  DisplayText.AssignWide(text.c_str());
  InvalidateRect(window, nullptr, false);
}

}  // namespace

void ShowExportTitle(WindowHandle window, const OpenRegistry& registry) {
  const std::string& path = OpenExportPath(registry);
  std::u16string title = PROGRAM_TITLE;
  if (!path.empty()) title = WideOfUtf8(FileNameOf(path)) + u" - " + title;
  SetWindowText(window, title.c_str());
}

void ShowExportStartText(const OpenRegistry& registry) {
  if (OpenExportPath(registry).empty()) {
    DisplayText.Assign(
        (std::string("   No registry export is open. ") + HOW_TO_OPEN + "\r\n\r\n").c_str());
  } else {
    DisplayText.AssignWide(OpenExportLine(registry).c_str());
  }
  DisplayText.Append(HelpText);
}

void ShowLocalRegistryText() {
  DisplayText.Assign((std::string(LOCAL_REGISTRY_TEXT) + "\r\n\r\n").c_str());
  DisplayText.Append(HelpText);
}

void ShowOpenRegistryText(const OpenRegistry& registry) {
  if (LocalRegistryInstalled()) {
    ShowLocalRegistryText();
  } else {
    ShowExportStartText(registry);
  }
}

void ShowHandheldText(bool connected) {
  DisplayText.Assign(
      (std::string(connected ? HANDHELD_TEXT : CONNECTING_TEXT) + "\r\n\r\n").c_str());
  DisplayText.Append(HelpText);
}

void ShowHandheldProblem(WindowHandle owner, const char* head, const std::string& reason) {
  ShowBox(owner, WideOfUtf8(head + reason), MB_OK | MB_ICONWARNING);
}

void ShowRememberedGoneText(const std::string& path) {
  DisplayText.AssignWide((u"   The registry export opened last, " + WideOfUtf8(path) +
                          u", is gone. No registry export is open. " + WideOfUtf8(HOW_TO_OPEN) +
                          u"\r\n\r\n")
                             .c_str());
  DisplayText.Append(HelpText);
}

void ShowReadingText(const std::string& path) {
  DisplayText.AssignWide((WideOfUtf8(READING_TEXT_HEAD + path) + u"...\r\n\r\n").c_str());
  DisplayText.Append(HelpText);
}

void ShowExaminingText(WindowHandle window, const OpenRegistry& registry) {
  std::string text = LocalRegistryInstalled()      ? EXAMINING_LOCAL_TEXT
                     : HandheldInstalled(registry) ? EXAMINING_HANDHELD_TEXT
                                                   : EXAMINING_TEXT_HEAD + OpenExportPath(registry);
  if (text.back() == ' ') text.pop_back();  // no path after the head
  Show(window, WideOfUtf8(text) + u"...");
}

void ShowRepairingText(WindowHandle window, int drivers, const OpenRegistry& registry) {
  const std::string& path = OpenExportPath(registry);
  std::string text =
      "   Repairing " + std::to_string(drivers) + (drivers == 1 ? " driver" : " drivers");
  if (LocalRegistryInstalled()) {
    text += " in the registry of this computer";
  } else if (!path.empty()) {
    text += " in " + path;
  }
  Show(window, WideOfUtf8(text) + u"...");
}

void ShowClosingText(WindowHandle window, bool repair) {
  Show(window, WideOfUtf8(repair ? CLOSING_REPAIR_TEXT : CLOSING_WORK_TEXT));
}

void ShowScanReport(WindowHandle window, const DynString& report, const DynString& message,
                    bool repair, int unexamined, int faulty_left) {
  const bool notice = unexamined > 0 && faulty_left == 0;
  const std::string tail = notice ? "\r\n\r\n" + UnexaminedNotice(unexamined) : std::string();
  DisplayText = report;
  DisplayText.Append(tail.c_str());
  InvalidateRect(window, nullptr, false);
  if (repair && message.Length() > 0) {
    WideText text((std::string(message.CStr()) + tail).c_str());
    MessageBox(window, text.Get(), CAPTION, MB_OK | MB_ICONINFORMATION);
  }
}

bool RequireRegistry(WindowHandle window) {
  if (InstalledRegistryStore() != nullptr) return true;
  ShowBox(window, WideOfUtf8(NO_EXPORT_MESSAGE));
  return false;
}

void ShowRefusedExport(WindowHandle owner, const std::string& reason) {
  ShowBox(owner, WideOfUtf8(EXPORT_REFUSED_TEXT + reason), MB_OK | MB_ICONWARNING);
}

void ShowUnreadableExport(WindowHandle window, const OpenRegistry& registry,
                          const std::string& reason) {
  Show(window, OpenExportLine(registry) +
                   u"   It cannot be read now, so nothing was examined or changed: " +
                   WideOfUtf8(reason));
  ShowBox(window, WideOfUtf8(EXPORT_UNREADABLE_TEXT + reason), MB_OK | MB_ICONWARNING);
}

void ShowOpenedExport(WindowHandle window, const OpenRegistry& registry) {
  WriteProfileString(PROFILE_SECTION, PROFILE_LAST_EXPORT,
                     WideOfUtf8(OpenExportPath(registry)).c_str());
  ShowExportStartText(registry);
  ShowExportTitle(window, registry);
  InvalidateRect(window, nullptr, false);
}

void ShowRefusedRepair(WindowHandle window, const std::string& reason) {
  if (!reason.empty())
    ShowBox(window, WideOfUtf8(REPAIR_REFUSED_TEXT + reason), MB_OK | MB_ICONWARNING);
}

void ShowUnsyncedRepair(WindowHandle window, const std::string& reason) {
  if (!reason.empty())
    ShowBox(window, WideOfUtf8(REPAIR_UNSYNCED_TEXT + reason), MB_OK | MB_ICONWARNING);
}
