#include "bench/bench_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void Die(const std::string& what, const std::string& path) {
  std::fprintf(stderr, "bench: cannot %s %s: %s\n", what.c_str(), path.c_str(),
               std::strerror(errno));
  std::exit(1);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) Die("create", path);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0 || !ok) Die("write", path);
}

}  // namespace

std::string BenchFile(const RegistryShape& shape) {
  const std::string dir = QUORVAFIX_BENCH_DATA_DIR;
  const std::string path = dir + "/" + ShapeFileName(shape);
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return path;
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) Die("create folder", dir);
  const std::string temporary = path + ".part";
  WriteFile(temporary, GenerateRegFile(shape));
  if (std::rename(temporary.c_str(), path.c_str()) != 0) Die("rename", temporary);
  return path;
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

void CopyFile(const std::string& from, const std::string& to) {
  FILE* in = std::fopen(from.c_str(), "rb");
  if (in == nullptr) Die("open", from);
  FILE* out = std::fopen(to.c_str(), "wb");
  if (out == nullptr) Die("create", to);
  std::vector<char> buffer(1 << 20);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    if (std::fwrite(buffer.data(), 1, n, out) != n) Die("write", to);
  }
  std::fclose(in);
  if (std::fclose(out) != 0) Die("write", to);
}
