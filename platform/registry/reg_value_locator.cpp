#include "platform/registry/reg_value_locator.h"

#include <unordered_map>

#include "platform/registry/reg_name.h"

namespace {

// Key paths folded for matching without regard to case, prefixed by their
// root, so that equal keys give equal strings.
std::u16string FoldedKey(RegKey root, std::u16string_view path) {
  std::u16string folded(1, static_cast<char16_t>(root & 0xF));
  AppendFoldedName(&folded, path);
  return folded;
}

class Locator : public RegFileEvents {
 public:
  Locator(const std::vector<RegValueTarget>& targets, std::vector<RegValueLocation>* where)
      : targets_(targets), where_(*where), deferred_(targets.size()) {
    for (size_t i = 0; i < targets.size(); ++i) {
      by_key_[FoldedKey(targets[i].root, targets[i].key_path)].push_back(i);
    }
  }

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override {
    current_ = nullptr;
    if (deletion) {
      for (size_t i = 0; i < targets_.size(); ++i) {
        if (targets_[i].root == root && Covers(path, targets_[i].key_path)) {
          where_[i].key_has_section = false;
          Forget(i);
        }
      }
      return;
    }
    auto found = by_key_.find(FoldedKey(root, path));
    if (found == by_key_.end()) return;
    current_ = &found->second;
    for (size_t i : *current_) {
      where_[i].key_has_section = true;
      where_[i].append_at = next_line;
    }
  }

  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t next_line) override {
    if (current_ == nullptr) return;
    for (size_t i : *current_) {
      RegValueLocation& where = where_[i];
      where.append_at = next_line;
      if (!NamesEqual(name, targets_[i].name)) continue;
      where.value_found = true;
      where.span = span;
      where.type = data.type;
      where.data.clear();
      deferred_[i] = data.deferred;
      if (data.deferred) continue;  // read once the form is known
      if (data.is_text) {
        EncodeText(RegEncoding::Utf16Le, data.text, &where.data);
      } else {
        where.data.assign(data.bytes, data.bytes + data.size);
      }
    }
  }

  // Whether the data of where[i] is a long string left in the file at its
  // span (RegReadMode::Deferring).
  bool Deferred(size_t i) const { return deferred_[i]; }

  void OnValueDeletion(std::u16string_view name, uint64_t next_line) override {
    if (current_ == nullptr) return;
    for (size_t i : *current_) {
      where_[i].append_at = next_line;
      if (NamesEqual(name, targets_[i].name)) Forget(i);
    }
  }

 private:
  // True when deleting the key at path deletes the key at sought.
  static bool Covers(std::u16string_view path, std::u16string_view sought) {
    if (path.size() > sought.size()) return false;
    if (path.size() < sought.size() && sought[path.size()] != u'\\') return false;
    return NamesEqual(path, sought.substr(0, path.size()));
  }

  void Forget(size_t i) {
    RegValueLocation& where = where_[i];
    where.value_found = false;
    where.span = RegSourceSpan();
    where.type = 0;
    where.data.clear();
    deferred_[i] = false;
  }

  const std::vector<RegValueTarget>& targets_;
  std::vector<RegValueLocation>& where_;
  std::unordered_map<std::u16string, std::vector<size_t>> by_key_;
  std::vector<bool> deferred_;  // whether where[i]'s data is a string left at its span
  const std::vector<size_t>* current_ = nullptr;  // the targets in the open section
};

}  // namespace

bool LocateRegValues(const uint8_t* file, size_t size, const std::vector<RegValueTarget>& targets,
                     std::vector<RegValueLocation>* where, RegParseError* error) {
  where->assign(targets.size(), RegValueLocation());
  Locator locator(targets, where);
  RegFileForm form;
  // Long strings are read only for the values sought.
  if (!ReadRegBytes(file, size, RegReadMode::Deferring, locator, &form, error)) return false;
  for (size_t i = 0; i < where->size(); ++i) {
    RegValueLocation& each = (*where)[i];
    each.form = form;
    if (!locator.Deferred(i)) continue;
    std::u16string text;
    ReadRegQuoted(file, size, each.span, form, &text);
    EncodeText(RegEncoding::Utf16Le, text, &each.data);
  }
  return true;
}

bool LocateRegValue(const uint8_t* file, size_t size, RegKey root, std::u16string_view key_path,
                    std::u16string_view name, RegValueLocation* where, RegParseError* error) {
  std::vector<RegValueLocation> found;
  bool read = LocateRegValues(file, size, {{root, key_path, name}}, &found, error);
  *where = read ? std::move(found[0]) : RegValueLocation();
  return read;
}
