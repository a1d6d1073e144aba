// Test-only Win32 calls on files named in UTF-8, for tests that also include
// the registry's names (which windows.h would redefine). Windows only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// GetFileAttributesW; UINT32_MAX when it fails.
uint32_t FileAttributesOf(const std::string& path);
bool SetFileAttributesTo(const std::string& path, uint32_t attributes);
bool MakeFolder(const std::string& path);
bool MakeHardLink(const std::string& link, const std::string& existing);
// DeleteFileW, as the console handler removes a lock.
bool DeleteNamed(const std::string& path);
// The file at path opened for reading and writing as another program holds
// it, sharing only what share allows (SHARE_ bits), until the result goes;
// null when it cannot be opened.
std::shared_ptr<void> HoldOpen(const std::string& path, uint32_t share);

// Attribute bits as Windows numbers them.
constexpr uint32_t ATTRIBUTE_READONLY = 0x1;
constexpr uint32_t ATTRIBUTE_HIDDEN = 0x2;
constexpr uint32_t ATTRIBUTE_SYSTEM = 0x4;
constexpr uint32_t ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t ATTRIBUTE_NOT_CONTENT_INDEXED = 0x2000;
// Share-mode bits as Windows numbers them.
constexpr uint32_t SHARE_READ = 0x1;
constexpr uint32_t SHARE_WRITE = 0x2;
