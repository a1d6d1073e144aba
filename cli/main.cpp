// quorvafix-cli: the driver scan and repair from the command line.
#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "usage: quorvafix-cli --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quorvafix-cli %s\n", QUORVAFIX_VERSION);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
