// Test support: registry exports with many faulty COM-port drivers, written
// as text so that a test knows the exact bytes of every state between "none
// repaired" and "all repaired".
#pragma once

#include <string>
#include <vector>

// A REGEDIT4 export (LF line ends) with one Drivers\Active entry and one
// driver key per element of repaired: driver i is "COM<i>:", its key
// Drivers\BuiltIn\Bt<i>, its Dll "QVBTDEV.DLL" for even i and "---btceif.dll"
// for odd i, or "BTCEIF.DLL" where repaired[i] is set; each driver key also
// holds padding filler values, to make the file as large as a test needs.
// The store writes a repair as exactly this text, so FaultyRegistry with
// some drivers marked repaired is the file after those repairs.
std::string FaultyRegistry(const std::vector<bool>& repaired, int padding);

// The repaired flags a registry file shows: for each driver of a
// FaultyRegistry of n drivers, whether its Dll line reads "BTCEIF.DLL". Empty
// when the text is no such registry (a line missing or garbled).
std::vector<bool> RepairedDrivers(const std::string& text, int n);

// A REGEDIT4 registry (CRLF line ends) with one active-driver entry per
// {subkey, Name, Key} and one driver key per {Key, Dll}; texts as they stand
// in the file (a backslash in a Key doubled).
// Example: Regedit4({{"01", "COM5:", "Drivers\\\\B"}}, {{"Drivers\\B", "QVBTDEV.DLL"}}).
std::string Regedit4(const std::vector<std::vector<std::string>>& entries,
                     const std::vector<std::vector<std::string>>& drivers);
