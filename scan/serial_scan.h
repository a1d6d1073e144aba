// The driver scan and repair: finds the COM-port drivers of the registry's
// active-driver list whose driver file the QUORVA navigation product replaced,
// and optionally writes the stock Bluetooth serial driver name back.
//
// Talks to the registry only through the platform API (platform/registry.h),
// so whichever store the process installed is the one scanned. Synchronous.
#pragma once

#include "text/dyn_string.h"

// The texts the scan composes.
constexpr char SCAN_REPAIRED_MESSAGE[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able to other applications";
constexpr char SCAN_NOT_FOUND_MESSAGE[] =
    "We have not find any Bluetooth Bug from QUORVA in this PDA.";
constexpr char SCAN_ALL_OK[] = "\r\nAll OK !!!";
constexpr char SCAN_FIXED_MARK[] = "  FIXED!";
constexpr char SCAN_BUG_MARK[] = " <<<< BUG DETECTED HERE!";

// Walks HKEY_LOCAL_MACHINE\Drivers\Active in index order and, for every entry
// whose Name begins with "COM" (case-sensitive), whose PnpId is empty or absent
// and whose Key is set, reads the driver key's Dll value, upper-cased. A value
// of "---BTCEIF.DLL" or "QVBTDEV.DLL" is faulty; with repair set it is
// overwritten with "BTCEIF.DLL".
//
// report becomes one block per driver with a non-empty Dll:
//   NAME "\r\nDll: " DLL [ "  FIXED!" | " <<<< BUG DETECTED HERE!" ] "\r\n"
// followed by "\r\nAll OK !!!" when nothing faulty was found. message becomes
// SCAN_REPAIRED_MESSAGE when a value was rewritten, SCAN_NOT_FOUND_MESSAGE when
// nothing faulty was found, and stays as given (empty) otherwise. Every
// registry failure skips only the entry concerned; a failed enumeration ends
// the walk. Every key opened is closed before the call returns.
// Example: one healthy COM1: entry gives "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!".
void ScanSerialDrivers(DynString& report, DynString& message, bool repair);
