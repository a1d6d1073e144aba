#include "platform/registry/reg_tree.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

namespace {

struct RootEntry {
  RegKey key;
  const char16_t* name;
};
constexpr RootEntry ROOTS[] = {
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"},   {HKEY_USERS, u"HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG"},
};

int RootIndex(RegKey key) {
  for (int i = 0; i < static_cast<int>(std::size(ROOTS)); ++i) {
    if (ROOTS[i].key == key) return i;
  }
  return -1;
}

// Calls f(component) for each component of path until f returns false;
// false for a malformed path (an empty component other than one trailing
// backslash), in which case f is never called.
template <typename F>
bool ForEachComponent(std::u16string_view path, F f) {
  path = RegTree::WithoutTrailingBackslash(path);
  if (!RegTree::IsPlainPath(path)) return false;
  if (path.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t end = path.find(u'\\', start);
    if (!f(path.substr(start, end == std::u16string_view::npos ? end : end - start))) return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace

const PackedBytes& RegChildSlot::Name() const { return node->Name(); }

template <typename Entry>
template <typename Name>
const Entry* NamedList<Entry>::Lookup(const Name& name) const {
  if (table_size_ == 0) {
    for (const Entry& e : entries_) {
      // Most names differ in length: that is told before any unit is read.
      if (e.Alive() && e.Name().UnitCount() == name.size() &&
          NamesEqual(PackedText{e.Name()}, name)) {
        return &e;
      }
    }
    return nullptr;
  }
  uint32_t hash = NameHash(name);
  uint32_t mask = table_size_ - 1;
  for (uint32_t at = hash & mask; table_[at] != 0; at = (at + 1) & mask) {
    if (static_cast<uint32_t>(table_[at] >> 32) != hash) continue;
    const Entry& e = entries_[static_cast<uint32_t>(table_[at]) - 1];
    if (e.Alive() && NamesEqual(PackedText{e.Name()}, name)) return &e;
  }
  return nullptr;
}

template <typename Entry>
Entry* NamedList<Entry>::Find(std::u16string_view name) {
  return const_cast<Entry*>(Lookup(name));
}

template <typename Entry>
const Entry* NamedList<Entry>::Find(std::u16string_view name) const {
  return Lookup(name);
}

template <typename Entry>
void NamedList<Entry>::Insert(Slot slot) {
  uint32_t mask = table_size_ - 1;
  uint32_t at = static_cast<uint32_t>(slot >> 32) & mask;
  while (table_[at] != 0) at = (at + 1) & mask;
  table_[at] = slot;
}

template <typename Entry>
void NamedList<Entry>::Retable(uint32_t size, const Slot* slots, uint32_t count,
                               const uint32_t* remap) {
  Slot* const before = table_;
  const uint32_t before_size = table_size_;
  table_ = Alloc<Slot>(entries_.get_allocator()).allocate(size);
  std::fill(table_, table_ + size, Slot(0));
  table_size_ = size;
  for (uint32_t i = 0; i < count; ++i) {
    if (slots[i] == 0) continue;
    uint32_t position = static_cast<uint32_t>(slots[i]) - 1;
    if (remap != nullptr) {
      position = remap[position];
      if (position == UINT32_MAX) continue;
    }
    Insert((slots[i] & 0xFFFFFFFF00000000ull) | (position + 1));
  }
  if (before != nullptr) Alloc<Slot>(entries_.get_allocator()).deallocate(before, before_size);
}

template <typename Entry>
void NamedList<Entry>::DropTable() {
  if (table_ != nullptr) Alloc<Slot>(entries_.get_allocator()).deallocate(table_, table_size_);
  table_ = nullptr;
  table_size_ = 0;
}

template <typename Entry>
Entry& NamedList<Entry>::Append(Entry entry) {
  // Grow by half rather than double: lists are many and mostly short.
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() * 3 / 2 + 2);
  entries_.push_back(std::move(entry));
  uint32_t count = static_cast<uint32_t>(entries_.size());
  if (table_size_ == 0 && count > LINEAR_LIMIT) {
    // The first table: every name is hashed once, here.
    std::vector<Slot> slots(count);
    for (uint32_t i = 0; i < count; ++i) {
      if (entries_[i].Alive())
        slots[i] = (Slot(NameHash(PackedText{entries_[i].Name()})) << 32) | (i + 1);
    }
    Retable(FIRST_TABLE_SIZE, slots.data(), count, nullptr);
  } else if (table_size_ != 0) {
    // Dead entries keep their slots until a compaction, so the table is
    // sized by every entry held, live or dead.
    if (count * 2 > table_size_) Retable(table_size_ * 2, table_, table_size_, nullptr);
    Insert((Slot(NameHash(PackedText{entries_.back().Name()})) << 32) | count);
  }
  return entries_.back();
}

template <typename Entry>
void NamedList<Entry>::Remove(Entry& entry) {
  entry.Kill();
  ++dead_;
  if (dead_ > LINEAR_LIMIT && dead_ * 2 > entries_.size()) Compact();
}

template <typename Entry>
void NamedList<Entry>::Compact() {
  std::vector<uint32_t> remap(entries_.size(), UINT32_MAX);
  uint32_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].Alive()) continue;
    if (kept != i) entries_[kept] = std::move(entries_[i]);
    remap[i] = kept++;
  }
  entries_.resize(kept);
  dead_ = 0;
  if (table_size_ == 0) return;
  if (kept <= LINEAR_LIMIT) return DropTable();
  uint32_t size = FIRST_TABLE_SIZE;
  while (size < kept * 2) size *= 2;
  Retable(size, table_, table_size_, remap.data());
}

template <typename Entry>
Entry* NamedList<Entry>::At(size_t index) {
  if (dead_ != 0) Compact();
  return index < entries_.size() ? &entries_[index] : nullptr;
}

template class NamedList<RegChildSlot>;
template class NamedList<RegValueEntry>;
template const RegChildSlot* NamedList<RegChildSlot>::Lookup(const CodePageName&) const;
template const RegValueEntry* NamedList<RegValueEntry>::Lookup(const CodePageName&) const;

template <typename Name>
RegKeyNode* RegTree::NewNode(const Name& name, RegKeyNode* parent) {
  // The node and its name in one piece.
  const bool halved = PackedBytes::Halves(name);
  uint8_t* at =
      nodes_.Allocate(sizeof(RegKeyNode) + PackedBytes::RoomFor(name, halved), alignof(RegKeyNode));
  return new (at) RegKeyNode(PackedBytes(at + sizeof(RegKeyNode), name, halved), parent);
}

RegKeyNode* RegKeyNode::Subkey(size_t index) {
  RegChildSlot* slot = subkeys_.At(index);
  return slot == nullptr ? nullptr : slot->node;
}

RegKeyNode* RegKeyNode::FindSubkey(std::u16string_view name) const {
  const RegChildSlot* slot = subkeys_.Find(name);
  return slot == nullptr ? nullptr : slot->node;
}

RegTree::RegTree() {
  for (int i = 0; i < ROOT_COUNT; ++i) {
    roots_[i] = NewNode(std::u16string_view(ROOTS[i].name), nullptr);
  }
}

RegTree::~RegTree() {
  // Nodes and subkey lists go with the arenas; only value lists are the
  // keys' own.
  for (RegKeyNode* key : valued_) key->values_ = LazyNamedList<RegValueEntry, false>();
}

RegKeyNode* RegTree::Root(RegKey root) const {
  int i = RootIndex(root);
  return i < 0 ? nullptr : roots_[i];
}

const char16_t* RegTree::RootName(RegKey root) {
  int i = RootIndex(root);
  return i < 0 ? nullptr : ROOTS[i].name;
}

RegKey RegTree::RootByName(std::u16string_view name) {
  for (const RootEntry& r : ROOTS) {
    if (name == r.name) return r.key;  // files spell roots in capitals
  }
  for (const RootEntry& r : ROOTS) {
    if (NamesEqual(std::u16string_view(r.name), name)) return r.key;
  }
  return 0;
}

bool RegTree::IsPlainPath(std::u16string_view path) {
  if (path.empty()) return true;
  if (path.front() == u'\\' || path.back() == u'\\') return false;
  // A plain loop: a search for the two-unit text costs more on short paths.
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] == u'\\' && path[i - 1] == u'\\') return false;
  }
  return true;
}

std::u16string_view RegTree::WithoutTrailingBackslash(std::u16string_view path) {
  if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  return path;
}

RegKeyNode* RegTree::Find(RegKeyNode* from, std::u16string_view path) const {
  RegKeyNode* node = from;
  bool ok = ForEachComponent(path, [&node](std::u16string_view part) {
    node = node->FindSubkey(part);
    return node != nullptr;
  });
  return ok ? node : nullptr;
}

RegKeyNode* RegTree::Create(RegKeyNode* from, std::u16string_view path) {
  RegKeyNode* node = from;
  bool ok = ForEachComponent(path, [this, &node](std::u16string_view part) {
    node = AddSubkey(node, part);
    return true;
  });
  return ok ? node : nullptr;
}

RegKeyNode* RegTree::AddSubkey(RegKeyNode* parent, std::u16string_view name, bool* created) {
  return AddNamedSubkey(parent, name, created);
}

RegKeyNode* RegTree::AddSubkey(RegKeyNode* parent, const CodePageName& name, bool* created) {
  return AddNamedSubkey(parent, name, created);
}

template <typename Name>
RegKeyNode* RegTree::AddNamedSubkey(RegKeyNode* parent, const Name& name, bool* created) {
  RegChildSlot* existing = parent->subkeys_.Find(name);
  if (created != nullptr) *created = existing == nullptr;
  if (existing != nullptr) return existing->node;
  return parent->subkeys_.Append(RegChildSlot{NewNode(name, parent)}, &nodes_).node;
}

void RegTree::DeleteKey(RegKeyNode* node) {
  RegKeyNode* parent = node->Parent();
  if (parent == nullptr) {
    // A root stays; it only loses its contents.
    node->subkeys_ = LazyNamedList<RegChildSlot, true>();
    node->values_ = LazyNamedList<RegValueEntry, false>();
    node->last_section_ = 0;
    return;
  }
  RegChildSlot* slot = parent->subkeys_.Find(std::u16string(node->Name().ToText()));
  if (slot != nullptr) parent->subkeys_.Remove(*slot);
}

void RegTree::SetValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                       const uint8_t* data, size_t size) {
  key->ReadPending();
  StoreValue(key, name, type, PackedBytes(arena_, data, size));
}

void RegTree::SetTextValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                           std::u16string_view text) {
  key->ReadPending();
  StoreValue(key, name, type, PackedBytes(arena_, text));
}

void RegTree::StoreValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                         PackedBytes data) {
  RegValueEntry* entry = key->values_.Find(name);
  if (entry == nullptr) {
    if (key->values_.Unmade()) valued_.push_back(key);
    RegValueEntry fresh;
    fresh.name = PackedBytes(arena_, name);
    entry = &key->values_.Append(std::move(fresh));
  }
  entry->data = data;
  entry->type = type;
  entry->deferred_begin = entry->deferred_end = 0;
}

void RegTree::SettleValues(RegKeyNode* key) {
  key->ReadPending();
  key->values_.ShrinkToFit();
}

bool RegTree::DeleteValue(RegKeyNode* key, std::u16string_view name) {
  key->ReadPending();
  RegValueEntry* entry = key->values_.Find(name);
  if (entry == nullptr) return false;
  key->values_.Remove(*entry);
  return true;
}

std::u16string RegTree::PathOf(const RegKeyNode* node, RegKey* root) {
  std::vector<const RegKeyNode*> chain;
  for (const RegKeyNode* n = node; n->Parent() != nullptr; n = n->Parent()) chain.push_back(n);
  const RegKeyNode* top = chain.empty() ? node : chain.back()->Parent();
  *root = RegTree::RootByName(top->Name().ToText());
  std::u16string path;
  for (size_t i = chain.size(); i-- > 0;) {
    path += chain[i]->Name().ToText();
    if (i != 0) path += u'\\';
  }
  return path;
}

bool RegTree::IsWithin(const RegKeyNode* node, const RegKeyNode* ancestor) {
  for (const RegKeyNode* n = node; n != nullptr; n = n->Parent()) {
    if (n == ancestor) return true;
  }
  return false;
}
