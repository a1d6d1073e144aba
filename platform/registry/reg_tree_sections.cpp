// The tree's values read on demand: the sections recorded for each key and
// their reading from the tree's RegValueSource.
#include <vector>

#include "platform/registry/reg_tree.h"

void RegTree::AddSection(RegKeyNode* key, uint64_t begin) {
  sections_.push_back(
      {static_cast<uint32_t>(begin), static_cast<uint32_t>(begin >> 32), key->last_section_});
  key->last_section_ = static_cast<uint32_t>(sections_.size());
  key->tree_ = this;
}

void RegTree::ReadPendingValues(RegKeyNode* key) {
  std::vector<uint64_t> begins;
  for (uint32_t at = key->last_section_; at != 0; at = sections_[at - 1].previous) {
    const PendingSection& section = sections_[at - 1];
    begins.push_back(uint64_t(section.begin_high) << 32 | section.begin_low);
  }
  // Nothing is pending while the sections are read, so that storing their
  // values does not read them again.
  key->last_section_ = 0;
  ++keys_read_;
  for (size_t i = begins.size(); i-- > 0;) source_->ReadSection(*this, key, begins[i]);
  key->values_.ShrinkToFit();
}

void RegTree::SetDeferredValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                               uint64_t begin, uint64_t end) {
  StoreValue(key, name, type, PackedBytes());
  const RegValueEntry* entry = key->values_.Find(name);
  entry->deferred_begin = begin;
  entry->deferred_end = end;
}

void RegTree::ReadDeferredValue(const RegValueEntry& entry) {
  const std::u16string text = source_->ReadText(entry.deferred_begin, entry.deferred_end);
  entry.data = PackedBytes(arena_, text);
  entry.deferred_begin = entry.deferred_end = 0;
  ++texts_read_;
}
