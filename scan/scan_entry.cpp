#include "scan/scan_entry.h"

const char* ScanSkipText(ScanSkip skip) {
  switch (skip) {
    case ScanSkip::None:
      return "";
    case ScanSkip::NameTooLong:
      return "name too long";
    case ScanSkip::EntryNameNotRepresentable:
      return "entry name not representable";
    case ScanSkip::EntryNotOpened:
      return "entry cannot be opened";
    case ScanSkip::NoName:
      return "no Name";
    case ScanSkip::NotComPort:
      return "not a COM port";
    case ScanSkip::HasPnpId:
      return "has a PnpId";
    case ScanSkip::NoKey:
      return "no Key";
    case ScanSkip::KeyPathNotRepresentable:
      return "key path not representable";
    case ScanSkip::DriverKeyMissing:
      return "driver key missing";
    case ScanSkip::NoDll:
      return "no Dll";
  }
  return "";
}

int CountFaultyLeft(const std::vector<ScanEntry>& entries) {
  int count = 0;
  for (const ScanEntry& entry : entries) {
    if (entry.Examined() && entry.faulty && !entry.repaired) ++count;
  }
  return count;
}
