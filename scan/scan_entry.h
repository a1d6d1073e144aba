// What the driver scan did with each entry of the active-driver list: examined
// (with the Dll it read and whether it was faulty and repaired) or skipped, and
// why. The scan tells an observer its caller owns, one entry at a time.
#pragma once

#include <string>
#include <vector>

// Why an entry was not examined; None for an examined one.
enum class ScanSkip {
  None,
  NameTooLong,                // the subkey name does not fit the 200-character buffer
  EntryNameNotRepresentable,  // the subkey name does not survive the narrow code page
  EntryNotOpened,             // the entry's key could not be opened
  NoName,                     // Name missing
  NotComPort,                 // Name does not begin with "COM" (case-sensitive)
  HasPnpId,                   // a non-empty PnpId
  NoKey,                      // Key missing or empty
  KeyPathNotRepresentable,    // Key does not survive the narrow code page
  DriverKeyMissing,           // the key Key names could not be opened
  NoDll,                      // the driver key's Dll missing or empty
  NameUnreadable,             // Name there but not read: longer than the query, or refused
  KeyUnreadable,              // Key there but not read, likewise
  DllUnreadable,              // the driver key's Dll there but not read, likewise
};

// One entry of Drivers\Active, in the order the scan enumerated it. Texts are
// UTF-16 as stored, each empty when the scan did not get to read it.
struct ScanEntry {
  std::u16string subkey;      // the entry's subkey name, whole even when too long
  std::u16string name;        // its Name value
  std::u16string key;         // its Key value: the driver key's path
  std::u16string dll;         // the driver's Dll as the report shows it (upper-cased)
  std::u16string stored_dll;  // the same as the registry holds it
  ScanSkip skip = ScanSkip::None;
  bool faulty = false;    // the Dll is one of the two faulty names
  bool repaired = false;  // the repair write succeeded in this scan

  bool Examined() const { return skip == ScanSkip::None; }
};

// Told by the scan what it did with each entry, in index order, as soon as it
// is done with it; entry lives only for the call.
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void EntryDone(const ScanEntry& entry) = 0;
};

// Whether an entry skipped this way may be the faulty driver: its name, its
// Name, its Key or its driver's Dll could not be read as the handheld reads
// them (or its key not opened), so its Dll was never seen. The other skips are
// entries that are no COM-port driver or have no driver file, and stay silent.
bool SkipMayHideFault(ScanSkip skip);

// An observer that keeps the entries: all of them, or only the examined ones
// (enough for the report and the count of faulty drivers, and small however
// long the active-driver list). It counts the entries that may hide the fault
// either way.
class ScanEntryList : public ScanObserver {
 public:
  explicit ScanEntryList(bool examined_only = false) : examined_only_(examined_only) {}
  void EntryDone(const ScanEntry& entry) override {
    if (SkipMayHideFault(entry.skip)) ++unexamined;
    if (!examined_only_ || entry.Examined()) entries.push_back(entry);
  }

  std::vector<ScanEntry> entries;
  int unexamined = 0;  // entries skipped for a reason that may hide the fault

 private:
  bool examined_only_;
};

// The reason as the tool prints it: "" for None, else e.g. "not a COM port",
// "has a PnpId", "no Key", "driver key missing", "no Dll", "name too long",
// "key path not representable", "Name cannot be read".
const char* ScanSkipText(ScanSkip skip);

// The number of examined entries that are faulty and were not repaired.
int CountFaultyLeft(const std::vector<ScanEntry>& entries);

// What a user is told when count > 0 entries may hide the fault, so that no
// all-clear stands over them: "1 entry of the active-driver list could not be
// examined; it may be the faulty driver." or "3 entries of the active-driver
// list could not be examined; the faulty driver may be among them."
std::string UnexaminedNotice(int count);
