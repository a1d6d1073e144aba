// Fuzz target for the registry file store: the input is the bytes of a .reg
// file, held in a MemoryFileSystem. The one-pass index of the file agrees
// with the line-by-line reader's (testing/reference_index.h). Any bytes either
// load or are refused with "PATH:N: reason" (N >= 1), the same whether the
// store gets the file whole or a few bytes at a time, and the same as a whole
// reading of the file by the streaming reader fed a few bytes at a time, which
// holds exactly what the reader's events give applied to plain containers
// (RegEventModel); a
// store that loads serves, key by key on demand, exactly the values of that
// whole reading. The sanitizers catch any out-of-bounds access, leak or stack
// overflow on the way. A file that loads is then written through the store,
// and after each write the file is read again:
// - each of its first values stored with its own type and data, as read:
//   the store succeeds and the file stays byte-identical;
// - "Dll" = "BTCEIF.DLL" stored in the first and the last key, and a new DWORD
//   in the last: each must succeed, and the file must read back with the new
//   value and every other key and value unchanged, in order.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_choices.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/reg_value_locator.h"
#include "platform/registry/testing/reference_index.h"
#include "platform/registry/testing/reg_event_model.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string PATH = "/dev.reg";
constexpr size_t ROUND_TRIPS = 3;

// One key, or one value of the key before it, as the tree holds it.
struct Entry {
  std::u16string key;  // root name and path
  bool is_value = false;
  std::u16string name;  // spelling as stored
  uint32_t type = 0;
  std::vector<uint8_t> data;
  bool operator==(const Entry& o) const {
    return key == o.key && is_value == o.is_value && name == o.name && type == o.type &&
           data == o.data;
  }
};

constexpr RegKey ROOTS[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                            HKEY_CURRENT_CONFIG};

// Every key and value in tree order (depth first, subkeys and values in
// insertion order); no recursion, so any depth is fine.
std::vector<Entry> Flatten(const RegTree& tree) {
  std::vector<Entry> entries;
  for (RegKey root : ROOTS) {
    std::vector<std::pair<RegKeyNode*, std::u16string>> stack = {
        {tree.Root(root), RegTree::RootName(root)}};
    while (!stack.empty()) {
      RegKeyNode* node = stack.back().first;
      std::u16string path = stack.back().second;
      stack.pop_back();
      entries.push_back({path, false, u"", 0, {}});
      node->ForEachValue([&](const RegValueEntry& v) {
        entries.push_back({path, true, v.name.ToText(), v.type, v.data.ToVector()});
      });
      for (size_t i = node->SubkeyCount(); i-- > 0;) {
        RegKeyNode* child = node->Subkey(i);
        stack.push_back({child, path + u"\\" + child->Name().ToText()});
      }
    }
  }
  return entries;
}

std::string Show(const std::vector<Entry>& entries, size_t i) {
  if (i >= entries.size()) return "(nothing)";
  const Entry& e = entries[i];
  std::string text = MessageText(e.key);
  if (!e.is_value) return "[" + text + "]";
  text += " \"" + MessageText(e.name) + "\" type " + std::to_string(e.type) + " =";
  for (uint8_t b : e.data) text += " " + std::to_string(b);
  return text;
}

// Where two flattened trees part: "" when they are the same.
std::string Difference(const std::vector<Entry>& got, const std::vector<Entry>& want) {
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  if (i == got.size() && i == want.size()) return "";
  return "entry " + std::to_string(i) + ": got " + Show(got, i) + ", want " + Show(want, i);
}

std::unique_ptr<RegTree> Parse(const std::vector<uint8_t>& bytes) {
  auto tree = std::make_unique<RegTree>();
  RegFileForm form;
  RegParseError error;
  FUZZ_CHECK(ParseRegFile(bytes.data(), bytes.size(), tree.get(), &form, &error),
             "a written file is refused: line " + std::to_string(error.line) + ": " + error.reason);
  return tree;
}

// The nodes of tree in Flatten's order.
std::vector<RegKeyNode*> Keys(const RegTree& tree) {
  std::vector<RegKeyNode*> keys;
  for (RegKey root : ROOTS) {
    std::vector<RegKeyNode*> stack = {tree.Root(root)};
    while (!stack.empty()) {
      RegKeyNode* node = stack.back();
      stack.pop_back();
      keys.push_back(node);
      for (size_t i = node->SubkeyCount(); i-- > 0;) stack.push_back(node->Subkey(i));
    }
  }
  return keys;
}

class StoreRun {
 public:
  StoreRun(MemoryFileSystem& fs, RegFileStore& store) : fs_(fs), store_(store) {}

  // Stores a value through the store in key (root and path), the model tree
  // gets the same value, and the file must read back as the model.
  RegStatus Set(RegKey root, const std::u16string& path, const std::u16string& name, uint32_t type,
                const std::vector<uint8_t>& data) {
    RegKey key = 0;
    RegStatus status = store_.OpenKey(root, path.c_str(), &key);
    if (status != ERROR_SUCCESS) {
      FUZZ_CHECK(false, "a key of the tree does not open: " + store_.LastFailure());
    }
    std::vector<uint8_t> before = fs_.Bytes(PATH);
    status =
        store_.SetValue(key, name.c_str(), type, data.data(), static_cast<uint32_t>(data.size()));
    FUZZ_CHECK(store_.CloseKey(key) == ERROR_SUCCESS, store_.LastFailure());
    FUZZ_CHECK(fs_.Files().size() == 1 && fs_.OpenCount() == 0, "a lock or descriptor is left");
    if (status != ERROR_SUCCESS) {
      FUZZ_CHECK(fs_.Bytes(PATH) == before, "a refused write changed the file");
      FUZZ_CHECK(!store_.LastFailure().empty(), "a refused write without a reason");
      return status;
    }
    std::unique_ptr<RegTree> model = Parse(before);
    RegKeyNode* node = model->Create(model->Root(root), path);
    FUZZ_CHECK(node != nullptr, "the model lacks the key");
    model->SetValue(node, name, type, data.data(), data.size());
    std::unique_ptr<RegTree> after = Parse(fs_.Bytes(PATH));
    std::string difference = Difference(Flatten(*after), Flatten(*model));
    FUZZ_CHECK(difference.empty(), "the file does not read back as written: " + difference);
    difference = Difference(Flatten(store_.Tree()), Flatten(*model));
    FUZZ_CHECK(difference.empty(), "the store's tree is not the file's: " + difference);
    return status;
  }

 private:
  MemoryFileSystem& fs_;
  RegFileStore& store_;
};

void WriteBack(MemoryFileSystem& fs, RegFileStore& store, StoreRun& run) {
  std::vector<RegKeyNode*> keys = Keys(store.Tree());
  size_t tried = 0;
  for (size_t k = 0; k < keys.size() && tried < ROUND_TRIPS; ++k) {
    RegKey root = 0;
    std::u16string path = RegTree::PathOf(keys[k], &root);
    std::vector<Entry> values;
    // The platform API names keys and values by NUL-terminated text, so a
    // name with a NUL unit inside cannot be addressed.
    if (path.find(u'\0') != std::u16string::npos) continue;
    keys[k]->ForEachValue([&](const RegValueEntry& v) {
      std::u16string name = v.name.ToText();
      if (values.empty() && name.find(u'\0') == std::u16string::npos) {
        values.push_back({path, true, name, v.type, v.data.ToVector()});
      }
    });
    if (values.empty()) continue;
    ++tried;
    std::vector<uint8_t> before = fs.Bytes(PATH);
    RegValueLocation where;
    RegParseError error;
    FUZZ_CHECK(
        LocateRegValue(before.data(), before.size(), root, path, values[0].name, &where, &error) &&
            where.value_found,
        "a value of the tree is not in the file");
    RegStatus status = run.Set(root, path, values[0].name, values[0].type, values[0].data);
    FUZZ_CHECK(status == ERROR_SUCCESS, "storing a value as it is: status " +
                                            std::to_string(status) + ": " + store.LastFailure());
    FUZZ_CHECK(fs.Bytes(PATH) == before, "storing a value as it is changed the file");
    keys = Keys(store.Tree());  // a write may change the store's tree
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryFileSystem fs;
  fs.Files()[PATH].assign(data, data + size);
  RegFileOptions options;
  options.file_system = &fs;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(PATH, &error, options);

  // Read in pieces of 1 to 7 bytes, so that the reader's refills fall inside
  // lines, escapes and UTF-16 units, the file reads exactly the same.
  MemoryFileSystem trickle;
  trickle.Files()[PATH].assign(data, data + size);
  trickle.SetReadStep(1 + size % 7);
  RegFileOptions trickle_options;
  trickle_options.file_system = &trickle;
  std::string trickle_error;
  std::unique_ptr<RegFileStore> pieces = RegFileStore::Load(PATH, &trickle_error, trickle_options);
  FUZZ_CHECK((store == nullptr) == (pieces == nullptr) && error == trickle_error,
             "read in pieces: " + trickle_error + ", whole: " + error);
  // The one-pass index agrees with the reader's own reading of the keys:
  // refusal, line and reason, form, keys and where their values start.
  const std::vector<uint8_t> bytes(data, data + size);
  const std::string index_difference =
      KeyIndexDifference(ReferenceKeyIndex(bytes), PassKeyIndex(bytes));
  FUZZ_CHECK(index_difference.empty(), "index pass against the reader: " + index_difference);
  // The whole reading, values and all, with refills inside lines.
  TrickleSource source(bytes, 1 + size % 5);
  RegTree whole;
  RegFileForm form;
  RegParseError parse_error;
  const bool read = ParseRegFile(source, &whole, &form, &parse_error);
  FUZZ_CHECK(read == (store != nullptr),
             "whole reading: " + parse_error.reason + ", store: " + error);
  if (!read) {
    const std::string want =
        PATH + ":" + std::to_string(parse_error.line) + ": " + parse_error.reason;
    FUZZ_CHECK(error == want, "whole reading: " + want + ", store: " + error);
  }
  if (store != nullptr) {
    // The whole reading against the reader's own events applied to plain
    // containers: what the tree's packing and path cache could hide from a
    // comparison of two trees.
    RegEventModel model;
    RegFileForm model_form;
    RegParseError model_error;
    FUZZ_CHECK(ReadRegBytes(data, size, RegReadMode::Full, model, &model_form, &model_error),
               "the reader's events: " + model_error.reason);
    FUZZ_CHECK(ExactDump(whole) == model.Dump(), "the whole reading is not the reader's events:\n" +
                                                     DumpTree(whole) + "events:\n" +
                                                     MessageText(model.Dump()));
    FUZZ_CHECK(store->Tree().KeysRead() == 0, "the load read values");
    FUZZ_CHECK(store->Form().encoding == form.encoding && store->Form().bom == form.bom &&
                   store->Form().dialect == form.dialect &&
                   store->Form().line_end == form.line_end &&
                   store->Form().open_continuation == form.open_continuation,
               "the store's form is not the whole reading's");
    std::string difference = Difference(Flatten(store->Tree()), Flatten(whole));
    FUZZ_CHECK(difference.empty(), "values read on demand: " + difference);
    difference = Difference(Flatten(pieces->Tree()), Flatten(store->Tree()));
    FUZZ_CHECK(difference.empty(), "read in pieces: " + difference);
  }
  if (store == nullptr) {
    const std::string prefix = PATH + ":";
    FUZZ_CHECK(error.compare(0, prefix.size(), prefix) == 0, error);
    size_t end = 0;
    unsigned long long line = std::stoull(error.substr(prefix.size()), &end);
    FUZZ_CHECK(line >= 1 && error.compare(prefix.size() + end, 2, ": ") == 0 &&
                   error.size() > prefix.size() + end + 2,
               error);
    return 0;
  }
  StoreRun run(fs, *store);
  WriteBack(fs, *store, run);

  // The repair the scan makes, in the first key (a root, often without a
  // section of its own) and the last; then a value the last key lacks.
  std::vector<uint8_t> fixed;
  for (char16_t u : std::u16string(u"BTCEIF.DLL")) fixed.insert(fixed.end(), {uint8_t(u), 0});
  fixed.insert(fixed.end(), {0, 0});
  for (bool last : {false, true}) {
    std::vector<RegKeyNode*> keys = Keys(store->Tree());
    RegKey root = 0;
    std::u16string path = RegTree::PathOf(last ? keys.back() : keys.front(), &root);
    if (path.find(u'\0') != std::u16string::npos) continue;
    RegStatus status = run.Set(root, path, u"Dll", REG_SZ, fixed);
    FUZZ_CHECK(status == ERROR_SUCCESS, "storing Dll: " + store->LastFailure());
  }
  std::vector<RegKeyNode*> keys = Keys(store->Tree());
  RegKey root = 0;
  std::u16string path = RegTree::PathOf(keys.back(), &root);
  if (path.find(u'\0') != std::u16string::npos) return 0;
  std::u16string name = u"QuorvafixFuzz";
  while (keys.back()->FindValue(name) != nullptr) name += u"x";
  RegStatus status = run.Set(root, path, name, REG_DWORD, {0x78, 0x56, 0x34, 0x12});
  FUZZ_CHECK(status == ERROR_SUCCESS, "storing a new value: " + store->LastFailure());
  return 0;
}
