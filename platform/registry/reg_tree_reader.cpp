#include "platform/registry/reg_tree_reader.h"

#include <cassert>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Applies the reader's events to a tree: values stored (Full), or only the
// sections that hold them recorded (Index, for a reading in Validate mode).
class TreeBuilder : public RegFileEvents {
 public:
  enum class Mode { Full, Index };
  TreeBuilder(RegTree* tree, Mode mode) : tree_(tree), mode_(mode) {}

  // Makes key the key whose section is read.
  void Enter(RegKeyNode* key) { current_ = key; }

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override {
    Settle();
    current_ = nullptr;
    section_begin_ = next_line;
    section_recorded_ = false;
    if (deletion) {
      cached_root_ = 0;
      if (RegKeyNode* doomed = tree_->Find(tree_->Root(root), path)) tree_->DeleteKey(doomed);
      return;
    }
    current_ = Open(root, path);
  }

  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t) override {
    if (mode_ == Mode::Index) return Record();
    if (data.deferred) {
      tree_->SetDeferredValue(current_, name, data.type, span.begin, span.end);
    } else if (data.is_text) {
      tree_->SetTextValue(current_, name, data.type, data.text);
    } else {
      tree_->SetValue(current_, name, data.type, data.bytes, data.size);
    }
  }

  void OnValueDeletion(std::u16string_view name, uint64_t) override {
    if (mode_ == Mode::Index) return Record();
    tree_->DeleteValue(current_, name);
  }

  // The first section of a key mostly holds all its values: trim the room
  // kept for more once it ends (later sections may grow it again).
  void Settle() {
    if (mode_ == Mode::Full && current_ != nullptr && current_created_) {
      tree_->SettleValues(current_);
    }
  }

 private:
  // Records the current section once, at its first value line: sections
  // without any are never read.
  void Record() {
    if (section_recorded_) return;
    section_recorded_ = true;
    tree_->AddSection(current_, section_begin_);
  }

  // The key at path below root, created with its parents if missing. Exports
  // list related keys one after another, so the keys of the previous path's
  // leading components are reused where the text matches.
  RegKeyNode* Open(RegKey root, std::u16string_view path) {
    size_t reused = 0;
    if (root == cached_root_) {
      size_t common = 0;
      while (common < path.size() && common < cached_path_.size() &&
             path[common] == cached_path_[common]) {
        ++common;
      }
      while (reused < cached_ends_.size() && cached_ends_[reused] <= common &&
             (cached_ends_[reused] == path.size() || path[cached_ends_[reused]] == u'\\')) {
        ++reused;
      }
    }
    cached_nodes_.resize(reused);
    cached_ends_.resize(reused);
    RegKeyNode* node = reused == 0 ? tree_->Root(root) : cached_nodes_.back();
    current_created_ = false;
    for (size_t start = reused == 0 ? 0 : cached_ends_.back() + 1; start < path.size();) {
      size_t end = path.find(u'\\', start);
      if (end == path.npos) end = path.size();
      node = tree_->AddSubkey(node, path.substr(start, end - start), &current_created_);
      cached_nodes_.push_back(node);
      cached_ends_.push_back(end);
      start = end + 1;
    }
    cached_root_ = root;
    cached_path_.assign(path);
    return node;
  }

  RegTree* tree_;
  Mode mode_;
  RegKeyNode* current_ = nullptr;
  uint64_t section_begin_ = 0;
  bool section_recorded_ = false;
  bool current_created_ = false;
  RegKey cached_root_ = 0;
  std::u16string cached_path_;
  std::vector<RegKeyNode*> cached_nodes_;  // the key of each component of cached_path_
  std::vector<size_t> cached_ends_;        // where each component ends in cached_path_
};

// A file's bytes, from which a tree indexed from them reads its values.
class FileValueSource : public RegValueSource {
 public:
  FileValueSource(std::vector<uint8_t> bytes, const RegFileForm& form)
      : bytes_(std::move(bytes)), form_(form) {}

  void ReadSection(RegTree& tree, RegKeyNode* key, uint64_t begin) const override {
    TreeBuilder builder(&tree, TreeBuilder::Mode::Full);
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
  const std::vector<uint8_t> bytes_;
  const RegFileForm form_;
};

// Reads a whole file into tree through read(builder), which runs the reader.
template <typename Read>
bool BuildTree(RegTree* tree, Read read) {
  TreeBuilder builder(tree, TreeBuilder::Mode::Full);
  if (!read(builder)) return false;
  builder.Settle();
  return true;
}

}  // namespace

bool IndexRegFile(std::vector<uint8_t> bytes, RegTree* tree, RegFileForm* form,
                  RegParseError* error) {
  TreeBuilder builder(tree, TreeBuilder::Mode::Index);
  if (!ReadRegBytes(bytes.data(), bytes.size(), RegReadMode::Validate, builder, form, error)) {
    return false;
  }
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
