// Reading a registry export file into a RegTree: the reader's events
// (reg_parser.h) applied in file order. Repeated sections merge, a later
// value of the same name (without regard to case) replaces the earlier one in
// place, "[-...]" deletes a subtree (a missing one: nothing), and a section
// for a deep path creates the missing keys above it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"

// Reads the file source supplies into tree, which must be fresh. Returns
// false with error set when the file is refused (see ReadRegFile); tree then
// holds part of the file and should be dropped.
// Example: "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n" gives
// HKEY_CURRENT_USER\A with v = 01 00 00 00 (type 4) and form Regedit4/CrLf.
bool ParseRegFile(RegByteSource& source, RegTree* tree, RegFileForm* form, RegParseError* error);
// The same for the size bytes at data.
bool ParseRegFile(const uint8_t* data, size_t size, RegTree* tree, RegFileForm* form,
                  RegParseError* error);
