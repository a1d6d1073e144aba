// quorvafix-make-registry: writes a synthetic handheld registry export.
//
//   quorvafix-make-registry [--dialect 4|5] [--megabytes M] [--keys N]
//                           [--values N] [--drivers N] [--faulty N] [--seed N] OUT
//
// Without options it writes the typical export (REGEDIT4, 20,000 keys,
// 120,000 values, 40 active drivers, one faulty). --megabytes M sets the key
// and value totals for a file of about M MB (as REGEDIT4); --keys and
// --values given after it override them.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/registry_generator.h"

namespace {

constexpr char USAGE[] =
    "usage: quorvafix-make-registry [--dialect 4|5] [--megabytes M] [--keys N] [--values N]\n"
    "                               [--drivers N] [--faulty N] [--seed N] OUT\n";

bool ParseCount(const char* text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && *value >= 0 && *value <= 100000000;
}

}  // namespace

int main(int argc, char** argv) {
  RegistryShape shape = TypicalShape(ExportDialect::Regedit4);
  const char* out_path = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (option.rfind("--", 0) != 0) {
      if (out_path != nullptr) {
        std::fputs(USAGE, stderr);
        return 2;
      }
      out_path = argv[i];
      continue;
    }
    long long value = 0;
    if (i + 1 >= argc || !ParseCount(argv[i + 1], &value)) {
      std::fprintf(stderr, "quorvafix-make-registry: %s needs a count\n%s", option.c_str(), USAGE);
      return 2;
    }
    ++i;
    int n = static_cast<int>(value);
    if (option == "--dialect" && (n == 4 || n == 5)) {
      shape.dialect = n == 4 ? ExportDialect::Regedit4 : ExportDialect::Unicode5;
    } else if (option == "--megabytes") {
      shape.keys = ScaledShape(shape.dialect, n, 0).keys;
      shape.values = ScaledShape(shape.dialect, n, 0).values;
    } else if (option == "--keys") {
      shape.keys = n;
    } else if (option == "--values") {
      shape.values = n;
    } else if (option == "--drivers") {
      shape.drivers = n;
    } else if (option == "--faulty") {
      shape.faulty = n;
    } else if (option == "--seed") {
      shape.seed = static_cast<uint64_t>(value);
    } else {
      std::fprintf(stderr, "quorvafix-make-registry: bad option %s\n%s", option.c_str(), USAGE);
      return 2;
    }
  }
  if (out_path == nullptr) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  RegistryCounts counts;
  std::string bytes = GenerateRegFile(shape, &counts);
  FILE* out = std::fopen(out_path, "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "quorvafix-make-registry: cannot write %s: %s\n", out_path,
                 std::strerror(errno));
    return 1;
  }
  std::printf("%s: %zu bytes, %d keys, %d values, %d active drivers (%d examined, %d faulty)\n",
              out_path, bytes.size(), counts.keys, counts.values, counts.drivers,
              counts.com_drivers, counts.faulty);
  return 0;
}
