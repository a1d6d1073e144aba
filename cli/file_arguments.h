// The FILE arguments of quorvafix-cli as the system's own programs take them.
// A POSIX shell expands wildcards before the tool starts; Windows' cmd passes
// them on as typed, and each program expands them itself.
#pragma once

#include <string>
#include <vector>

// Appends to files what argument names. On POSIX systems: argument itself.
// On Windows: an argument holding '*' or '?' in its file-name part (after the
// last '\', '/' or ':') stands for the files it matches (FindFirstFileW; no
// folders), sorted as NTFS lists them (by name, ignoring case), each with
// the argument's folder part as it was typed; an argument matching nothing,
// or with a wildcard only in its folder part, stays as it is (and is refused
// as a file that cannot be read). Quotes make no difference: they are gone
// before the program sees its arguments, and no Windows file name holds '*'
// or '?'. Example: "exports\*.reg" gives "exports\a.reg", "exports\B.reg".
void AddFileArgument(const std::string& argument, std::vector<std::string>* files);
