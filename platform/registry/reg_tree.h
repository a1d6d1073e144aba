// The key tree both registry stores keep: five predefined roots, each key with
// its subkeys and values in insertion order, looked up by name without regard
// to case. The tree owns every node, every subkey list and every name and data
// byte (in arenas that live as long as the tree: a deleted key's memory is
// given back with the tree, and the tree goes without visiting its keys, as
// only keys holding values own memory of their own); node pointers stay valid until the node is
// deleted, value pointers only until the next change to the same key. A tree indexed from a file
// reads each key's values from its RegValueSource the first time they are asked for, even through a
// const node. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/registry/reg_arena.h"
#include "platform/registry/reg_name.h"
#include "platform/registry/reg_packed_bytes.h"
#include "platform/registry/registry.h"

// A value: its name as first stored, its type and data. Removed values stay
// dead in their list until it compacts.
struct RegValueEntry {
  PackedBytes name;
  // Empty while the data is deferred: a long text still in the tree's source,
  // at bytes [deferred_begin, deferred_end) (RegTree::SetDeferredValue);
  // the key's FindValue and ForEachValue read it first.
  mutable PackedBytes data;
  uint32_t type = 0;
  bool alive = true;
  // Set by a store once it has handed this value to a caller; bookkeeping,
  // not part of the value.
  mutable bool served = false;
  mutable uint64_t deferred_begin = 0;
  mutable uint64_t deferred_end = 0;

  bool Deferred() const { return deferred_end != 0; }

  const PackedBytes& Name() const { return name; }
  bool Alive() const { return alive; }
  void Kill() { alive = false; }
};

class RegKeyNode;
class RegTree;

// Where a tree indexed from a file reads its keys' values when they are first
// asked for (reg_tree_reader.h reads them from the file's bytes).
class RegValueSource {
 public:
  virtual ~RegValueSource() = default;
  // Stores in key, through tree's value operations and in file order, the
  // values of the key section whose value lines start at byte offset begin.
  virtual void ReadSection(RegTree& tree, RegKeyNode* key, uint64_t begin) const = 0;
  // The UTF-16 text of the deferred string at bytes [begin, end).
  virtual std::u16string ReadText(uint64_t begin, uint64_t end) const = 0;
};

// A subkey as its parent's list holds it. A killed slot's node stays in its
// tree's arena, unreachable, until the tree goes.
struct RegChildSlot {
  RegKeyNode* node;

  const PackedBytes& Name() const;
  bool Alive() const { return node != nullptr; }
  void Kill() { node = nullptr; }
};

// Entries in insertion order with case-insensitive lookup. Lookup and append
// cost O(1) on average (a hash table is kept once the list passes a few
// entries); removal marks the entry dead and the list compacts itself when
// dead entries pile up or before an access by position. Entry offers Name(),
// Alive() and Kill().
template <typename Entry>
class NamedList {
 public:
  // A list whose memory comes from arena, or from the heap when it is null.
  explicit NamedList(ByteArena* arena = nullptr) : entries_(Alloc<Entry>(arena)) {}
  NamedList(const NamedList&) = delete;
  NamedList& operator=(const NamedList&) = delete;
  ~NamedList() { DropTable(); }

  // The live entry named name, or null.
  Entry* Find(std::u16string_view name);
  const Entry* Find(std::u16string_view name) const;
  Entry* Find(const CodePageName& name) { return const_cast<Entry*>(Lookup(name)); }
  // Adds entry at the end; no live entry may have its name.
  Entry& Append(Entry entry);
  // Kills entry, which must belong to this list.
  void Remove(Entry& entry);
  size_t LiveCount() const { return entries_.size() - dead_; }
  // The index-th live entry, or null past the end.
  Entry* At(size_t index);
  // Gives back the room kept for more entries.
  void ShrinkToFit() { entries_.shrink_to_fit(); }
  // Calls f(entry) for each live entry in order; f must not change the list.
  template <typename F>
  void ForEachLive(F f) const {
    for (const Entry& e : entries_) {
      if (e.Alive()) f(e);
    }
  }

 private:
  static constexpr size_t LINEAR_LIMIT = 8;
  // The smallest table: room for twice the entries a list first holds in one.
  static constexpr uint32_t FIRST_TABLE_SIZE = 32;
  // A table slot: the entry's position + 1 in the low half (0: a free slot),
  // the hash of its name in the high half, so the table grows without
  // hashing names again.
  using Slot = uint64_t;

  template <typename T>
  using Alloc = ListAllocator<T>;

  // Name: std::u16string_view or CodePageName.
  template <typename Name>
  const Entry* Lookup(const Name& name) const;
  // Makes a table of size slots holding the given slots (positions mapped
  // through remap when it is not null; positions it maps to UINT32_MAX drop),
  // in place of the table before (which slots may be).
  void Retable(uint32_t size, const Slot* slots, uint32_t count, const uint32_t* remap);
  void DropTable();
  void Insert(Slot slot);
  void Compact();

  std::vector<Entry, Alloc<Entry>> entries_;
  Slot* table_ = nullptr;    // from entries_'s allocator
  uint32_t table_size_ = 0;  // 0 (no table) or a power of two
  uint32_t dead_ = 0;
};

// A NamedList made when its first entry comes, so that an empty one takes a
// pointer: most keys have no subkeys, and a key indexed from a file has no
// values until they are asked for. IN_ARENA: the list lives in the arena
// given to Append (and is never destroyed: the arena holds all its memory);
// else on the heap.
template <typename Entry, bool IN_ARENA>
class LazyNamedList {
 public:
  LazyNamedList() = default;
  LazyNamedList(LazyNamedList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  LazyNamedList& operator=(LazyNamedList&& other) noexcept {
    if (this != &other) {
      Release();
      list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
  }
  ~LazyNamedList() { Release(); }

  template <typename Name>
  Entry* Find(const Name& name) {
    return list_ ? list_->Find(name) : nullptr;
  }
  const Entry* Find(std::u16string_view name) const {
    return list_ ? static_cast<const NamedList<Entry>&>(*list_).Find(name) : nullptr;
  }
  // arena: where an IN_ARENA list is made (unused otherwise).
  Entry& Append(Entry entry, ByteArena* arena = nullptr) {
    if (!list_) {
      list_ = !IN_ARENA ? new NamedList<Entry>()
                        : new (arena->Allocate(sizeof(NamedList<Entry>), alignof(NamedList<Entry>)))
                              NamedList<Entry>(arena);
    }
    return list_->Append(std::move(entry));
  }
  // Whether no entry was ever appended.
  bool Unmade() const { return list_ == nullptr; }
  void Remove(Entry& entry) { list_->Remove(entry); }
  size_t LiveCount() const { return list_ ? list_->LiveCount() : 0; }
  Entry* At(size_t index) { return list_ ? list_->At(index) : nullptr; }
  void ShrinkToFit() {
    if (list_) list_->ShrinkToFit();
  }
  template <typename F>
  void ForEachLive(F f) const {
    if (list_) list_->ForEachLive(f);
  }

 private:
  void Release() {
    if (!IN_ARENA) delete list_;
    list_ = nullptr;
  }

  NamedList<Entry>* list_ = nullptr;
};

class RegKeyNode {
 public:
  explicit RegKeyNode(PackedBytes name, RegKeyNode* parent) : name_(name), parent_(parent) {}
  RegKeyNode(const RegKeyNode&) = delete;
  RegKeyNode& operator=(const RegKeyNode&) = delete;

  const PackedBytes& Name() const { return name_; }
  // Null for a root.
  RegKeyNode* Parent() const { return parent_; }

  size_t SubkeyCount() const { return subkeys_.LiveCount(); }
  // The index-th subkey in insertion order, or null past the end.
  RegKeyNode* Subkey(size_t index);
  RegKeyNode* FindSubkey(std::u16string_view name) const;

  // These read the key's pending values first (see RegTree::AddSection).
  size_t ValueCount() const {
    ReadPending();
    return values_.LiveCount();
  }
  const RegValueEntry* FindValue(std::u16string_view name) const {
    ReadPending();
    const RegValueEntry* entry = values_.Find(name);
    if (entry != nullptr) ReadDeferred(*entry);
    return entry;
  }
  // Calls f(const RegValueEntry&) for each value in insertion order.
  template <typename F>
  void ForEachValue(F f) const {
    ReadPending();
    values_.ForEachLive([this, &f](const RegValueEntry& entry) {
      ReadDeferred(entry);
      f(entry);
    });
  }
  // Whether sections of the key's values are still unread in the tree's
  // source (asking for a value reads them).
  bool ValuesPending() const { return last_section_ != 0; }

 private:
  friend class RegTree;
  inline void ReadPending() const;
  inline void ReadDeferred(const RegValueEntry& entry) const;

  PackedBytes name_;
  RegKeyNode* parent_;
  LazyNamedList<RegChildSlot, true> subkeys_;
  LazyNamedList<RegValueEntry, false> values_;
  RegTree* tree_ = nullptr;    // the tree, once values were recorded in its source
  uint32_t last_section_ = 0;  // 1 + the tree's index of the last pending section, or 0
};

class RegTree {
 public:
  RegTree();
  RegTree(const RegTree&) = delete;
  RegTree& operator=(const RegTree&) = delete;
  ~RegTree();

  // The node of a predefined root (HKEY_CLASSES_ROOT ... HKEY_CURRENT_CONFIG),
  // or null for any other key.
  RegKeyNode* Root(RegKey root) const;
  // The root's name as files spell it ("HKEY_LOCAL_MACHINE"), or null.
  static const char16_t* RootName(RegKey root);
  // The root a file names (matched without regard to case), or 0.
  static RegKey RootByName(std::u16string_view name);

  // True when path is empty or names keys by non-empty names separated by
  // single backslashes (no backslash first or last): how files write paths.
  static bool IsPlainPath(std::u16string_view path);

  // path without the one trailing backslash Find and Create ignore.
  // Example: u"Drivers\\Active\\" gives u"Drivers\\Active"; u"A\\\\" gives u"A\\".
  static std::u16string_view WithoutTrailingBackslash(std::u16string_view path);

  // The key at path below from: components separated by single backslashes;
  // empty means from itself; one trailing backslash is ignored; any other
  // empty component names no key. Null when a component is missing.
  // Example: Find(hklm, u"Drivers\\Active\\") finds HKLM\Drivers\Active.
  RegKeyNode* Find(RegKeyNode* from, std::u16string_view path) const;
  // Like Find, creating missing keys; null only for a malformed path.
  RegKeyNode* Create(RegKeyNode* from, std::u16string_view path);
  // The subkey of parent named name, created at the end if absent (*created
  // then true, when asked).
  RegKeyNode* AddSubkey(RegKeyNode* parent, std::u16string_view name, bool* created = nullptr);
  // The same for a name in a narrow file's bytes.
  RegKeyNode* AddSubkey(RegKeyNode* parent, const CodePageName& name, bool* created = nullptr);
  // Deletes node and its subtree; a root only loses its subkeys and values.
  void DeleteKey(RegKeyNode* node);

  // Stores a value, replacing one of the same name in place (it keeps its
  // position and the spelling of its name); size <= REG_MAX_DATA_SIZE.
  void SetValue(RegKeyNode* key, std::u16string_view name, uint32_t type, const uint8_t* data,
                size_t size);
  // The same for data that is the UTF-16LE form of text.
  void SetTextValue(RegKeyNode* key, std::u16string_view name, uint32_t type,
                    std::u16string_view text);
  // The same for a text still in the source, at bytes [begin, end), read
  // when the value is first asked for; key's values must have been recorded
  // with AddSection.
  void SetDeferredValue(RegKeyNode* key, std::u16string_view name, uint32_t type, uint64_t begin,
                        uint64_t end);
  // Removes a value; false when there was none.
  bool DeleteValue(RegKeyNode* key, std::u16string_view name);
  // Gives back the room kept for more values of key; for a key that is not
  // expected to grow.
  void SettleValues(RegKeyNode* key);

  // Makes source where sections recorded by AddSection are read from; the
  // tree owns it. Set once, before the first AddSection.
  void SetValueSource(std::unique_ptr<RegValueSource> source) { source_ = std::move(source); }
  // Records a section of key's values whose value lines start at byte offset
  // begin of the source. The sections recorded for a key are read, in the
  // order recorded, the first time anything asks for its values (FindValue,
  // ForEachValue, ValueCount) or changes them here (SetValue, SetTextValue,
  // DeleteValue, SettleValues). Deleting the key drops its sections.
  void AddSection(RegKeyNode* key, uint64_t begin);
  // The keys whose pending sections have been read so far.
  size_t KeysRead() const { return keys_read_; }
  // How many deferred texts (SetDeferredValue) have been read.
  size_t TextsRead() const { return texts_read_; }

  // The root above node and the names from it down to node, joined by
  // backslashes (empty for a root).
  static std::u16string PathOf(const RegKeyNode* node, RegKey* root);
  // True when node is ancestor or ancestor's descendant.
  static bool IsWithin(const RegKeyNode* node, const RegKeyNode* ancestor);

 private:
  static constexpr int ROOT_COUNT = 5;
  friend class RegKeyNode;
  // A key section still in the source, chained to the key's section before;
  // 12 bytes, as there is about one for each key of a file.
  struct PendingSection {
    uint32_t begin_low, begin_high;  // the byte offset where its lines start
    uint32_t previous;               // 1 + its index, or 0 for the key's first
  };
  // A node in nodes_.
  template <typename Name>
  RegKeyNode* NewNode(const Name& name, RegKeyNode* parent);
  template <typename Name>
  RegKeyNode* AddNamedSubkey(RegKeyNode* parent, const Name& name, bool* created);
  void ReadPendingValues(RegKeyNode* key);
  void ReadDeferredValue(const RegValueEntry& entry);
  void StoreValue(RegKeyNode* key, std::u16string_view name, uint32_t type, PackedBytes data);

  ByteArena arena_;
  // The nodes and their subkey lists: nothing of a node is freed on its own.
  ByteArena nodes_;
  RegKeyNode* roots_[ROOT_COUNT];
  // The keys whose value lists were made (on the heap); the tree frees those
  // lists when it goes.
  std::vector<RegKeyNode*> valued_;
  std::unique_ptr<RegValueSource> source_;
  std::vector<PendingSection> sections_;
  size_t keys_read_ = 0;
  size_t texts_read_ = 0;
};

void RegKeyNode::ReadPending() const {
  if (last_section_ != 0) tree_->ReadPendingValues(const_cast<RegKeyNode*>(this));
}

void RegKeyNode::ReadDeferred(const RegValueEntry& entry) const {
  if (entry.Deferred()) tree_->ReadDeferredValue(entry);
}
