// Test helpers for StringList: ProbeList records every code passed to
// ReportError, counts the elements it holds alive, and can be told to fail
// chosen allocations; TextsOf lists the texts a list holds. Test-only.
#pragma once

#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/string_list.h"

class ProbeList : public StringList {
 public:
  // Releases what the list still owns while the counting override is alive.
  ~ProbeList() override { ClearEntries(OwnsItems); }

  void ReportError(int code) override { codes.push_back(code); }

  // Every code reported so far, in order.
  std::vector<int> codes;
  // Elements allocated and not yet released through the list.
  int live_elements = 0;
  // The next slot-array allocations fail while this is positive (each counts
  // one down); the element allocation with this 1-based number fails.
  int failing_slot_allocations = 0;
  int failing_element_number = 0;

 protected:
  DynString** AllocateSlots(int n) override {
    if (failing_slot_allocations > 0) {
      --failing_slot_allocations;
      return nullptr;
    }
    return StringList::AllocateSlots(n);
  }
  DynString* AllocateElement() override {
    if (++element_number_ == failing_element_number) return nullptr;
    ++live_elements;
    return StringList::AllocateElement();
  }
  void ReleaseElement(DynString* element) override {
    --live_elements;
    StringList::ReleaseElement(element);
  }

 private:
  int element_number_ = 0;
};

using Texts = std::vector<std::string>;

// The texts of positions 0..Size-1, "(null)" for an entry without element.
inline Texts TextsOf(const StringList& list) {
  Texts texts;
  for (int p = 0; p < list.Size(); ++p) {
    texts.push_back(list.Items[p] == nullptr ? "(null)" : list.Items[p]->CStr());
  }
  return texts;
}
