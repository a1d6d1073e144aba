// The texts and the layout of the scan's report. The scan composes its narrow
// report with them, and a caller that shows the report elsewhere (a terminal)
// composes the same layout from the scan's entries into a sink of its own.
// A sink offers Field(const char*) for stored text (device name, Dll) and
// Text(const char*) for the layout's own text, "\r\n" line ends included.
#pragma once

#include <vector>

#include "scan/scan_entry.h"
#include "text/dyn_string.h"

constexpr char SCAN_REPAIRED_MESSAGE[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able to other applications";
constexpr char SCAN_NOT_FOUND_MESSAGE[] =
    "We have not find any Bluetooth Bug from QUORVA in this PDA.";
constexpr char SCAN_ALL_OK[] = "\r\nAll OK !!!";
constexpr char SCAN_FIXED_MARK[] = "  FIXED!";
constexpr char SCAN_BUG_MARK[] = " <<<< BUG DETECTED HERE!";

// One driver's block: NAME "\r\nDll: " DLL [ "  FIXED!" | " <<<< BUG DETECTED HERE!" ] "\r\n".
template <class Sink>
void WriteDriverBlock(Sink& sink, const char* name, const char* dll, bool faulty, bool repaired) {
  sink.Field(name);
  sink.Text("\r\nDll: ");
  sink.Field(dll);
  if (faulty) sink.Text(repaired ? SCAN_FIXED_MARK : SCAN_BUG_MARK);
  sink.Text("\r\n");
}

// The whole report for the entries of one scan: a block per examined entry,
// then "\r\nAll OK !!!" when none is faulty. Names and Dll values cross into
// the narrow code page as in the scan itself.
template <class Sink>
void WriteReport(Sink& sink, const std::vector<ScanEntry>& entries) {
  bool found = false;
  for (const ScanEntry& entry : entries) {
    if (!entry.Examined()) continue;
    DynString name;
    DynString dll;
    name.AssignWide(entry.name.c_str());
    dll.AssignWide(entry.dll.c_str());
    WriteDriverBlock(sink, name.CStr(), dll.CStr(), entry.faulty, entry.repaired);
    found = found || entry.faulty;
  }
  if (!found) sink.Text(SCAN_ALL_OK);
}
