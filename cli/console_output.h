// Windows: reports reach a console in UTF-16. The tool writes UTF-8 through
// the C runtime everywhere; standard output or error that is a console is
// moved onto a pipe whose reader hands whole characters to WriteConsoleW, so
// that any character shows whatever the console's code page. Pipes and
// files keep getting the UTF-8 bytes themselves.
#pragma once

// Call before anything is written to standard output or error.
void SendConsoleOutputAsUtf16();
// Call after the last write: closes the moved streams and waits until the
// console has everything.
void FinishConsoleOutput();
// Whether the C runtime's descriptor fd is a console, or was one before
// SendConsoleOutputAsUtf16 moved it.
bool IsConsole(int fd);
