#include "platform/files/testing/scratch_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

std::string WithPaths(std::string text, const std::string& file, const std::string& folder) {
  for (size_t at = 0; (at = text.find_first_of("@#", at)) != std::string::npos;) {
    const std::string& path = text[at] == '@' ? file : folder;
    text.replace(at, 1, path);
    at += path.size();
  }
  return text;
}
