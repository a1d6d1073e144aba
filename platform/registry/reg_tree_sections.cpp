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
  key->tree_ = nullptr;
  ++keys_read_;
  for (size_t i = begins.size(); i-- > 0;) source_->ReadSection(*this, key, begins[i]);
  key->values_.ShrinkToFit();
}
