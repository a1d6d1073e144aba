// File paths and the store's reasons, which are UTF-8 on this system, as the
// wide text the platform's calls take.
#pragma once

#include <string>

// The UTF-16 form of UTF-8 text; a byte that does not start a well-formed
// sequence becomes U+FFFD. Example: "pd\xC3\xA1" gives u"pd\u00E1".
std::u16string WideOfUtf8(const std::string& text);

// path made absolute against the current folder (unchanged when it starts
// with '/' or is empty; no link is resolved). Example: "a.reg" in /home/ana
// gives "/home/ana/a.reg".
std::string AbsolutePath(const std::string& path);
