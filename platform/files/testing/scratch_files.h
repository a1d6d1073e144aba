// Support for the file tests: a scratch folder removed with everything in it
// when the TempDir goes, whole-file reads and writes that throw on failure,
// and expected failure texts written once for every scratch folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
 public:
  // A new, empty folder under $TMPDIR (or /tmp; on Windows the user's
  // temporary folder).
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
// Permission bits (07777) of path, following links; -1 when missing.
int ModeOf(const std::string& path);
// Whether path names something that exists (a link when its target does).
bool Exists(const std::string& path);

// text with each '@' replaced by file and each '#' by folder: an expected
// failure reason written once for every scratch folder.
// Example: ("cannot sync #", "/t/a", "/t") gives "cannot sync /t".
std::string WithPaths(std::string text, const std::string& file, const std::string& folder);
