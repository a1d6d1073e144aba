// Support for the registry tests: the byte forms of texts and a parsed
// registry file to inspect, beside the scratch folders and whole-file reads
// and writes of platform/files/testing/scratch_files.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/testing/scratch_files.h"
#include "platform/registry/reg_tree_reader.h"

// The bytes of a narrow text.
std::vector<uint8_t> NarrowBytes(const std::string& text);
// The UTF-16LE bytes of text, after FF FE when bom.
std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool bom = false);
// The UTF-16LE bytes of text and a NUL terminator: a type-1 value's data.
std::vector<uint8_t> Utf16z(std::u16string_view text);
// ASCII text as UTF-16, one unit per byte. Example: WideAscii("Dll") gives u"Dll".
std::u16string WideAscii(const std::string& ascii);

// A REGEDIT4 export whose one COM-port driver, COM5:, has the navigation
// product's Dll "QVBTDEV.DLL": a faulty handheld in its smallest form.
constexpr char FAULTY_EXPORT[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
    "\"Name\"=\"COM5:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\BtSerial\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n"
    "\"Dll\"=\"QVBTDEV.DLL\"\r\n";

// A registry file read into a tree.
struct ParsedRegFile {
  bool ok = false;
  RegTree tree;
  RegFileForm form;
  RegParseError error;

  // The value of the key at path below root, or null.
  const RegValueEntry* Value(std::u16string_view path, std::u16string_view name,
                             RegKey root = HKEY_LOCAL_MACHINE) const;
};
std::unique_ptr<ParsedRegFile> ParseBytes(const std::vector<uint8_t>& bytes);
std::unique_ptr<ParsedRegFile> ParseText(const std::string& text);
// The tree as text: keys depth first ("[HKEY_LOCAL_MACHINE\\K]" lines), each
// followed by its values ("Name=TYPE:b,b,...,"), which this reads; names and
// paths exactly as the tree holds them.
std::u16string ExactDump(const RegTree& tree);
// ExactDump's line for one value: "NAME=TYPE:B,B,...," and a line end.
std::u16string ExactDumpValueLine(std::u16string_view name, uint32_t type,
                                  const std::vector<uint8_t>& data);
// ExactDump as UTF-8 (MessageText), for messages and comparisons.
std::string DumpTree(const RegTree& tree);

// The start of most test files: the REGEDIT4 header, a blank line and the
// key line of HKEY_LOCAL_MACHINE\K, each ended by CRLF.
extern const std::string REGEDIT4_HEAD;

// Gives at most step bytes per read, so that every line end, escape, CRLF
// pair and UTF-16 unit falls across a refill somewhere.
class TrickleSource : public RegByteSource {
 public:
  TrickleSource(const std::vector<uint8_t>& bytes, size_t step) : bytes_(bytes), step_(step) {}
  int Read(uint8_t* buffer, size_t size, size_t* got) override;

 private:
  const std::vector<uint8_t>& bytes_;
  size_t step_;
  size_t at_ = 0;
};
