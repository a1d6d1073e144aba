// Where the benchmarks find their generated registry exports: files in the
// build's bench-data folder, generated on first use and kept for later runs
// (never committed). Each file's name identifies its shape.
#pragma once

#include <cstdint>
#include <string>

#include "bench/registry_generator.h"

// The path of the export of shape, generating it first when it is missing.
// Generation writes a temporary file and renames it, so a run that is
// interrupted leaves no half-written export behind. Aborts with a message
// when the folder cannot be written.
std::string BenchFile(const RegistryShape& shape);

// The size in bytes of the file at path (0 when it cannot be read).
uint64_t FileSize(const std::string& path);

// Copies the file at from over to (for a rewrite benchmark's fresh input).
void CopyFile(const std::string& from, const std::string& to);
