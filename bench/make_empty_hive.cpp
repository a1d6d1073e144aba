// quorvafix-make-empty-hive OUT: writes an empty Windows registry hive (the
// binary "regf" format), into which bench/compare.sh has the general
// registry tools import a generated export. Neither of those tools creates a
// hive of its own.
//
// Layout: a 4096-byte base block, then one 4096-byte hive bin holding the
// root key cell "ROOT" (no subkeys, no values), the security cell it refers
// to (a self-relative descriptor with no DACL: full access), and one free
// cell for the rest of the bin. Offsets inside the bins count from the first
// bin; all numbers are little-endian.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t BASE_BLOCK = 0x1000;
constexpr size_t BIN_SIZE = 0x1000;
constexpr uint32_t ROOT_CELL = 0x20;       // just after the bin header
constexpr uint32_t ROOT_CELL_SIZE = 0x58;  // 0x50 fixed part + "ROOT", 8-aligned
constexpr uint32_t SECURITY_CELL = ROOT_CELL + ROOT_CELL_SIZE;
constexpr uint32_t SECURITY_CELL_SIZE = 0x30;  // 0x18 fixed part + 20-byte descriptor
constexpr uint32_t FREE_CELL = SECURITY_CELL + SECURITY_CELL_SIZE;
constexpr uint32_t NONE = 0xFFFFFFFF;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return v;
}
void PutText(std::vector<uint8_t>& b, size_t at, const char* text) {
  std::memcpy(&b[at], text, std::strlen(text));
}

std::vector<uint8_t> EmptyHive() {
  std::vector<uint8_t> hive(BASE_BLOCK + BIN_SIZE, 0);
  // Base block.
  PutText(hive, 0x00, "regf");
  Put32(hive, 0x04, 1);  // primary sequence number
  Put32(hive, 0x08, 1);  // secondary sequence number (equal: consistent)
  Put32(hive, 0x14, 1);  // major version
  Put32(hive, 0x18, 3);  // minor version
  Put32(hive, 0x1C, 0);  // primary file
  Put32(hive, 0x20, 1);  // direct memory load
  Put32(hive, 0x24, ROOT_CELL);
  Put32(hive, 0x28, BIN_SIZE);  // size of the hive bins
  Put32(hive, 0x2C, 1);         // clustering factor
  uint32_t checksum = 0;
  for (size_t at = 0; at < 0x1FC; at += 4) checksum ^= Get32(hive, at);
  if (checksum == 0) checksum = 1;
  if (checksum == NONE) checksum = NONE - 1;
  Put32(hive, 0x1FC, checksum);

  // Hive bin header.
  const size_t bin = BASE_BLOCK;
  PutText(hive, bin + 0x00, "hbin");
  Put32(hive, bin + 0x04, 0);         // offset from the first bin
  Put32(hive, bin + 0x08, BIN_SIZE);  // size of this bin

  // Root key cell (allocated cells carry a negative size).
  const size_t nk = bin + ROOT_CELL;
  Put32(hive, nk + 0x00, static_cast<uint32_t>(-static_cast<int32_t>(ROOT_CELL_SIZE)));
  PutText(hive, nk + 0x04, "nk");
  Put16(hive, nk + 0x06, 0x2C);  // hive entry, not deletable, ASCII name
  Put32(hive, nk + 0x14, NONE);  // parent
  Put32(hive, nk + 0x20, NONE);  // subkey list
  Put32(hive, nk + 0x24, NONE);  // volatile subkey list
  Put32(hive, nk + 0x2C, NONE);  // value list
  Put32(hive, nk + 0x30, SECURITY_CELL);
  Put32(hive, nk + 0x34, NONE);  // class name
  Put16(hive, nk + 0x4C, 4);     // name length
  PutText(hive, nk + 0x50, "ROOT");

  // Security cell: a ring of one, used once.
  const size_t sk = bin + SECURITY_CELL;
  Put32(hive, sk + 0x00, static_cast<uint32_t>(-static_cast<int32_t>(SECURITY_CELL_SIZE)));
  PutText(hive, sk + 0x04, "sk");
  Put32(hive, sk + 0x08, SECURITY_CELL);  // next
  Put32(hive, sk + 0x0C, SECURITY_CELL);  // previous
  Put32(hive, sk + 0x10, 1);              // reference count
  Put32(hive, sk + 0x14, 20);             // descriptor size
  hive[sk + 0x18] = 1;                    // descriptor revision
  Put16(hive, sk + 0x1A, 0x8004);         // self-relative, DACL present (null: full access)

  // The rest of the bin is one free cell.
  Put32(hive, bin + FREE_CELL, static_cast<uint32_t>(BIN_SIZE - FREE_CELL));
  return hive;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quorvafix-make-empty-hive OUT\n", stderr);
    return 2;
  }
  std::vector<uint8_t> hive = EmptyHive();
  FILE* out = std::fopen(argv[1], "wb");
  bool written = out != nullptr && std::fwrite(hive.data(), 1, hive.size(), out) == hive.size();
  if (out != nullptr && std::fclose(out) != 0) written = false;
  if (!written) {
    std::fprintf(stderr, "quorvafix-make-empty-hive: cannot write %s: %s\n", argv[1],
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
