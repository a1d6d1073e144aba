#include "scan/scan_entry.h"

#include <string>

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
    case ScanSkip::NameUnreadable:
      return "Name cannot be read";
    case ScanSkip::KeyUnreadable:
      return "Key cannot be read";
    case ScanSkip::DllUnreadable:
      return "Dll cannot be read";
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

bool SkipMayHideFault(ScanSkip skip) {
  return skip == ScanSkip::NameTooLong || skip == ScanSkip::EntryNameNotRepresentable ||
         skip == ScanSkip::EntryNotOpened || skip == ScanSkip::KeyPathNotRepresentable ||
         skip == ScanSkip::NameUnreadable || skip == ScanSkip::KeyUnreadable ||
         skip == ScanSkip::DllUnreadable;
}

std::string UnexaminedNotice(int count) {
  if (count == 1)
    return "1 entry of the active-driver list could not be examined; it may be the faulty driver.";
  return std::to_string(count) +
         " entries of the active-driver list could not be examined; the faulty driver may be among "
         "them.";
}
