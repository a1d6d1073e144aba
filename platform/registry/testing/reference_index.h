// The key index of a registry file two ways, for differential tests: as the
// line-by-line reader reports it while reading every value (ReadRegBytes in
// Full mode, the reference), and as the one-pass index (IndexRegBytes) does.
// Both must agree on every file: whether it is refused, the line and reason,
// the form, the keys in order and where each key section's values start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_text_codec.h"

struct KeyIndexReading {
  bool ok = false;
  RegFileForm form;     // meaningful when ok
  RegParseError error;  // meaningful when refused
  // "key ROOT\PATH", "deletion ROOT\PATH" (paths as UTF-8) and "values
  // OFFSET" for a section's first value line, in file order; when ok.
  std::vector<std::string> events;
};

KeyIndexReading ReferenceKeyIndex(const std::vector<uint8_t>& bytes);
KeyIndexReading PassKeyIndex(const std::vector<uint8_t>& bytes);

// What differs between two readings ("" when they agree), for messages.
std::string KeyIndexDifference(const KeyIndexReading& reference, const KeyIndexReading& pass);
