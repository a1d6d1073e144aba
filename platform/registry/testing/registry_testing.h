// Support for the registry tests: a scratch folder removed with everything
// in it when the TempDir goes, whole-file reads and writes that throw on
// failure, the byte forms of texts, and a parsed registry file to inspect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_tree_reader.h"

class TempDir {
 public:
  // A new, empty folder under $TMPDIR (or /tmp; on Windows the user's
  // temporary folder).
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
// Permission bits (07777) of path, following links; -1 when missing.
int ModeOf(const std::string& path);
// Whether path names something that exists (a link when its target does).
bool Exists(const std::string& path);

// The bytes of a narrow text.
std::vector<uint8_t> NarrowBytes(const std::string& text);
// The UTF-16LE bytes of text, after FF FE when bom.
std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool bom = false);
// The UTF-16LE bytes of text and a NUL terminator: a type-1 value's data.
std::vector<uint8_t> Utf16z(std::u16string_view text);
// ASCII text as UTF-16, one unit per byte. Example: WideAscii("Dll") gives u"Dll".
std::u16string WideAscii(const std::string& ascii);

// text with each '@' replaced by file and each '#' by folder: an expected
// failure reason written once for every scratch folder.
// Example: ("cannot sync #", "/t/a", "/t") gives "cannot sync /t".
std::string WithPaths(std::string text, const std::string& file, const std::string& folder);

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
