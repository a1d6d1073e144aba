// GenerateRegFile: the generated registry written as a .reg export, the way
// the handheld's and the desktop's registry editors write one.
#include <cstdio>

#include "bench/registry_generator.h"
#include "platform/code_page.h"

namespace {

constexpr char CRLF[] = "\r\n";
// Hex data breaks once a line reaches this column.
constexpr size_t HEX_WRAP_COLUMN = 76;

// Collects the export as Windows-1252 text; the UTF-16 dialect is widened at
// the end, so that columns are counted in characters either way.
class RegFileSink : public RegistrySink {
 public:
  explicit RegFileSink(ExportDialect dialect) : dialect_(dialect) {
    out_ = dialect == ExportDialect::Regedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00";
    out_ += CRLF;
  }

  void Key(const std::string& root, const std::string& path) override {
    out_ += CRLF;
    out_ += '[';
    out_ += root;
    if (!path.empty()) {
      out_ += '\\';
      out_ += path;
    }
    out_ += ']';
    out_ += CRLF;
  }

  void String(const std::string& name, const std::string& text) override {
    Name(name);
    out_ += '"';
    Escaped(text);
    out_ += '"';
    out_ += CRLF;
  }

  void Dword(const std::string& name, uint32_t value) override {
    Name(name);
    char digits[20];
    std::snprintf(digits, sizeof digits, "dword:%08x", value);
    out_ += digits;
    out_ += CRLF;
  }

  void Text(const std::string& name, uint32_t type, const std::string& text) override {
    // The stored form: narrow text in a REGEDIT4 file, UTF-16LE in the other.
    std::vector<uint8_t> bytes;
    for (char c : text) {
      char16_t unit = CodePageToWide(static_cast<unsigned char>(c));
      if (dialect_ == ExportDialect::Regedit4) {
        bytes.push_back(static_cast<uint8_t>(c));
      } else {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
      }
    }
    bytes.push_back(0);
    if (dialect_ == ExportDialect::Unicode5) bytes.push_back(0);
    Hex(name, type, bytes);
  }

  void Binary(const std::string& name, const std::vector<uint8_t>& bytes) override {
    Hex(name, 3, bytes);
  }

  std::string Finish() {
    out_ += CRLF;
    if (dialect_ == ExportDialect::Regedit4) return std::move(out_);
    std::string wide = "\xFF\xFE";
    wide.reserve(2 * out_.size() + 2);
    for (char c : out_) {
      char16_t unit = CodePageToWide(static_cast<unsigned char>(c));
      wide += static_cast<char>(unit & 0xFF);
      wide += static_cast<char>(unit >> 8);
    }
    return wide;
  }

 private:
  void Name(const std::string& name) {
    if (name.empty()) {
      out_ += "@=";
      return;
    }
    out_ += '"';
    Escaped(name);
    out_ += "\"=";
  }

  void Escaped(const std::string& text) {
    for (char c : text) {
      if (c == '\\' || c == '"') out_ += '\\';
      out_ += c;
    }
  }

  void Hex(const std::string& name, uint32_t type, const std::vector<uint8_t>& bytes) {
    size_t line_start = out_.size();
    Name(name);
    char tag[20];
    std::snprintf(tag, sizeof tag, type == 3 ? "hex:" : "hex(%x):", type);
    out_ += tag;
    static const char DIGITS[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
      out_ += DIGITS[bytes[i] >> 4];
      out_ += DIGITS[bytes[i] & 15];
      if (i + 1 == bytes.size()) break;
      out_ += ',';
      if (out_.size() - line_start >= HEX_WRAP_COLUMN) {
        out_ += "\\";
        out_ += CRLF;
        line_start = out_.size();
        out_ += "  ";
      }
    }
    out_ += CRLF;
  }

  ExportDialect dialect_;
  std::string out_;
};

}  // namespace

std::string GenerateRegFile(const RegistryShape& shape, RegistryCounts* counts) {
  RegFileSink sink(shape.dialect);
  RegistryCounts made = GenerateRegistry(shape, sink);
  if (counts != nullptr) *counts = made;
  return sink.Finish();
}
