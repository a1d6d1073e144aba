#include "platform/files/testing/memory_file_system.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>

std::vector<uint8_t> MemoryFileSystem::Bytes(const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? std::vector<uint8_t>() : it->second;
}

size_t MemoryFileSystem::Used() const {
  size_t used = 0;
  for (const auto& file : files_) used += file.second.size();
  return used;
}

int MemoryFileSystem::OpenExclusive(const std::string& path, uint32_t mode, int* fd) {
  if (files_.count(path) != 0) return EEXIST;
  files_[path];
  modes_[path] = mode & ~022u;  // as under the usual umask
  inodes_[path] = next_inode_++;
  stamps_[path] = Stamps();
  *fd = next_fd_++;
  open_[*fd] = Open{path, false, 0};
  return 0;
}

int MemoryFileSystem::Write(int fd, const uint8_t* data, size_t size, size_t* written) {
  auto it = open_.find(fd);
  if (it == open_.end() || it->second.reading) return EBADF;
  auto file = files_.find(it->second.path);
  if (file == files_.end()) return EBADF;  // unlinked while open: not modelled
  std::vector<uint8_t>& bytes = file->second;
  size_t& at = it->second.at;
  // Bytes written over take no room; only those past the end do.
  size_t used = Used();
  size_t over = bytes.size() > at ? bytes.size() - at : 0;
  size_t room = (capacity_ > used ? capacity_ - used : 0) + over;
  if (room == 0 && size > 0) return ENOSPC;
  size_t n = std::min({size, room, write_step_});
  if (bytes.size() < at + n) bytes.resize(at + n);
  std::copy(data, data + n, bytes.begin() + static_cast<std::ptrdiff_t>(at));
  at += n;
  ++stamps_[it->second.path].writes;
  *written = n;
  return 0;
}

int MemoryFileSystem::Fsync(int fd) { return open_.count(fd) != 0 ? 0 : EBADF; }

int MemoryFileSystem::Close(int fd) { return open_.erase(fd) != 0 ? 0 : EBADF; }

int MemoryFileSystem::OpenWrite(const std::string& path, int* fd) {
  if (files_.count(path) == 0) return ENOENT;
  *fd = next_fd_++;
  open_[*fd] = Open{path, false, 0};
  return 0;
}

int MemoryFileSystem::Truncate(int fd, uint64_t size) {
  auto it = open_.find(fd);
  if (it == open_.end() || it->second.reading) return EBADF;
  files_[it->second.path].resize(static_cast<size_t>(size));
  ++stamps_[it->second.path].writes;
  return 0;
}

int MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return ENOENT;
  std::vector<uint8_t> bytes = std::move(it->second);
  files_.erase(it);
  files_[to] = std::move(bytes);
  modes_[to] = modes_[from];
  modes_.erase(from);
  inodes_[to] = inodes_[from];
  inodes_.erase(from);
  stamps_[to] = stamps_[from];
  stamps_.erase(from);
  for (auto& open : open_) {
    if (open.second.path == from) open.second.path = to;
  }
  return 0;
}

int MemoryFileSystem::FsyncDir(const std::string&) { return 0; }

int MemoryFileSystem::Unlink(const std::string& path) {
  modes_.erase(path);
  inodes_.erase(path);
  stamps_.erase(path);
  return files_.erase(path) != 0 ? 0 : ENOENT;
}

int MemoryFileSystem::Stat(const std::string& path, FileStatus* status) {
  auto it = files_.find(path);
  if (it == files_.end()) return ENOENT;
  auto mode = modes_.find(path);
  status->mode = mode == modes_.end() ? 0644 : mode->second;
  status->size = it->second.size();
  status->kind = FileKind::Regular;
  status->owner = EffectiveUserId();
#ifdef _WIN32
  status->group = 0;  // as the Win32 file system reports every file
#else
  status->group = static_cast<uint32_t>(::getegid());
#endif
  status->links = 1;
  auto inode = inodes_.find(path);
  status->inode = inode == inodes_.end() ? 0 : inode->second;
  const Stamps stamps = stamps_.count(path) != 0 ? stamps_.at(path) : Stamps();
  status->modified_ns = stamps.writes;
  status->changed_ns = stamps.writes + stamps.status_changes;
  return 0;
}

int MemoryFileSystem::Fstat(int fd, FileStatus* status) {
  auto it = open_.find(fd);
  return it == open_.end() ? EBADF : Stat(it->second.path, status);
}

int MemoryFileSystem::MayWrite(const std::string& path) {
  return files_.count(path) != 0 ? 0 : ENOENT;
}

int MemoryFileSystem::SetOwner(int fd, uint32_t, uint32_t) {
  auto it = open_.find(fd);
  if (it == open_.end()) return EBADF;
  ++stamps_[it->second.path].status_changes;
  return 0;
}

int MemoryFileSystem::CopyAttributes(const std::string& from, int fd) {
  if (files_.count(from) == 0) return ENOENT;
  return open_.count(fd) != 0 ? 0 : EBADF;
}

int MemoryFileSystem::ListFolder(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  const std::string prefix = dir == "/" ? "/" : dir + "/";
  for (const auto& file : files_) {
    const std::string& path = file.first;
    if (path.compare(0, prefix.size(), prefix) == 0 &&
        path.find('/', prefix.size()) == std::string::npos) {
      names->push_back(path.substr(prefix.size()));
    }
  }
  return 0;
}

int MemoryFileSystem::ReadAll(const std::string& path, std::vector<uint8_t>* bytes) {
  auto it = files_.find(path);
  if (it == files_.end()) return ENOENT;
  *bytes = it->second;
  return 0;
}

int MemoryFileSystem::ReadLink(const std::string& path, std::string*) {
  return files_.count(path) != 0 ? EINVAL : ENOENT;
}

int MemoryFileSystem::SetMode(int fd, uint32_t mode) {
  auto it = open_.find(fd);
  if (it == open_.end()) return EBADF;
  modes_[it->second.path] = mode;
  ++stamps_[it->second.path].status_changes;
  return 0;
}

int MemoryFileSystem::OpenRead(const std::string& path, int* fd) {
  if (files_.count(path) == 0) return ENOENT;
  *fd = next_fd_++;
  open_[*fd] = Open{path, true, 0};
  return 0;
}

int MemoryFileSystem::Read(int fd, uint8_t* data, size_t size, size_t* got) {
  auto it = open_.find(fd);
  if (it == open_.end() || !it->second.reading) return EBADF;
  auto file = files_.find(it->second.path);
  if (file == files_.end()) return EBADF;
  size_t left = file->second.size() - std::min(it->second.at, file->second.size());
  *got = std::min({size, left, read_step_});
  std::copy(file->second.begin() + it->second.at, file->second.begin() + it->second.at + *got,
            data);
  it->second.at += *got;
  return 0;
}
