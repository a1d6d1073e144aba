#include "platform/reg_tree.h"

#include <cstring>
#include <utility>

namespace {

constexpr size_t ARENA_BLOCK = 64 * 1024;
// Larger allocations get a block of their own so that blocks are not wasted.
constexpr size_t ARENA_OWN_BLOCK = ARENA_BLOCK / 4;

struct RootEntry {
  RegKey key;
  const char16_t* name;
};
constexpr RootEntry ROOTS[] = {
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"}, {HKEY_USERS, u"HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG"},
};

int RootIndex(RegKey key) {
  for (int i = 0; i < 5; ++i) {
    if (ROOTS[i].key == key) return i;
  }
  return -1;
}

// Calls f(component) for each component of path until f returns false;
// false for a malformed path (an empty component other than one trailing
// backslash), in which case f is never called.
template <typename F>
bool ForEachComponent(std::u16string_view path, F f) {
  if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  if (path.empty()) return true;
  if (path.front() == u'\\' || path.back() == u'\\' ||
      path.find(u"\\\\") != std::u16string_view::npos) {
    return false;
  }
  size_t start = 0;
  while (true) {
    size_t end = path.find(u'\\', start);
    if (!f(path.substr(start, end == std::u16string_view::npos ? end : end - start))) return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace

uint8_t* ByteArena::Allocate(size_t n) {
  if (n > ARENA_OWN_BLOCK) {
    blocks_.emplace_back(new uint8_t[n]);
    return blocks_.back().get();
  }
  if (n > left_) {
    blocks_.emplace_back(new uint8_t[ARENA_BLOCK]);
    cursor_ = blocks_.back().get();
    left_ = ARENA_BLOCK;
  }
  uint8_t* p = cursor_;
  cursor_ += n;
  left_ -= n;
  return p;
}

PackedBytes::PackedBytes(ByteArena& arena, const uint8_t* data, size_t size)
    : size_(static_cast<uint32_t>(size)) {
  halved_ = size % 2 == 0;
  for (size_t i = 1; i < size && halved_; i += 2) halved_ = data[i] == 0;
  size_t stored = halved_ ? size / 2 : size;
  uint8_t* p = arena.Allocate(stored);
  if (halved_) {
    for (size_t i = 0; i < stored; ++i) p[i] = data[2 * i];
  } else if (size != 0) {
    std::memcpy(p, data, size);
  }
  bytes_ = p;
}

PackedBytes::PackedBytes(ByteArena& arena, std::u16string_view text)
    : size_(static_cast<uint32_t>(2 * text.size())) {
  // Names are nearly always Latin-1: copy the low bytes while looking, and
  // only for a wider unit start over with both bytes of each.
  uint8_t* p = arena.Allocate(text.size());
  char16_t all = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    all |= text[i];
    p[i] = static_cast<uint8_t>(text[i]);
  }
  halved_ = all < 0x100;
  if (!halved_) {
    p = arena.Allocate(2 * text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      p[2 * i] = static_cast<uint8_t>(text[i]);
      p[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
  }
  bytes_ = p;
}

PackedBytes PackedBytes::Latin1Text(ByteArena& arena, const uint8_t* chars, size_t n) {
  PackedBytes packed;
  uint8_t* p = arena.Allocate(n + 1);
  if (n != 0) std::memcpy(p, chars, n);
  p[n] = 0;
  packed.bytes_ = p;
  packed.size_ = static_cast<uint32_t>(2 * (n + 1));
  packed.halved_ = true;
  return packed;
}

void PackedBytes::CopyTo(uint8_t* out, size_t n) const {
  if (!halved_) {
    if (n != 0) std::memcpy(out, bytes_, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) out[i] = (i % 2 == 0) ? bytes_[i / 2] : 0;
}

std::vector<uint8_t> PackedBytes::ToVector() const {
  std::vector<uint8_t> out(size_);
  CopyTo(out.data(), size_);
  return out;
}

std::u16string PackedBytes::ToText() const {
  std::u16string out(UnitCount(), u'\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = UnitAt(i);
  return out;
}

const PackedBytes& RegChildSlot::Name() const { return node->Name(); }

template <typename Entry>
size_t NamedList<Entry>::Probe(std::u16string_view name) const {
  size_t mask = table_.size() - 1;
  size_t slot = NameHash(name) & mask;
  while (table_[slot] != 0) {
    const Entry& e = entries_[table_[slot] - 1];
    if (e.Alive() && NamesEqual(PackedText{e.Name()}, name)) return slot;
    slot = (slot + 1) & mask;
  }
  return slot;
}

template <typename Entry>
Entry* NamedList<Entry>::Find(std::u16string_view name) {
  return const_cast<Entry*>(static_cast<const NamedList*>(this)->Find(name));
}

template <typename Entry>
const Entry* NamedList<Entry>::Find(std::u16string_view name) const {
  if (table_.empty()) {
    for (const Entry& e : entries_) {
      if (e.Alive() && NamesEqual(PackedText{e.Name()}, name)) return &e;
    }
    return nullptr;
  }
  uint32_t at = table_[Probe(name)];
  return at == 0 ? nullptr : &entries_[at - 1];
}

template <typename Entry>
void NamedList<Entry>::Index(uint32_t position) {
  size_t mask = table_.size() - 1;
  size_t slot = NameHash(PackedText{entries_[position].Name()}) & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = position + 1;
}

template <typename Entry>
void NamedList<Entry>::Rebuild() {
  table_.clear();
  if (entries_.size() <= LINEAR_LIMIT) return;
  size_t capacity = 16;
  while (capacity < entries_.size() * 2) capacity *= 2;
  table_.assign(capacity, 0);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Alive()) Index(static_cast<uint32_t>(i));
  }
}

template <typename Entry>
Entry& NamedList<Entry>::Append(Entry entry) {
  // Room for a few entries at once: most keys hold several values.
  if (entries_.empty()) entries_.reserve(FIRST_CAPACITY);
  entries_.push_back(std::move(entry));
  // A short list has no table (a rebuild keeps none) and is searched in turn.
  if (entries_.size() <= LINEAR_LIMIT) return entries_.back();
  // Dead entries keep their slots until a rebuild, so the table is sized by
  // every entry held, live or dead.
  if (entries_.size() * 2 > table_.size()) {
    Rebuild();
  } else {
    Index(static_cast<uint32_t>(entries_.size() - 1));
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
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].Alive()) continue;
    if (kept != i) entries_[kept] = std::move(entries_[i]);
    ++kept;
  }
  entries_.resize(kept);
  dead_ = 0;
  Rebuild();
}

template <typename Entry>
Entry* NamedList<Entry>::At(size_t index) {
  if (dead_ != 0) Compact();
  return index < entries_.size() ? &entries_[index] : nullptr;
}

template class NamedList<RegChildSlot>;
template class NamedList<RegValueEntry>;

RegKeyNode::~RegKeyNode() { DropSubkeys(); }

void RegKeyNode::DropSubkeys() {
  // Detach every descendant into a work list so that each node is destroyed
  // with no children left, keeping the stack flat.
  std::vector<std::unique_ptr<RegKeyNode>> pending;
  auto detach = [&pending](RegKeyNode& node) {
    for (size_t i = 0; RegChildSlot* slot = node.subkeys_.At(i); ++i) {
      pending.push_back(std::move(slot->node));
    }
    node.subkeys_ = NamedList<RegChildSlot>();
  };
  detach(*this);
  while (!pending.empty()) {
    std::unique_ptr<RegKeyNode> node = std::move(pending.back());
    pending.pop_back();
    detach(*node);
  }
}

RegKeyNode* RegKeyNode::Subkey(size_t index) {
  RegChildSlot* slot = subkeys_.At(index);
  return slot == nullptr ? nullptr : slot->node.get();
}

RegKeyNode* RegKeyNode::FindSubkey(std::u16string_view name) const {
  const RegChildSlot* slot = subkeys_.Find(name);
  return slot == nullptr ? nullptr : slot->node.get();
}

RegTree::RegTree() {
  for (int i = 0; i < ROOT_COUNT; ++i) {
    roots_[i] = std::make_unique<RegKeyNode>(PackedBytes(arena_, ROOTS[i].name), nullptr);
  }
}

RegKeyNode* RegTree::Root(RegKey root) const {
  int i = RootIndex(root);
  return i < 0 ? nullptr : roots_[i].get();
}

const char16_t* RegTree::RootName(RegKey root) {
  int i = RootIndex(root);
  return i < 0 ? nullptr : ROOTS[i].name;
}

RegKey RegTree::RootByName(std::u16string_view name) {
  for (const RootEntry& r : ROOTS) {
    if (NamesEqual(std::u16string_view(r.name), name)) return r.key;
  }
  return 0;
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

RegKeyNode* RegTree::AddSubkey(RegKeyNode* parent, std::u16string_view name) {
  if (RegKeyNode* existing = parent->FindSubkey(name)) return existing;
  RegChildSlot slot{std::make_unique<RegKeyNode>(PackedBytes(arena_, name), parent)};
  return parent->subkeys_.Append(std::move(slot)).node.get();
}

void RegTree::DeleteKey(RegKeyNode* node) {
  RegKeyNode* parent = node->Parent();
  if (parent == nullptr) {
    // A root stays; it only loses its contents.
    node->DropSubkeys();
    node->values_ = NamedList<RegValueEntry>();
    node->layout = RegKeyLayout();
    return;
  }
  RegChildSlot* slot = parent->subkeys_.Find(std::u16string(node->Name().ToText()));
  if (slot != nullptr) parent->subkeys_.Remove(*slot);
}

RegValueEntry* RegTree::ValueEntry(RegKeyNode* key, std::u16string_view name) {
  RegValueEntry* entry = key->values_.Find(name);
  if (entry != nullptr) return entry;
  RegValueEntry fresh;
  fresh.name = PackedBytes(arena_, name);
  return &key->values_.Append(std::move(fresh));
}

RegValueEntry* RegTree::SetValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                                 const uint8_t* data, size_t size) {
  RegValueEntry* entry = ValueEntry(key, name);
  entry->data = PackedBytes(arena_, data, size);
  entry->type = type;
  entry->span = RegSourceSpan();
  return entry;
}

RegValueEntry* RegTree::SetLatin1Text(RegKeyNode* key, std::u16string_view name, uint32_t type,
                                      const uint8_t* chars, size_t n) {
  RegValueEntry* entry = ValueEntry(key, name);
  entry->data = PackedBytes::Latin1Text(arena_, chars, n);
  entry->type = type;
  entry->span = RegSourceSpan();
  return entry;
}

bool RegTree::DeleteValue(RegKeyNode* key, std::u16string_view name) {
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
