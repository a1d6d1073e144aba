// What the tool's process sets up before it runs (entry_posix.cpp,
// entry_win32.cpp) and the one function every entry point calls.
#pragma once

// The C runtime's descriptors of standard input and standard error.
constexpr int STANDARD_INPUT = 0;
constexpr int STANDARD_ERROR = 2;

// Whether the C runtime's descriptor fd is a terminal (a console on Windows).
bool IsTerminal(int fd);

// The tool itself: argv in UTF-8, argv[0] the program. Returns the exit
// status. The entry point has prepared the process: closed standard
// descriptors occupied, locks removed on termination, standard streams in
// binary mode on Windows. stdin_closed: the process was started without
// standard input, so "-" stands for nothing to read.
int RunTool(int argc, char** argv, bool stdin_closed);
