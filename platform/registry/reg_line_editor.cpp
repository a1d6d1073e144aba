#include "platform/registry/reg_line_editor.h"

#include <algorithm>

#include "platform/registry/reg_value_format.h"

namespace {

// The unit of the file ending at byte offset end (end > BOM size).
char16_t UnitBefore(const std::vector<uint8_t>& file, const RegFileForm& form, size_t end) {
  if (form.UnitSize() == 1) return file[end - 1];
  return static_cast<char16_t>(file[end - 2] | (file[end - 1] << 8));
}

// The offset before the line end that ends at end, or end when none does.
size_t StripLineEnd(const std::vector<uint8_t>& file, const RegFileForm& form, size_t end) {
  size_t unit = form.UnitSize();
  size_t start = form.BomSize();
  if (end < start + unit) return end;
  char16_t last = UnitBefore(file, form, end);
  if (last == u'\n') {
    if (end >= start + 2 * unit && UnitBefore(file, form, end - unit) == u'\r')
      return end - 2 * unit;
    return end - unit;
  }
  return last == u'\r' ? end - unit : end;
}

// Units between the start of the line holding offset at and at.
size_t ColumnOf(const std::vector<uint8_t>& file, const RegFileForm& form, size_t at) {
  size_t column = 0;
  for (size_t p = at; p >= form.BomSize() + form.UnitSize(); p -= form.UnitSize()) {
    char16_t u = UnitBefore(file, form, p);
    if (u == u'\n' || u == u'\r') break;
    ++column;
  }
  return column;
}

// The bytes of file from form.open_continuation to its end, with the
// backslash that continues the file's last hex value past the end made a
// blank (the reader let only blank and comment lines follow it). Comments,
// blanks and line ends stay, so the value's data and every other byte read
// as before.
std::vector<uint8_t> EndedContinuation(const std::vector<uint8_t>& file, const RegFileForm& form) {
  std::vector<uint8_t> tail(file.begin() + form.open_continuation, file.end());
  tail[0] = ' ';
  return tail;
}

}  // namespace

RegStatus EncodeForFile(const RegFileForm& form, std::u16string_view text,
                        std::vector<uint8_t>* out, std::string* reason) {
  if (EncodeText(form.encoding, text, out)) return ERROR_SUCCESS;
  *reason = form.encoding == RegEncoding::CodePage1252
                ? "the text holds characters that Windows-1252 lacks"
                : "the text holds an unpaired UTF-16 surrogate, which UTF-8 cannot carry";
  return ERROR_NOT_SUPPORTED;
}

RegStatus PlanValueEdit(const std::vector<uint8_t>& file, const RegValueLocation& where,
                        const RegValueWrite& value, RegSplice* splice, std::string* reason) {
  const uint32_t type = value.type;
  const uint8_t* data = value.data;
  const size_t size = value.size;
  const RegFileForm& form = where.form;
  std::u16string_view eol = LineEndText(form.line_end);
  std::u16string text;
  splice->bytes.clear();
  if (where.value_found && where.type == type && where.data.size() == size &&
      std::equal(where.data.begin(), where.data.end(), data)) {
    // Data the file holds already stays as it is written.
    splice->begin = splice->end = where.span.begin;
    return ERROR_SUCCESS;
  }
  if (where.value_found) {
    size_t column = ColumnOf(file, form, where.span.begin);
    if (RegStatus status =
            FormatValueData(form.dialect, type, data, size, column, eol, &text, reason)) {
      return status;
    }
    splice->begin = where.span.begin;
    splice->end = where.span.end;
    return EncodeForFile(form, text, &splice->bytes, reason);
  }

  std::u16string line = FormatValueName(value.name) + u"=";
  std::u16string data_text;
  if (RegStatus status =
          FormatValueData(form.dialect, type, data, size, line.size(), eol, &data_text, reason)) {
    return status;
  }
  line += data_text;
  size_t at = where.key_has_section ? where.append_at : file.size();
  bool at_unended_end = at == file.size() && StripLineEnd(file, form, at) == at;
  if (where.key_has_section) {
    text = at_unended_end ? std::u16string(eol) + line : line + std::u16string(eol);
  } else {
    std::u16string key_line = FormatKeyLine(value.root, value.key_path);
    if (key_line.empty()) {
      *reason = "the key has no predefined root";
      return ERROR_INVALID_PARAMETER;
    }
    size_t before_end = StripLineEnd(file, form, at);
    bool blank_last = before_end != at && StripLineEnd(file, form, before_end) != before_end;
    if (at_unended_end) text += eol;
    if (!blank_last) text += eol;
    text += key_line;
    text += eol;
    text += line;
    if (!at_unended_end) text += eol;
  }
  splice->begin = splice->end = at;
  if (at == file.size() && form.open_continuation != 0) {
    splice->begin = form.open_continuation;
    splice->bytes = EndedContinuation(file, form);
  }
  return EncodeForFile(form, text, &splice->bytes, reason);
}
