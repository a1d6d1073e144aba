// Minimal edits of a registry export file: storing one value changes only the
// bytes of that value's data, or adds one line (or one section) and nothing
// else, so every other byte, the encoding, the mark and each line's own end
// stay as they were. Works on the file's bytes and what LocateRegValue finds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_splice.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_value_locator.h"

// A value to store: value name (type, size bytes of data; the caller keeps
// them alive) in the key at key_path below root.
struct RegValueWrite {
  RegKey root = 0;
  std::u16string_view key_path;
  std::u16string_view name;
  uint32_t type = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Plans storing value in file, where where is what LocateRegValue found there:
// - a value the file holds already with this very type and data: nothing
//   changes (the splice is empty), however the data is written;
// - a value the file holds already: its data text is replaced where it
//   stands (the last definition, the one that counts), keeping the name's
//   spelling, the blanks around '=', a trailing comment and the line end;
// - a new value of a key with a section: the line `"name"=data` is inserted
//   after the last key or value line of the key's last section;
// - a key without a section: a blank line, its key line and the value line
//   are appended at the end of the file.
// Inserted lines end with the file's dominant line end; at the end of a file
// whose last line has no line end, the new text goes after a line end
// instead, and the file still ends without one. When the file's last hex
// value is continued past its end (RegFileForm::open_continuation), text
// added at the end first turns the backslash of that continuation into a
// blank, which keeps that value's data; it is the one case where bytes
// other than the new line change. Hex data is wrapped like
// regedit. ERROR_NOT_SUPPORTED with *reason when the file's dialect or
// encoding cannot hold the value exactly (see FormatValueData and
// EncodeText); ERROR_INVALID_PARAMETER when root is not a predefined root.
RegStatus PlanValueEdit(const std::vector<uint8_t>& file, const RegValueLocation& where,
                        const RegValueWrite& value, RegSplice* splice, std::string* reason);

// Encodes text for a file of form, with the reason EncodeText refuses it.
RegStatus EncodeForFile(const RegFileForm& form, std::u16string_view text,
                        std::vector<uint8_t>* out, std::string* reason);
