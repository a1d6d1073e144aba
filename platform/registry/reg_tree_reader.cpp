#include "platform/registry/reg_tree_reader.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/reg_index_pass.h"

namespace {

// A key path as the tree reader's sources give it: UTF-16 text from the
// reader, or units in the file's own encoding from the index pass, kept in
// the form Keep makes (the reader's texts live for one event only).
struct WidePath {
  using Kept = std::u16string;
  static std::u16string_view Keep(std::u16string_view path, Kept* kept) {
    kept->assign(path);
    return *kept;
  }
  static RegKeyNode* AddSubkey(RegTree* tree, RegKeyNode* parent, std::u16string_view path,
                               size_t begin, size_t end, std::u16string*, bool* created) {
    return tree->AddSubkey(parent, path.substr(begin, end - begin), created);
  }
  static size_t Common(std::u16string_view a, std::u16string_view b, size_t count) {
    return std::mismatch(a.begin(), a.begin() + count, b.begin()).first - a.begin();
  }
  static size_t FindBackslash(std::u16string_view path, size_t from) {
    return std::min(path.find(u'\\', from), path.size());
  }
};
struct FilePath {
  struct Kept {};
  static RegFileText Keep(const RegFileText& path, Kept*) { return path; }
  // Narrow names go to the tree as the file spells them; others decoded.
  static RegKeyNode* AddSubkey(RegTree* tree, RegKeyNode* parent, const RegFileText& path,
                               size_t begin, size_t end, std::u16string* scratch, bool* created) {
    CodePageName name;
    if (path.AsCodePageName(begin, end, &name)) return tree->AddSubkey(parent, name, created);
    scratch->clear();
    path.Decode(begin, end, scratch);
    return tree->AddSubkey(parent, *scratch, created);
  }
  static size_t Common(const RegFileText& a, const RegFileText& b, size_t count) {
    return a.CommonUnits(b, count);
  }
  static size_t FindBackslash(const RegFileText& path, size_t from) {
    return path.FindBackslash(from);
  }
};

// Opens the keys of paths read in file order. Exports list related keys one
// after another, so the keys of the previous path's leading components are
// reused where its text matches; only the names after them are looked up (or
// created) in the tree.
template <typename Form, typename Path>
class KeyOpener {
 public:
  // The key at path below root, created with its parents if missing;
  // *created tells whether the last component's key was created.
  RegKeyNode* Open(RegTree* tree, RegKey root, const Path& path, bool* created) {
    size_t reused = 0;
    if (root == cached_root_) {
      const size_t common = Form::Common(path, cached_, std::min(path.size(), cached_.size()));
      // Components ending before the common units end before a backslash
      // of both paths.
      while (reused < depth_ && ends_[reused] < common) ++reused;
      if (reused < depth_ && ends_[reused] == common &&
          (common == path.size() || path[common] == u'\\')) {
        ++reused;
      }
    }
    depth_ = reused;
    RegKeyNode* node = reused == 0 ? tree->Root(root) : nodes_[reused - 1];
    *created = false;
    for (size_t start = reused == 0 ? 0 : ends_[reused - 1] + 1; start < path.size();) {
      const size_t end = Form::FindBackslash(path, start);
      node = Form::AddSubkey(tree, node, path, start, end, &scratch_, created);
      if (depth_ == nodes_.size()) {
        nodes_.push_back(node);
        ends_.push_back(end);
      } else {
        nodes_[depth_] = node;
        ends_[depth_] = end;
      }
      ++depth_;
      start = end + 1;
    }
    cached_root_ = root;
    cached_ = Form::Keep(path, &kept_);
    return node;
  }

  // Forgets the keys opened: a deletion may have removed them.
  void Forget() { cached_root_ = 0; }

 private:
  RegKey cached_root_ = 0;
  typename Form::Kept kept_;
  Path cached_ = Path();
  // The key of each of the depth_ components of cached_ and where it ends
  // there (the vectors keep deeper entries of earlier paths for reuse).
  std::vector<RegKeyNode*> nodes_;
  std::vector<size_t> ends_;
  size_t depth_ = 0;
  std::u16string scratch_;
};

// Applies the reader's events to a tree, storing every value.
class TreeBuilder : public RegFileEvents {
 public:
  explicit TreeBuilder(RegTree* tree) : tree_(tree) {}

  // Makes key the key whose section is read.
  void Enter(RegKeyNode* key) { current_ = key; }

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t) override {
    Settle();
    current_ = nullptr;
    if (deletion) {
      keys_.Forget();
      if (RegKeyNode* doomed = tree_->Find(tree_->Root(root), path)) tree_->DeleteKey(doomed);
      return;
    }
    current_ = keys_.Open(tree_, root, path, &current_created_);
  }

  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t) override {
    if (data.deferred) {
      tree_->SetDeferredValue(current_, name, data.type, span.begin, span.end);
    } else if (data.is_text) {
      tree_->SetTextValue(current_, name, data.type, data.text);
    } else {
      tree_->SetValue(current_, name, data.type, data.bytes, data.size);
    }
  }

  void OnValueDeletion(std::u16string_view name, uint64_t) override {
    tree_->DeleteValue(current_, name);
  }

  // The first section of a key mostly holds all its values: trim the room
  // kept for more once it ends (later sections may grow it again).
  void Settle() {
    if (current_ != nullptr && current_created_) tree_->SettleValues(current_);
  }

 private:
  RegTree* tree_;
  RegKeyNode* current_ = nullptr;
  bool current_created_ = false;
  KeyOpener<WidePath, std::u16string_view> keys_;
};

// Builds a tree's key index from the index pass: each key, and where each of
// its sections that holds values starts.
class KeyIndexer : public RegIndexEvents {
 public:
  explicit KeyIndexer(RegTree* tree) : tree_(tree) {}

  void OnKey(RegKey root, const RegFileText& path, bool deletion) override {
    current_ = nullptr;
    if (deletion) {
      keys_.Forget();
      std::u16string wide;
      path.Decode(0, path.size(), &wide);
      if (RegKeyNode* doomed = tree_->Find(tree_->Root(root), wide)) tree_->DeleteKey(doomed);
      return;
    }
    bool created = false;
    current_ = keys_.Open(tree_, root, path, &created);
  }

  void OnSectionValues(uint64_t begin) override { tree_->AddSection(current_, begin); }

 private:
  RegTree* tree_;
  RegKeyNode* current_ = nullptr;
  KeyOpener<FilePath, RegFileText> keys_;
};

// A file's bytes, from which a tree indexed from them reads its values.
class FileValueSource : public RegValueSource {
 public:
  FileValueSource(RegFileBytes bytes, const RegFileForm& form)
      : bytes_(std::move(bytes)), form_(form) {}

  void ReadSection(RegTree& tree, RegKeyNode* key, uint64_t begin) const override {
    TreeBuilder builder(&tree);
    builder.Enter(key);
    RegParseError error;
    // The bytes were checked whole when the tree was indexed, and every
    // section of bytes the reader accepted reads.
    [[maybe_unused]] bool read = ReadRegSection(bytes_.data(), bytes_.size(), begin, form_,
                                                RegReadMode::Deferring, builder, &error);
    assert(read);
  }

  std::u16string ReadText(uint64_t begin, uint64_t end) const override {
    std::u16string text;
    // The span is one the section's reading found a whole string at.
    [[maybe_unused]] bool read =
        ReadRegQuoted(bytes_.data(), bytes_.size(), {begin, end}, form_, &text);
    assert(read);
    return text;
  }

 private:
  const RegFileBytes bytes_;
  const RegFileForm form_;
};

// Reads a whole file into tree through read(builder), which runs the reader.
template <typename Read>
bool BuildTree(RegTree* tree, Read read) {
  TreeBuilder builder(tree);
  if (!read(builder)) return false;
  builder.Settle();
  return true;
}

}  // namespace

bool IndexRegFile(const std::vector<uint8_t>& bytes, RegTree* tree, RegFileForm* form,
                  RegParseError* error) {
  return IndexRegFile(RegFileBytes(bytes.begin(), bytes.end()), tree, form, error);
}

bool IndexRegFile(RegFileBytes bytes, RegTree* tree, RegFileForm* form, RegParseError* error) {
  KeyIndexer indexer(tree);
  if (!IndexRegBytes(bytes.data(), bytes.size(), indexer, form, error)) return false;
  tree->SetValueSource(std::make_unique<FileValueSource>(std::move(bytes), *form));
  return true;
}

bool ParseRegFile(RegByteSource& source, RegTree* tree, RegFileForm* form, RegParseError* error) {
  return BuildTree(tree,
                   [&](TreeBuilder& builder) { return ReadRegFile(source, builder, form, error); });
}

bool ParseRegFile(const uint8_t* data, size_t size, RegTree* tree, RegFileForm* form,
                  RegParseError* error) {
  return BuildTree(tree, [&](TreeBuilder& builder) {
    return ReadRegBytes(data, size, RegReadMode::Full, builder, form, error);
  });
}
