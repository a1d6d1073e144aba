// The reader of registry export files (.reg). One linear pass over the bytes
// (taken from a RegByteSource piece by piece, so the whole file is never held
// at once, or read where they lie in memory) reports each key line and value
// line to a RegFileEvents, with the byte offsets later in-place edits need.
// A file that is not a registry export, or holds any line the reader cannot
// read exactly, is refused as a whole with its 1-based line number.
//
// What is read: the header line (leading blanks allowed, otherwise exact;
// the Windows 3.1 header "REGEDIT" is refused by name); "[ROOT\path]" key
// lines (the path runs to the line's last ']', after which only blanks may
// follow; the five root names match without regard to case; backslashes
// that end the path are dropped, "[ROOT\A\B\]" naming ROOT\A\B; other
// empty key names are refused) and "[-ROOT\path]" deletions (of a root:
// refused); value lines `"name"=` or `@=` (blanks allowed before and around
// '=') with data `"text"` (escapes \\ \" \n \r; any other escape is refused),
// `-` (deletes the value), `dword:` and 1-8 hex digits, `hex:` or `hex(N):`
// (N of 1-8 hex digits) with comma-separated bytes of 1-2 hex digits,
// continued by a backslash onto later lines where the next byte could stand
// (at the data's start or after a comma; blank and ';' comment lines in
// between are skipped, a '#' line there is refused as Windows drops the value;
// a continuation at the end of the file ends the data); comment
// lines starting with ';' or '#', and ';' comments after the data. In a
// REGEDIT4 file the bytes of hex(1), hex(2) and hex(7) are Windows-1252 text,
// reported as UTF-16. The data of hex(2) and hex(7) that does not end in a
// NUL character is reported with one appended (in version 5.00 files, NUL
// bytes up to a whole zero UTF-16 unit); empty data stays empty. A value line
// needs a key section open: one before any key line, or after a deletion, is
// refused.
//
// Encodings: see DetectEncoding. "REGEDIT4" files are Windows-1252 text
// without a byte-order mark or UTF-16LE (with or without one); version 5.00
// files are UTF-16LE (with or without a mark) or UTF-8 (with or without one);
// invalid UTF-8 inside a name, string or key path is refused, and so is
// UTF-16 big-endian text (mark FE FF). Each line ends with CRLF, LF or a lone
// CR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_line_reader.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"

// Where a value's data stands in the file: bytes [begin, end), from the first
// character of the data to the last one that belongs to it (a trailing
// comment and the line end excluded; continuation lines included).
struct RegSourceSpan {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// A value's data as read: text (UTF-16; the stored data is its UTF-16LE
// bytes) for quoted strings and narrow hex text, bytes otherwise; a NUL
// appended to unterminated hex(2) and hex(7) data is part of it. The views
// are valid during the event only. A deferred string (RegReadMode::Deferring)
// comes with its type and size but no text: ReadRegQuoted reads it from its
// span.
struct RegReadData {
  uint32_t type = 0;
  bool is_text = false;
  bool deferred = false;
  std::u16string_view text;
  const uint8_t* bytes = nullptr;
  size_t size = 0;
};

// What the reader reports, in file order. next_line is the byte offset just
// past the line's end (past the last continuation line for wrapped data).
class RegFileEvents {
 public:
  virtual ~RegFileEvents() = default;
  // A key line: its root, the path below it (empty for the root itself; no
  // empty names) and whether it deletes the key.
  virtual void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) = 0;
  // A value line of the section the last OnKey opened.
  virtual void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
                       uint64_t next_line) = 0;
  // A `"name"=-` line of that section.
  virtual void OnValueDeletion(std::u16string_view name, uint64_t next_line) = 0;
};

struct RegParseError {
  uint64_t line = 0;  // 1-based
  std::string reason;
  int read_error = 0;  // the errno value when the source failed, else 0
};

// The reason a refusal of the file at path gives: "PATH:N: REASON", or
// "PATH: cannot read: ERRNO TEXT" when the source failed.
std::string RegParseFailureText(const std::string& path, const RegParseError& error);

// How much a pass of the reader produces. Deferring reads as Full but only
// measures a quoted string on a line longer than REG_DEFERRED_LINE_UNITS units
// (RegReadData::deferred), so that a long text is built only once it is asked
// for. Checking a whole file without building anything is the index pass's
// work (reg_index_pass.h).
enum class RegReadMode { Full, Deferring };
constexpr size_t REG_DEFERRED_LINE_UNITS = 64 * 1024;

// Reads the file source supplies, reporting to events, and sets form
// (dialect, encoding, mark and the most frequent line end; CRLF when the file
// has none). Returns false with error set when the file is refused or the
// source fails; events may then have seen part of the file. Never reads
// outside its buffers; needs stack space independent of the input and memory
// for about one line beyond a fixed buffer.
bool ReadRegFile(RegByteSource& source, RegFileEvents& events, RegFileForm* form,
                 RegParseError* error);

// The same for the size bytes of a whole file at data, read where they are
// (never copied), in mode.
bool ReadRegBytes(const uint8_t* data, size_t size, RegReadMode mode, RegFileEvents& events,
                  RegFileForm* form, RegParseError* error);

// Reads one key section of the size bytes of a whole file at data, whose form
// a reading of the file set: the lines from byte offset begin (just past the
// section's key line) up to the next key line or the end, as values of the
// section the last OnKey opened (OnKey is never called). Offsets in the
// events are the file's; line numbers in error count from begin. For a file
// ReadRegBytes accepted, every section reads (true).
bool ReadRegSection(const uint8_t* data, size_t size, uint64_t begin, const RegFileForm& form,
                    RegReadMode mode, RegFileEvents& events, RegParseError* error);

// The text (its terminating NUL included) of the quoted string at span (from
// its opening quote to just past its closing one) of the size bytes of a
// whole file at data, whose form a reading of the file set; false when span
// holds no quoted string the reader accepts.
bool ReadRegQuoted(const uint8_t* data, size_t size, RegSourceSpan span, const RegFileForm& form,
                   std::u16string* text);
