// Synthetic handheld registries for the benchmarks: realistic content (active
// drivers, built-in driver keys, software settings, control panel, file
// classes, networking) sized by key, value and active-driver counts, written
// as a .reg export in either dialect or fed to any other RegistrySink. The
// output is deterministic for a given shape (seeded), so runs compare like
// with like. Texts are Windows-1252; the generator keeps nothing between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ExportDialect {
  Regedit4,  // "REGEDIT4", Windows-1252 text
  Unicode5,  // "Windows Registry Editor Version 5.00", UTF-16LE with BOM
};

// What a generated registry holds. Counts are totals: the active-driver
// entries and their driver keys count towards keys and values, and unrelated
// keys fill the rest until both totals are reached. When the drivers alone
// exceed a total, the registry simply holds more.
struct RegistryShape {
  ExportDialect dialect = ExportDialect::Regedit4;
  int keys = 20000;
  int values = 120000;
  int drivers = 40;  // entries under HKEY_LOCAL_MACHINE\Drivers\Active
  int faulty = 1;    // COM drivers whose Dll is a QUORVA name (at most the COM drivers)
  uint64_t seed = 1;
};

// What a generation produced.
struct RegistryCounts {
  int keys = 0;
  int values = 0;
  int drivers = 0;
  int com_drivers = 0;  // entries the scan examines: Name "COM...", no PnpId, Key set
  int faulty = 0;
};

// The typical handheld export: 20,000 keys, 120,000 values, 40 active drivers,
// one of them faulty (about 5 MB as REGEDIT4, twice that as UTF-16).
RegistryShape TypicalShape(ExportDialect dialect);

// A larger export: about `megabytes` MB as REGEDIT4 (4,000 keys and 24,000
// values per MB) with `drivers` active drivers, one faulty.
RegistryShape ScaledShape(ExportDialect dialect, int megabytes, int drivers);

// Receives a registry key by key, in tree order (a key's parent comes before
// it, and each root is announced, with an empty path, before its first key).
// Names and texts are Windows-1252.
class RegistrySink {
 public:
  virtual ~RegistrySink() = default;
  // Starts key `path` (empty: the root itself) under `root`
  // ("HKEY_LOCAL_MACHINE", ...); the values that follow belong to it.
  virtual void Key(const std::string& root, const std::string& path) = 0;
  // A string value (type 1); an empty name is the default value.
  virtual void String(const std::string& name, const std::string& text) = 0;
  virtual void Dword(const std::string& name, uint32_t value) = 0;
  // A value of another type given as text: type 2 (expandable string, `text`
  // plus a terminator) or 7 (multi-string: `text` holds the strings, each
  // ending in NUL, and the list's final NUL).
  virtual void Text(const std::string& name, uint32_t type, const std::string& text) = 0;
  // Binary data (type 3).
  virtual void Binary(const std::string& name, const std::vector<uint8_t>& bytes) = 0;
};

// Feeds the registry of shape (its dialect is ignored) to sink.
RegistryCounts GenerateRegistry(const RegistryShape& shape, RegistrySink& sink);

// The bytes of the .reg export of shape: header line, blank line, then key
// sections in tree order, each followed by a blank line; CRLF line ends. Hex
// data wraps with ",\" at about 77 columns onto lines indented by two spaces.
// Types 2 and 7 are written as hex of the dialect's text encoding.
std::string GenerateRegFile(const RegistryShape& shape, RegistryCounts* counts = nullptr);

// A file name that identifies the shape: "reg4-k20000-v120000-d40-f1-s1.reg".
std::string ShapeFileName(const RegistryShape& shape);
