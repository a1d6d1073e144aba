// The scan's results as terminal text (UTF-8): the report, composed from the
// scan's entries in the scan's own layout with stored text escaped, and the
// --verbose line of each active-driver entry.
#pragma once

#include <string>
#include <vector>

#include "scan/scan_entry.h"

// The Windows-1252 text as UTF-8, each "\r\n" (and lone "\r") as "\n". For the
// scan's own texts (layout, outcome message); stored text goes through
// ReportTerminalText.
// Example: "COM5: Se\xF1al\r\nDll: X" gives "COM5: Señal\nDll: X".
std::string NarrowToTerminalText(const char* narrow);

// Stored text as the scan reads it in the handheld's code page (Windows-1252),
// as UTF-8: what the text report shows. A character the code page lacks reads
// as "?". Example: u"COM\u03a9:" gives "COM?:".
std::string CodePageText(const std::u16string& stored);

// What the terminal report says beyond the scan's own layout.
struct ReportNotes {
  // Entries that may hide the fault were not examined: the report's
  // all-clear "All OK !!!" gives way to UnexaminedNotice(unexamined).
  int unexamined = 0;
  // The repairs went to a patch file, not the export: a repaired driver's
  // "  FIXED!" reads REPAIRED_IN_PATCH_MARK.
  bool repairs_in_patch = false;
};

constexpr char REPAIRED_IN_PATCH_MARK[] = "  FIXED IN THE PATCH";

// The report the scan composed for entries, as UTF-8 with "\n" line ends. The
// device names and Dll values have their control characters escaped
// (EscapeControls), so only the report's own line ends break its lines.
// Example: an examined "COM1:\x1b" with Dll "A.DLL" gives
// "COM1:\\x1b\nDll: A.DLL\n\nAll OK !!!".
std::string ReportTerminalText(const std::vector<ScanEntry>& entries,
                               const ReportNotes& notes = ReportNotes());

// The outcome message of `fix --patch PATCH FILE` that repaired drivers: the
// export is unchanged and the repair holds once the patch is imported on the
// handheld. A PATCH of "-" is told as standard output, a FILE of "-" as
// standard input.
std::string PatchMessage(const std::string& file, const std::string& patch);

// The --verbose line of entry, without line end, texts escaped:
//   entry "SUBKEY", Name "NAME": examined, Dll "DLL"[, faulty[, repaired]]
//   entry "SUBKEY", Name "NAME": skipped, REASON
// The Name part is left out when the scan did not read one (the entry's name
// or key could not be read, or its Name is missing or cannot be read); an
// empty Name shows as Name "".
// Example: entry "02", Name "PGR1:": skipped, not a COM port
std::string EntryLine(const ScanEntry& entry);
