// File paths and the store's reasons, which are UTF-8 on this system, as the
// wide text the platform's calls take.
#pragma once

#include <string>

// The UTF-16 form of UTF-8 text; a byte that does not start a well-formed
// sequence becomes U+FFFD. Example: "pd\xC3\xA1" gives u"pd\u00E1".
std::u16string WideOfUtf8(const std::string& text);

// Whether path names a file without the current folder: it starts with '/'
// (on Windows: a drive and a separator, as in C:\x, or two separators, as
// in \\host\share).
bool IsAbsolutePath(const std::string& path);

// path made absolute against the current folder (unchanged when it is
// absolute already or empty; no link is resolved). Example: "a.reg" in
// /home/ana gives "/home/ana/a.reg"; on Windows "a.reg" in C:\Users\ana gives
// "C:\Users\ana\a.reg".
std::string AbsolutePath(const std::string& path);

// The last name of path, after its last separator ('/', and on Windows also
// the backslash, as FolderOf of rewrite_target.h has it); path itself when
// it has none. Example: "/home/ana/a.reg" gives "a.reg".
std::string FileNameOf(const std::string& path);
