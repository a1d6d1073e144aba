// Registry patch files: a registry export that holds only chosen string
// values, written in the dialect, encoding, mark and line end of a loaded
// registry file, so that importing it elsewhere makes the same change.
// Save the result with SaveFileSafely (platform/files/lock_file.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/reg_file_store.h"

struct RegStringEdit {
  RegKey root;                // a predefined root
  std::u16string key_path;    // below the root, e.g. u"Drivers\\BuiltIn\\Serial"
  std::u16string value_name;  // empty: the default value
  std::u16string text;        // stored as a type-1 string
};

// The bytes of a registry file in store's form: the header and a blank line,
// then for each key the edits name (in order of first mention) its key line,
// one `"name"="text"` line per value (a later edit of the same key and name
// replaces an earlier one) and a blank line, the way regedit exports. Keys
// and values the store holds keep the store's spelling.
// A key path is read as RegTree::Find reads it: one trailing backslash is
// ignored. ERROR_INVALID_PARAMETER when a root is not predefined or a key
// path is malformed (any other empty name, or a line break in it); ERROR_NOT_SUPPORTED when
// the form cannot hold a name or text exactly (a character outside
// Windows-1252 in a REGEDIT4 file, a NUL inside a text). *failure says which
// edit. Example: one edit of HKLM "Drivers\BuiltIn\Serial" "Dll" to
// "BTCEIF.DLL" for a REGEDIT4/CRLF store gives "REGEDIT4\r\n\r\n
// [HKEY_LOCAL_MACHINE\Drivers\BuiltIn\Serial]\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n\r\n".
RegStatus BuildRegPatch(const RegFileStore& store, const std::vector<RegStringEdit>& edits,
                        std::vector<uint8_t>* bytes, std::string* failure);
// The same for a registry that no file holds (a handheld's, read over its
// link): in form, keys and value names spelled as the edits give them.
RegStatus BuildRegPatch(const RegFileForm& form, const std::vector<RegStringEdit>& edits,
                        std::vector<uint8_t>* bytes, std::string* failure);
