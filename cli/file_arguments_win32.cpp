#include <windows.h>

#include <algorithm>

#include "cli/file_arguments.h"
#include "platform/files/win32_path.h"

namespace {

// The names of the files (not folders) pattern matches, in NTFS's order.
std::vector<std::wstring> Matches(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  return names;
}

}  // namespace

void AddFileArgument(const std::string& argument, std::vector<std::string>* files) {
  const size_t name_at = argument.find_last_of("\\/:") + 1;  // 0 when there is no folder part
  std::wstring pattern;
  std::vector<std::wstring> names;
  if (argument.find_first_of("*?", name_at) != std::string::npos && WidePath(argument, &pattern))
    names = Matches(pattern);
  if (names.empty()) {
    files->push_back(argument);
    return;
  }
  for (const std::wstring& name : names)
    files->push_back(argument.substr(0, name_at) + NarrowPath(name));
}
