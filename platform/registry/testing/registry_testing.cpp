#include "platform/registry/testing/registry_testing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <filesystem>
#include <random>

// On Windows the folder is made in the user's temporary folder (GetTempPath)
// and named with forward slashes, which the API takes as well.
TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("regtest-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) path_ = candidate.generic_string();
  }
  if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const std::string& name : Names()) {
    // A read-only file cannot be removed until it is writable again.
    fs::permissions(File(name), fs::perms::owner_write, fs::perm_options::add, error);
    fs::remove(File(name), error);
  }
  fs::remove(path_, error);
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
#else
#include <dirent.h>

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/regtest-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
}

TempDir::~TempDir() {
  // The tests make only plain files and links here, and may leave them
  // read-only; the folder itself is made writable again first.
  ::chmod(path_.c_str(), 0700);
  for (const std::string& name : Names()) ::unlink(File(name).c_str());
  ::rmdir(path_.c_str());
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path_.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}
#endif

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

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

std::string WithPaths(std::string text, const std::string& file, const std::string& folder) {
  for (size_t at = 0; (at = text.find_first_of("@#", at)) != std::string::npos;) {
    const std::string& path = text[at] == '@' ? file : folder;
    text.replace(at, 1, path);
    at += path.size();
  }
  return text;
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
