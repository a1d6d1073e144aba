// Registry files the reader refuses, each with the line and the reason it
// must name: shared by the tests of every way the reader reads a file.
#pragma once

#include <cstdint>

struct BadRegText {
  const char* text;  // after the header "REGEDIT4\n"
  uint64_t line;
  const char* reason;
};

// Bodies of REGEDIT4 files, one for each reason a line is refused.
inline const BadRegText BAD_REGEDIT4_BODIES[] = {
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:123456789\n", 3, "dword: needs 1 to 8 hex digits"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:\n", 3, "dword: needs 1 to 8 hex digits"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:12 x\n", 3, "unexpected text after the dword"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=DWORD:1\n", 3, "unknown value data form"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=Hex:01\n", 3, "unknown value data form"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\n", 3, "unknown value data form"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:1,,2\n", 3, "hex byte expected"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:,1\n", 3, "hex byte expected"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:123\n", 3, "',' expected between hex bytes"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01 02\n", 3, "',' expected between hex bytes"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(1g):00\n", 3, "malformed hex(N): type"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(123456789):00\n", 3, "malformed hex(N): type"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex():00\n", 3, "malformed hex(N): type"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(2)00\n", 3, "malformed hex(N): type"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\n", 3, "quoted text without its closing quote"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\\\"\n", 3, "quoted text without its closing quote"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v=\"x\"\n", 3, "'=' expected after the value name"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"C:\\Windows\"\n", 3,
     "unknown escape sequence in quoted text"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\" y\n", 3, "unexpected text after the closing quote"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\" \"x\"\n", 3, "'=' expected after the value name"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=- x\n", 3, "unexpected text after '-'"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,\\ x\n", 3, "unexpected text after '\\'"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,\\\n\n;c\n\"w\"=\"x\"\n", 6, "hex byte expected"},
    {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,\\\n;c\n#c\n  02\n", 5,
     "a '#' line inside wrapped hex data"},
    {"[HKEY_LOCAL_MACHINE\\K]\nv=1\n", 3, "not a key, value or comment line"},
    {"\n\n! note\n", 4, "not a key, value or comment line"},
    {"\"v\"=\"x\"\n", 2, "a value line before any key line"},
    {"[-HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n", 3, "a value line after a key deletion"},
    {"[HKEY_LOCAL_MACHINE\\K\n", 2, "a key line must end with ']'"},
    {"[HKEY_LOCAL_MACHINE\\K] x\n", 2, "a key line must end with ']'"},
    {"[\n", 2, "a key line must end with ']'"},
    {"[]\n", 2, "unknown root key"},
    {"[HKLM\\K]\n", 2, "unknown root key"},
    {"[ HKEY_LOCAL_MACHINE\\K]\n", 2, "unknown root key"},
    {"[HKEY_LOCAL_MACHINE\\\\K]\n", 2, "empty key name in the key path"},
    {"[HKEY_LOCAL_MACHINE\\K\\\\L]\n", 2, "empty key name in the key path"},
    {"[-HKEY_LOCAL_MACHINE]\n", 2, "a root key cannot be deleted"},
    {"[HKEY_LOCAL_MACHINE\\K]\r\r\n\r\"v\"=dword:1x\n", 5, "unexpected text after the dword"},
};
