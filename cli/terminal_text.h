// The one escaping rule for text the tool prints: every control character that
// comes from a file or a file name is shown as an escape, so that nothing read
// can move the cursor, ring the bell or start a terminal sequence.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// utf8 with its control characters escaped: the C0 controls U+0000 to U+001F
// (tab only when keep_tab is false), DEL U+007F and the C1 controls U+0080 to
// U+009F. Line feed, carriage return and tab are written "\n", "\r" and "\t";
// every other one "\xNN", NN its code in lower-case hex. Everything else,
// backslashes and bytes that are not UTF-8 included, passes unchanged.
// Example: "COM1:\x1b[2J\a" gives "COM1:\\x1b[2J\\x07"; "\xC2\x9B" gives "\\x9b".
std::string EscapeControls(std::string_view utf8, bool keep_tab = true);

// The code of the control character (C0, DEL or C1) that starts at utf8[at],
// setting *length to its bytes (1, or 2 for C1); -1 for anything else.
// Example: "\xC2\x85" at 0 gives 0x85 and length 2.
int ControlCodeAt(std::string_view utf8, size_t at, size_t* length);

// Prints "quorvafix-cli: MESSAGE\n" to err with message's control characters
// escaped, so that every message is one line.
void PrintErrorLine(std::FILE* err, std::string_view message);
