#include "platform/registry/testing/reg_event_model.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/registry/reg_name.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

constexpr RegKey ROOTS[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                            HKEY_CURRENT_CONFIG};

}  // namespace

RegEventModel::RegEventModel() {
  for (RegKey root : ROOTS) keys_.push_back({RegTree::RootName(root), {}, {}});
}

bool RegEventModel::FindSubkey(size_t parent, std::u16string_view name, size_t* at) const {
  for (size_t child : keys_[parent].subkeys) {
    if (NamesEqual(std::u16string_view(keys_[child].name), name)) {
      *at = child;
      return true;
    }
  }
  return false;
}

void RegEventModel::OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t) {
  open_ = false;
  size_t node =
      static_cast<size_t>(std::find(std::begin(ROOTS), std::end(ROOTS), root) - std::begin(ROOTS));
  size_t parent = node;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = std::min(path.find(u'\\', start), path.size());
    std::u16string_view name = path.substr(start, end - start);
    parent = node;
    if (!FindSubkey(parent, name, &node)) {
      if (deletion) return;  // a missing key: nothing to delete
      keys_.push_back({std::u16string(name), {}, {}});
      node = keys_.size() - 1;
      keys_[parent].subkeys.push_back(node);
    }
    start = end + 1;
  }
  if (deletion) {
    std::vector<size_t>& siblings = keys_[parent].subkeys;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    return;
  }
  open_ = true;
  current_ = node;
}

void RegEventModel::OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan,
                            uint64_t) {
  std::vector<uint8_t> bytes;
  if (data.is_text) {
    for (char16_t u : data.text) {
      bytes.push_back(static_cast<uint8_t>(u));
      bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
  } else {
    bytes.assign(data.bytes, data.bytes + data.size);
  }
  std::vector<Value>& values = keys_[current_].values;
  for (Value& v : values) {
    if (NamesEqual(std::u16string_view(v.name), name)) {
      v.type = data.type;
      v.data = std::move(bytes);
      return;
    }
  }
  values.push_back({std::u16string(name), data.type, std::move(bytes)});
}

void RegEventModel::OnValueDeletion(std::u16string_view name, uint64_t) {
  std::vector<Value>& values = keys_[current_].values;
  values.erase(std::remove_if(values.begin(), values.end(),
                              [name](const Value& v) {
                                return NamesEqual(std::u16string_view(v.name), name);
                              }),
               values.end());
}

std::u16string RegEventModel::Dump() const {
  std::u16string out;
  for (size_t r = 0; r < std::size(ROOTS); ++r) {
    std::vector<std::pair<size_t, std::u16string>> pending = {{r, keys_[r].name}};
    while (!pending.empty()) {
      auto [key, path] = pending.back();
      pending.pop_back();
      out += u"[" + path + u"]\n";
      for (const Value& v : keys_[key].values) out += ExactDumpValueLine(v.name, v.type, v.data);
      const std::vector<size_t>& subkeys = keys_[key].subkeys;
      for (size_t i = subkeys.size(); i-- > 0;) {
        pending.push_back({subkeys[i], path + u"\\" + keys_[subkeys[i]].name});
      }
    }
  }
  return out;
}
