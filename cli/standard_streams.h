// The tool's standard streams. A descriptor 0, 1 or 2 the tool was started
// without is taken up at once, so that no file the tool opens (a registry, a
// lock) can land on it and receive the report; standard output is checked
// when the tool ends, as GNU tools do, so that a lost report never passes
// for success.
#pragma once

#include <cstdio>

// Opens each of descriptors 0, 1 and 2 that is closed on a file where every
// transfer fails (/dev/null opened the other way round), so that writing the
// report then fails with EBADF and is reported. Returns whether standard
// input was among them: it then stands for nothing to read. POSIX only: a
// Windows process's missing standard handle fails each write by itself.
#ifndef _WIN32
bool OccupyClosedStandardDescriptors();
#endif

// Call right after writing to out: when out is standard output and a write
// failed, keeps its errno (EPIPE, ENOSPC) for CloseOutput before another call
// changes it. A report larger than the stream's buffer fails inside the write.
void KeepWriteError(std::FILE* out);

// Flushes out, keeping the errno of the first failure for CloseOutput.
// Returns 0 when everything written to out so far reached it, else that
// errno (EIO where the stream recorded an error without one).
int FlushOutput(std::FILE* out);

// Flushes and closes out: 0 when everything written to it reached it, else
// the errno of the first failure (EIO where the stream recorded an error
// without one).
int CloseOutput(std::FILE* out);
