// write_resource_script DIR: writes DIR/quorvafix.rc and its icons
// DIR/quorvafix-ID.ico from QUORVAFIX's resource tables. Run it into
// resources/ whenever the tables change (resource_script_test says when).
#include <cstdio>
#include <fstream>
#include <string>

#include "resources/quorvafix_resources.h"
#include "resources/resource_script.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: write_resource_script DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  const ResourceModule& module = QuorvafixResources();
  bool ok = Write(dir + "/quorvafix.rc", ResourceScript(module, "quorvafix"));
  for (int i = 0; i < module.icon_count; ++i) {
    std::vector<uint8_t> icon = IconFile(module.icons[i]);
    ok = ok && !icon.empty() &&
         Write(dir + "/quorvafix-" + std::to_string(module.icons[i].id) + ".ico",
               std::string(icon.begin(), icon.end()));
  }
  if (!ok) std::fprintf(stderr, "write_resource_script: cannot write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
