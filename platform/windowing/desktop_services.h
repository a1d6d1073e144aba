// What a desktop adds to the handheld's services, in the handheld's own
// terms: the open-file dialog (GetOpenFileName), files dropped on a window
// (DragAcceptFiles, WM_DROPFILES, DragQueryFile, DragFinish), the
// program's profile of named strings kept between runs, and text put on the
// clipboard. The process installs
// one DesktopServices (the Qt backend or the scripted stand-in); the free
// functions forward to it. Records and buffers are the caller's and are only
// read or written during the call. One thread, the UI thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windowing/window_manager.h"

// The record GetOpenFileName reads and fills; size must be sizeof(OpenFileName).
constexpr uint32_t OFN_PATHMUSTEXIST = 0x0800;
constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;
struct OpenFileName {
  uint32_t size;
  WindowHandle owner;           // the dialog is modal over it (0: none)
  const char16_t* filter;       // pairs of terminated texts, label then patterns
                                // (";" between patterns), ended by an empty text;
                                // null: every file
  uint32_t filter_index;        // 1-based pair shown first; out: the pair in use
  char16_t* file;               // out: the full path chosen, terminated
  uint32_t max_file;            // units at file, terminator included
  const char16_t* initial_dir;  // null or empty: the platform's choice
  const char16_t* title;        // null: the platform's "Open"
  uint32_t flags;               // OFN_*
};

// A window that accepts files gets WM_DROPFILES with the drop's handle as
// wparam when files are dropped on it; it reads them with DragQueryFile and
// releases the drop with DragFinish.
constexpr uint32_t WM_DROPFILES = 0x0233;
using DropHandle = uintptr_t;  // 0: no drop
constexpr uint32_t DRAG_QUERY_COUNT = 0xFFFFFFFFu;

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // Runs the open-file dialog modally. True when the user chose a file: its
  // full path is in ofn->file and the filter in use in ofn->filter_index.
  // False, with ofn->file untouched, when the user cancelled, and for a null
  // record, a wrong size or a null file buffer (these show no dialog). False
  // too for a chosen path that does not fit ofn->max_file; ofn->file then
  // holds nothing to read (Windows stores the size it needs there).
  virtual bool GetOpenFileName(OpenFileName* ofn) = 0;
  // Makes window receive WM_DROPFILES (accept) or stop receiving it. False
  // for an unknown window.
  virtual bool DragAcceptFiles(WindowHandle window, bool accept) = 0;
  // The profile string kept under section/key into *text; false when none
  // is kept (*text untouched).
  virtual bool ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 std::u16string* text) = 0;
  // Keeps text under section/key for the next runs (null text: forgets the
  // key). False when it cannot be stored.
  virtual bool WriteProfileString(const char16_t* section, const char16_t* key,
                                  const char16_t* text) = 0;
  // Puts text (lines ending in "\r\n") on the clipboard as Unicode text, in
  // place of what was there: the handheld's OpenClipboard(owner),
  // EmptyClipboard, SetClipboardData(CF_UNICODETEXT) and CloseClipboard in
  // one call. The lines arrive with the desktop's own line end ("\r\n" on
  // Windows, "\n" on Linux). False, with the clipboard as it was, for a null
  // text or when the clipboard cannot be had.
  virtual bool SetClipboardText(WindowHandle owner, const char16_t* text) = 0;
};

// Makes services the one behind the functions below (not owned; null uninstalls).
void InstallDesktopServices(DesktopServices* services);
DesktopServices* InstalledDesktopServices();

// The API; with no services installed each returns false or 0.
bool GetOpenFileName(OpenFileName* ofn);
bool DragAcceptFiles(WindowHandle window, bool accept);
// Copies the profile string section/key into buffer (cut to size - 1 units
// and terminated), or default_text (null: "") when none is kept; returns the
// units copied. A null buffer or size < 1 copies nothing and returns 0.
// Example: nothing kept, default u"x", size 8 gives u"x" and 1.
int GetProfileString(const char16_t* section, const char16_t* key, const char16_t* default_text,
                     char16_t* buffer, int size);
bool WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* text);
bool SetClipboardText(WindowHandle owner, const char16_t* text);

// Drops, shared by every backend: a backend makes one from the paths dropped
// and posts its handle; the program reads and releases it.
DropHandle MakeDrop(std::vector<std::u16string> paths);
// With index DRAG_QUERY_COUNT: the number of files. Otherwise, with a null
// buffer: the length of path index in units (terminator excluded); else
// copies it into buffer, cut to size - 1 units and terminated, and returns
// the units copied. 0 for an unknown drop or an index past the last file.
uint32_t DragQueryFile(DropHandle drop, uint32_t index, char16_t* buffer, uint32_t size);
// Releases the drop; its handle is then unknown.
void DragFinish(DropHandle drop);
