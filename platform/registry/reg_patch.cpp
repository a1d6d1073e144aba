#include "platform/registry/reg_patch.h"

#include <utility>

#include "platform/registry/reg_line_editor.h"
#include "platform/registry/reg_value_format.h"

namespace {

struct PatchValue {
  std::u16string name;
  std::u16string text;
};

struct PatchSection {
  RegKey root;
  std::u16string path;  // as the store spells it where it holds the keys
  std::vector<PatchValue> values;
};

// A key line holds the path: no line break may stand in it.
bool IsWellFormedPath(std::u16string_view path) {
  return RegTree::IsPlainPath(path) && path.find_first_of(u"\r\n") == path.npos;
}

// path with each key the store holds spelled the store's way; *node is the
// key itself when the store holds it, else null. Without a tree, path as it is.
std::u16string StoreSpelling(const RegTree* tree, RegKey root, std::u16string_view path,
                             const RegKeyNode** node) {
  const RegKeyNode* at = tree != nullptr ? tree->Root(root) : nullptr;
  std::u16string out;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == path.npos) end = path.size();
    std::u16string_view part = path.substr(start, end - start);
    at = at == nullptr ? nullptr : at->FindSubkey(part);
    if (!out.empty()) out += u'\\';
    out += at == nullptr ? std::u16string(part) : at->Name().ToText();
    start = end + 1;
  }
  *node = at;
  return out;
}

// Groups edits by the key they name, in the order each key first comes, one
// value per name (a later edit of a name replaces its text); keys and value
// names are spelled the way the tree (when given) holds them.
RegStatus GroupBySection(const RegTree* tree, const std::vector<RegStringEdit>& edits,
                         std::vector<PatchSection>* out, std::string* failure) {
  std::vector<PatchSection>& sections = *out;
  for (const RegStringEdit& edit : edits) {
    // The path names the key the store would open for it.
    std::u16string_view key_path = RegTree::WithoutTrailingBackslash(edit.key_path);
    if (RegTree::RootName(edit.root) == nullptr || !IsWellFormedPath(key_path)) {
      *failure =
          "key \"" + MessageText(edit.key_path) + "\": not a key path under a predefined root";
      return ERROR_INVALID_PARAMETER;
    }
    const RegKeyNode* node = nullptr;
    std::u16string path = StoreSpelling(tree, edit.root, key_path, &node);
    PatchSection* section = nullptr;
    for (PatchSection& s : sections) {
      if (s.root == edit.root &&
          NamesEqual(std::u16string_view(s.path), std::u16string_view(path))) {
        section = &s;
      }
    }
    if (section == nullptr) {
      sections.push_back(PatchSection{edit.root, std::move(path), {}});
      section = &sections.back();
    }
    std::u16string name = edit.value_name;
    const RegValueEntry* stored = node == nullptr ? nullptr : node->FindValue(name);
    if (stored != nullptr) name = stored->name.ToText();
    PatchValue* value = nullptr;
    for (PatchValue& v : section->values) {
      if (NamesEqual(std::u16string_view(v.name), std::u16string_view(name))) value = &v;
    }
    if (value == nullptr) {
      section->values.push_back(PatchValue{std::move(name), edit.text});
    } else {
      value->text = edit.text;
    }
  }
  return ERROR_SUCCESS;
}

// Writes the patch text for sections in form: the start of the file, a blank
// line, then each section's key line, value lines and a blank line.
RegStatus WritePatchText(const RegFileForm& form, const std::vector<PatchSection>& sections,
                         std::vector<uint8_t>* bytes, std::string* failure) {
  std::u16string eol(LineEndText(form.line_end));
  *bytes = FileStartBytes(form);
  // Appends text to the file; on failure names what it was.
  auto emit = [&](const std::u16string& text, const std::string& what) {
    RegStatus status = EncodeForFile(form, text, bytes, failure);
    if (status != ERROR_SUCCESS) *failure = what + ": " + *failure;
    return status;
  };
  if (RegStatus status = emit(eol, "blank line")) return status;
  for (const PatchSection& section : sections) {
    std::u16string key_line = FormatKeyLine(section.root, section.path) + eol;
    if (RegStatus status = emit(key_line, "key " + MessageText(section.path))) return status;
    for (const PatchValue& value : section.values) {
      std::string what =
          "value \"" + MessageText(value.name) + "\" of " + MessageText(section.path);
      std::u16string line = FormatValueName(value.name) + u"=";
      std::u16string data_text;
      std::vector<uint8_t> data;
      EncodeText(RegEncoding::Utf16Le, value.text, &data);
      data.insert(data.end(), {0, 0});
      if (RegStatus status = FormatValueData(form.dialect, REG_SZ, data.data(), data.size(),
                                             line.size(), eol, &data_text, failure)) {
        *failure = what + ": " + *failure;
        return status;
      }
      if (RegStatus status = emit(line + data_text + eol, what)) return status;
    }
    if (RegStatus status = emit(eol, "blank line")) return status;
  }
  return ERROR_SUCCESS;
}

}  // namespace

RegStatus BuildRegPatch(const RegFileStore& store, const std::vector<RegStringEdit>& edits,
                        std::vector<uint8_t>* bytes, std::string* failure) {
  std::vector<PatchSection> sections;
  if (RegStatus status = GroupBySection(&store.Tree(), edits, &sections, failure)) return status;
  return WritePatchText(store.Form(), sections, bytes, failure);
}

RegStatus BuildRegPatch(const RegFileForm& form, const std::vector<RegStringEdit>& edits,
                        std::vector<uint8_t>* bytes, std::string* failure) {
  std::vector<PatchSection> sections;
  if (RegStatus status = GroupBySection(nullptr, edits, &sections, failure)) return status;
  return WritePatchText(form, sections, bytes, failure);
}
