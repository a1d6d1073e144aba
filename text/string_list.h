// StringList: a growable list of heap-allocated DynStrings, addressed through
// a base index and grown by a fixed increment. The list owns its slot array;
// it owns the elements only when OwnsItems is set (then emptying it by a split,
// and destroying it, release them). Misuse and failed allocations are passed
// as small codes to ReportError, which does nothing; every operation then
// carries on safely as stated below.
#pragma once

#include <cstdint>

class DynString;

class StringList {
 public:
  // The codes passed to ReportError.
  static constexpr int ERROR_NO_GROWTH = 6;    // Extend: growth needed, GrowBy not positive
  static constexpr int ERROR_BAD_INDEX = 7;    // Get: position outside 0..Count-1
  static constexpr int ERROR_EMPTY_SLOT = 8;   // Get: the slot holds no element
  static constexpr int ERROR_BAD_INSERT = 13;  // InsertEntry: position outside 0..Count
  static constexpr int ERROR_NO_MEMORY = 15;   // CheckAlloc: an allocation failed

  // An empty list without an array: OwnsItems true (the elements a split
  // creates belong to nobody else), Count 0, Slots 0, GrowBy 4, BaseIndex 0,
  // Items null.
  StringList() = default;
  // Releases every element when OwnsItems is set (a non-owning list leaves
  // them to whoever holds them), then frees the slot array. Being run from
  // this destructor, the release is StringList's own (delete), never an
  // override.
  virtual ~StringList();
  StringList(const StringList&) = delete;
  StringList& operator=(const StringList&) = delete;

  // The number of entries: the smaller of Count and Slots.
  int Size() const;

  // The element at caller index (counted from BaseIndex). A position outside
  // 0..Count-1 reports code 7 and gives null; an entry without an element
  // reports code 8 and gives null. Example: with BaseIndex 5, Get(5) is the
  // first entry and Get(4) reports code 7.
  DynString* Get(int index);

  // Inserts a new element, an empty (null) DynString, at caller index (a
  // negative index appends whatever BaseIndex is; BaseIndex + Count appends
  // too) and returns it; the entries from that position on move one place up.
  // A non-negative index below BaseIndex or above BaseIndex + Count reports
  // code 13 and inserts nothing: the result is null and Count is unchanged.
  // When the slot array cannot grow (code 15) nothing is inserted either.
  // When only the element cannot be allocated (code 15) the entry is still
  // made, holding null, and null is returned: a later Get of it reports 8.
  DynString* InsertEntry(int index);

  // Drops every entry: when release is set each element's text is cleared and
  // the element freed; every former slot becomes null and Count 0. Slots and
  // Items stay as they are.
  void ClearEntries(bool release);

  // Raises Count by n (n <= 0 changes nothing); the new entries hold null. When
  // the array is too small it grows linearly to GrowBy + Count + 2 slots: with
  // GrowBy 4, appending to a new list gives Slots 7 at Count 1, 14 at Count 8,
  // 21 at Count 15. A GrowBy of 0 or below reports code 6 and grows to
  // Count + 2. When the new array cannot be allocated, or the count would pass
  // the largest int, code 15 is reported and the list stays as it was (Count,
  // Slots and Items unchanged): callers see the failure as an unchanged Count.
  void Extend(int n);

  // The error hook: takes the code and does nothing else. A derived list may
  // override it to observe the codes.
  virtual void ReportError(int code);

  // Reports code 15 when pointer is null; otherwise does nothing.
  void CheckAlloc(const void* pointer);

  // Set freely by the list's user.
  bool OwnsItems = true;
  // The list's own bookkeeping: read them, do not write them.
  int32_t Count = 0;
  int32_t Slots = 0;
  // Set freely by the list's user; the splitting operations read fields back
  // relative to BaseIndex, so any base works with them.
  int32_t GrowBy = 4;
  int32_t BaseIndex = 0;
  // Slots pointers: entries at 0..Count-1, null from Count upward.
  DynString** Items = nullptr;

 protected:
  // The allocations, overridable to simulate exhaustion or to count
  // elements: a slot array of n pointers (released with delete[]; null when
  // it cannot be had), one null DynString (null when it cannot be had), and
  // the release of an element. An element that a non-owning list leaves to
  // its holder is released by the holder with delete.
  virtual DynString** AllocateSlots(int n);
  virtual DynString* AllocateElement();
  virtual void ReleaseElement(DynString* element);
};
