#include "platform/registry/testing/registry_testing.h"

#include <algorithm>

std::vector<uint8_t> NarrowBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool bom) {
  std::vector<uint8_t> out;
  if (bom) out = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le, text, &out);
  return out;
}

std::u16string WideAscii(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::vector<uint8_t> Utf16z(std::u16string_view text) {
  std::vector<uint8_t> out = Utf16Bytes(text);
  out.push_back(0);
  out.push_back(0);
  return out;
}

const std::string REGEDIT4_HEAD = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";

const RegValueEntry* ParsedRegFile::Value(std::u16string_view path, std::u16string_view name,
                                          RegKey root) const {
  RegKeyNode* node = tree.Find(tree.Root(root), path);
  return node == nullptr ? nullptr : node->FindValue(name);
}

std::unique_ptr<ParsedRegFile> ParseBytes(const std::vector<uint8_t>& bytes) {
  auto parsed = std::make_unique<ParsedRegFile>();
  parsed->ok =
      ParseRegFile(bytes.data(), bytes.size(), &parsed->tree, &parsed->form, &parsed->error);
  return parsed;
}

std::unique_ptr<ParsedRegFile> ParseText(const std::string& text) {
  return ParseBytes(NarrowBytes(text));
}

int TrickleSource::Read(uint8_t* buffer, size_t size, size_t* got) {
  size_t n = std::min({size, step_, bytes_.size() - at_});
  std::copy(bytes_.begin() + at_, bytes_.begin() + at_ + n, buffer);
  at_ += n;
  *got = n;
  return 0;
}

std::u16string ExactDumpValueLine(std::u16string_view name, uint32_t type,
                                  const std::vector<uint8_t>& data) {
  auto number = [](uint64_t n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  };
  std::u16string line = std::u16string(name) + u"=" + number(type) + u":";
  for (uint8_t b : data) line += number(b) + u",";
  return line + u"\n";
}

std::u16string ExactDump(const RegTree& tree) {
  std::u16string out;
  for (RegKey root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                      HKEY_CURRENT_CONFIG}) {
    std::vector<std::pair<RegKeyNode*, std::u16string>> pending = {
        {tree.Root(root), RegTree::RootName(root)}};
    while (!pending.empty()) {
      auto [node, path] = pending.back();
      pending.pop_back();
      out += u"[" + path + u"]\n";
      node->ForEachValue([&out](const RegValueEntry& v) {
        out += ExactDumpValueLine(v.name.ToText(), v.type, v.data.ToVector());
      });
      for (size_t i = node->SubkeyCount(); i-- > 0;) {
        RegKeyNode* child = node->Subkey(i);
        pending.push_back({child, path + u"\\" + child->Name().ToText()});
      }
    }
  }
  return out;
}

// Unpaired surrogates stay within one name, as every other text of the dump
// is ASCII, so converting the whole dump converts each name alone.
std::string DumpTree(const RegTree& tree) { return MessageText(ExactDump(tree)); }
