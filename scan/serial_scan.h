// The driver scan and repair: finds the COM-port drivers of the registry's
// active-driver list whose driver file the QUORVA navigation product replaced,
// and optionally writes the stock Bluetooth serial driver name back.
//
// Talks to the registry only through the platform API (platform/registry.h),
// so whichever store the process installed is the one scanned. Synchronous.
#pragma once

#include "scan/report_layout.h"
#include "scan/scan_entry.h"
#include "text/dyn_string.h"

// The Dll a repair writes.
constexpr char16_t SCAN_REPAIRED_DLL[] = u"BTCEIF.DLL";

// Walks HKEY_LOCAL_MACHINE\Drivers\Active in index order and, for every entry
// whose Name begins with "COM" (case-sensitive: "com5:" is not examined), whose
// PnpId is empty or absent and whose Key is set, reads the driver key's Dll
// value, upper-cased. A value of "---BTCEIF.DLL" or "QVBTDEV.DLL" is faulty;
// with repair set it is overwritten with "BTCEIF.DLL".
//
// report becomes one block per driver with a non-empty Dll:
//   NAME "\r\nDll: " DLL [ "  FIXED!" | " <<<< BUG DETECTED HERE!" ] "\r\n"
// followed by "\r\nAll OK !!!" when nothing faulty was found. message becomes
// SCAN_REPAIRED_MESSAGE when a value was rewritten, SCAN_NOT_FOUND_MESSAGE when
// nothing faulty was found, and stays as given (empty) otherwise. Every
// registry failure skips only the entry concerned. Values are queried 300
// bytes at a time: a Name, Key or Dll of 150 characters or more is not read,
// and its entry is skipped as unreadable, not as missing. An entry whose subkey name
// does not fit 200 characters is skipped and the walk goes on; any other failed
// enumeration ends it. A subkey name or Key path holding a character the narrow
// code page lacks is skipped unopened, so the narrowed path ("?" in its place)
// never reaches another key. Every key opened is closed before the call returns.
//
// observer, when not null, is told of every subkey enumerated, in index order,
// what the scan did with it; the report and message are the same with or
// without it.
// Example: one healthy COM1: entry gives "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!".
void ScanSerialDrivers(DynString& report, DynString& message, bool repair,
                       ScanObserver* observer = nullptr);
