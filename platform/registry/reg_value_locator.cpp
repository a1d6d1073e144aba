#include "platform/registry/reg_value_locator.h"

#include "platform/registry/reg_name.h"

namespace {

class Locator : public RegFileEvents {
 public:
  Locator(RegKey root, std::u16string_view path, std::u16string_view name, RegValueLocation* where)
      : root_(root), path_(path), name_(name), where_(where) {}

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override {
    in_key_ = false;
    if (root != root_) return;
    if (deletion) {
      if (Covers(path)) {
        where_->key_has_section = false;
        Forget();
      }
      return;
    }
    if (!NamesEqual(path, path_)) return;
    in_key_ = true;
    where_->key_has_section = true;
    where_->append_at = next_line;
  }

  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t next_line) override {
    if (!in_key_) return;
    where_->append_at = next_line;
    if (!NamesEqual(name, name_)) return;
    where_->value_found = true;
    where_->span = span;
    where_->type = data.type;
    where_->data.clear();
    if (data.is_text) {
      EncodeText(RegEncoding::Utf16Le, data.text, &where_->data);
    } else {
      where_->data.assign(data.bytes, data.bytes + data.size);
    }
  }

  void OnValueDeletion(std::u16string_view name, uint64_t next_line) override {
    if (!in_key_) return;
    where_->append_at = next_line;
    if (NamesEqual(name, name_)) Forget();
  }

 private:
  // True when deleting the key at path deletes the key sought.
  bool Covers(std::u16string_view path) const {
    if (path.size() > path_.size()) return false;
    if (path.size() < path_.size() && path_[path.size()] != u'\\') return false;
    return NamesEqual(path, path_.substr(0, path.size()));
  }

  void Forget() {
    where_->value_found = false;
    where_->span = RegSourceSpan();
    where_->type = 0;
    where_->data.clear();
  }

  RegKey root_;
  std::u16string_view path_;
  std::u16string_view name_;
  RegValueLocation* where_;
  bool in_key_ = false;
};

}  // namespace

bool LocateRegValue(const uint8_t* file, size_t size, RegKey root, std::u16string_view key_path,
                    std::u16string_view name, RegValueLocation* where, RegParseError* error) {
  *where = RegValueLocation();
  Locator locator(root, key_path, name, where);
  MemoryByteSource source(file, size);
  return ReadRegFile(source, locator, &where->form, error);
}
