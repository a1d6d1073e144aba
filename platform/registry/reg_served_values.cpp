#include "platform/registry/reg_served_values.h"

#include <utility>

#include "platform/registry/reg_name.h"

namespace {

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) folded[i] = FoldNameUnit(text[i]);
  return folded;
}

}  // namespace

ServedValues::Key ServedValues::KeyOf(RegKey root, std::u16string_view key_path,
                                      std::u16string_view name) {
  return Key(root, Folded(key_path), Folded(name));
}

void ServedValues::Record(RegKey root, std::u16string_view key_path, std::u16string_view name,
                          SeenValue value) {
  values_[KeyOf(root, key_path, name)] = std::move(value);
}

const SeenValue* ServedValues::Find(RegKey root, std::u16string_view key_path,
                                    std::u16string_view name) const {
  auto it = values_.find(KeyOf(root, key_path, name));
  return it == values_.end() ? nullptr : &it->second;
}

void ServedValues::Forget(RegKey root, std::u16string_view key_path, std::u16string_view name) {
  if (!values_.empty()) values_.erase(KeyOf(root, key_path, name));
}
