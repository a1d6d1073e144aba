#include "text/string_list.h"

#include <climits>
#include <new>

#include "text/dyn_string.h"

StringList::~StringList() {
  ClearEntries(OwnsItems);
  delete[] Items;
}

int StringList::Size() const { return Count < Slots ? Count : Slots; }

DynString* StringList::Get(int index) {
  int64_t p = static_cast<int64_t>(index) - BaseIndex;
  if (p < 0 || p >= Size()) {
    ReportError(ERROR_BAD_INDEX);
    return nullptr;
  }
  DynString* element = Items[p];
  if (element == nullptr) ReportError(ERROR_EMPTY_SLOT);
  return element;
}

DynString* StringList::InsertEntry(int index) {
  int old_count = Size();
  int64_t p = index < 0 ? old_count : static_cast<int64_t>(index) - BaseIndex;
  if (p < 0 || p > old_count) {
    ReportError(ERROR_BAD_INSERT);
    return nullptr;
  }
  Extend(1);
  if (Count != old_count + 1) return nullptr;
  for (int64_t q = old_count; q > p; --q) Items[q] = Items[q - 1];
  DynString* element = AllocateElement();
  Items[p] = element;
  CheckAlloc(element);
  return element;
}

void StringList::ClearEntries(bool release) {
  for (int p = 0; p < Size(); ++p) {
    if (Items[p] == nullptr) continue;
    if (release) ReleaseElement(Items[p]);
    Items[p] = nullptr;
  }
  Count = 0;
}

void StringList::Extend(int n) {
  if (n <= 0) return;
  int old_count = Size();
  int64_t count = static_cast<int64_t>(old_count) + n;
  if (count <= Slots) {
    Count = static_cast<int32_t>(count);
    return;
  }
  int grow_by = GrowBy;
  if (grow_by <= 0) {
    ReportError(ERROR_NO_GROWTH);
    grow_by = 0;
  }
  int64_t slots = grow_by + count + 2;
  DynString** items = slots <= INT_MAX ? AllocateSlots(static_cast<int>(slots)) : nullptr;
  CheckAlloc(items);
  if (items == nullptr) return;
  for (int64_t p = 0; p < slots; ++p) items[p] = nullptr;
  for (int p = 0; p < old_count; ++p) items[p] = Items[p];
  delete[] Items;
  Items = items;
  Slots = static_cast<int32_t>(slots);
  Count = static_cast<int32_t>(count);
}

void StringList::ReportError(int) {}

void StringList::CheckAlloc(const void* pointer) {
  if (pointer == nullptr) ReportError(ERROR_NO_MEMORY);
}

DynString** StringList::AllocateSlots(int n) { return new (std::nothrow) DynString*[n]; }

DynString* StringList::AllocateElement() { return new (std::nothrow) DynString(); }

void StringList::ReleaseElement(DynString* element) { delete element; }
