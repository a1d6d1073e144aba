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

// The report the scan composed for entries, as UTF-8 with "\n" line ends. The
// device names and Dll values have their control characters escaped
// (EscapeControls), so only the report's own line ends break its lines.
// Example: an examined "COM1:\x1b" with Dll "A.DLL" gives
// "COM1:\\x1b\nDll: A.DLL\n\nAll OK !!!".
std::string ReportTerminalText(const std::vector<ScanEntry>& entries);

// The --verbose line of entry, without line end, texts escaped:
//   entry "SUBKEY", Name "NAME": examined, Dll "DLL"[, faulty[, repaired]]
//   entry "SUBKEY", Name "NAME": skipped, REASON
// The Name part is left out when the scan did not read one.
// Example: entry "02", Name "PGR1:": skipped, not a COM port
std::string EntryLine(const ScanEntry& entry);
