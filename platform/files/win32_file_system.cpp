// RealFileSystem() on the Win32 API. Paths are UTF-8 in, UTF-16 at the API.
// Descriptors index a table of this process's HANDLEs. Only plain files are
// read or replaced: GetFileType tells devices (FILE_TYPE_CHAR) and pipes
// apart, and a reparse point (a symbolic link or junction) is never followed
// when a file is examined, read whole or replaced, so a repair refuses it as
// a link. Windows has no numeric owners: FileStatus owner and group read 0,
// and a replaced file's owner and access rules live in its security
// descriptor, whose access list CopyAttributes copies with the attributes.
#include <windows.h>
#include <aclapi.h>
#include <io.h>

#include <cerrno>
#include <mutex>

#include "platform/files/file_system.h"
#include "platform/files/lock_signals.h"
#include "platform/files/win32_file_status.h"
#include "platform/files/win32_path.h"

namespace {

// The attributes a replaced file keeps; the rest describe what it is.
constexpr DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD CHUNK = 1u << 30;

// The open handles, by descriptor (index + 3: 0-2 read as the standard
// streams' numbers in messages and are never handed out).
class HandleTable {
 public:
  int Add(HANDLE handle) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (size_t i = 0; i < handles_.size(); ++i) {
      if (handles_[i] == INVALID_HANDLE_VALUE) {
        handles_[i] = handle;
        return static_cast<int>(i) + FIRST;
      }
    }
    handles_.push_back(handle);
    return static_cast<int>(handles_.size()) - 1 + FIRST;
  }
  HANDLE Get(int fd) {
    std::lock_guard<std::mutex> hold(mutex_);
    size_t index = static_cast<size_t>(fd - FIRST);
    return fd < FIRST || index >= handles_.size() ? INVALID_HANDLE_VALUE : handles_[index];
  }
  HANDLE Remove(int fd) {
    std::lock_guard<std::mutex> hold(mutex_);
    size_t index = static_cast<size_t>(fd - FIRST);
    if (fd < FIRST || index >= handles_.size()) return INVALID_HANDLE_VALUE;
    HANDLE handle = handles_[index];
    handles_[index] = INVALID_HANDLE_VALUE;
    return handle;
  }

 private:
  static constexpr int FIRST = 3;
  std::mutex mutex_;
  std::vector<HANDLE> handles_;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

// Opens path by CreateFileW; *error the errno of a failure.
HANDLE Open(const std::string& path, DWORD access, DWORD creation, DWORD flags, int* error) {
  std::wstring wide;
  if (!WidePath(path, &wide)) {
    *error = ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = ::CreateFileW(wide.c_str(), access, SHARE_ALL, nullptr, creation, flags, nullptr);
  *error = handle == INVALID_HANDLE_VALUE ? LastErrno() : 0;
  return handle;
}

int StatusOf(const std::string& path, DWORD flags, FileStatus* status) {
  int error;
  HANDLE handle =
      Open(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, &error);
  if (handle == INVALID_HANDLE_VALUE) return error;
  FillFromHandle(handle, status, &error);
  ::CloseHandle(handle);
  return error;
}

class Win32FileSystem : public FileSystem {
 public:
  int OpenExclusive(const std::string& path, uint32_t, int* fd) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return ENOENT;
    TerminationSignalsHeld held;
    // WRITE_DAC and FILE_WRITE_ATTRIBUTES: the replaced file's access list
    // and attributes are given to this handle (CopyAttributes). Shared for
    // deletion: the console handler (lock_signals_win32.cpp) removes the
    // lock while this handle is open, and Windows deletes it when the
    // ending process closes the handle.
    HANDLE handle = ::CreateFileW(
        wide.c_str(), GENERIC_WRITE | WRITE_DAC | READ_CONTROL | FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastErrno();
    *fd = Handles().Add(handle);
    HoldLock(path.c_str());
    return 0;
  }

  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    DWORD done = 0;
    DWORD ask = size > CHUNK ? CHUNK : static_cast<DWORD>(size);
    if (!::WriteFile(Handles().Get(fd), data, ask, &done, nullptr)) return LastErrno();
    *written = done;
    return 0;
  }

  int Fsync(int fd) override { return ::FlushFileBuffers(Handles().Get(fd)) ? 0 : LastErrno(); }

  int OpenWrite(const std::string& path, int* fd) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return ENOENT;
    // The rights OpenExclusive asks for; sharing delete lets a signal
    // handler remove the lock while this handle is open.
    HANDLE handle = ::CreateFileW(wide.c_str(),
                                  GENERIC_WRITE | WRITE_DAC | READ_CONTROL | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastErrno();
    *fd = Handles().Add(handle);
    return 0;
  }

  int Truncate(int fd, uint64_t size) override {
    HANDLE handle = Handles().Get(fd);
    LARGE_INTEGER end = {}, at = {};
    end.QuadPart = static_cast<LONGLONG>(size);
    // SetEndOfFile cuts at the position, which is then put back.
    if (!::SetFilePointerEx(handle, LARGE_INTEGER{}, &at, FILE_CURRENT) ||
        !::SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle) ||
        !::SetFilePointerEx(handle, at, nullptr, FILE_BEGIN))
      return LastErrno();
    return 0;
  }

  int Close(int fd) override {
    HANDLE handle = Handles().Remove(fd);
    if (handle == INVALID_HANDLE_VALUE) return EBADF;
    return ::CloseHandle(handle) ? 0 : LastErrno();
  }

  int Rename(const std::string& from, const std::string& to) override {
    std::wstring wide_from, wide_to;
    if (!WidePath(from, &wide_from) || !WidePath(to, &wide_to)) return ENOENT;
    TerminationSignalsHeld held;
    // Write-through: the rename is on disk when the call returns, which
    // is all a folder sync would add (FsyncDir).
    if (!::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_ACCESS_DENIED && HeldByAnotherProgram(wide_to) ? EBUSY : ErrnoOf(error);
    }
    ForgetLock(from.c_str());
    return 0;
  }

  // Windows cannot sync a folder; Rename wrote its change through.
  int FsyncDir(const std::string&) override { return 0; }

  int Unlink(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return ENOENT;
    TerminationSignalsHeld held;
    int error = ::DeleteFileW(wide.c_str()) ? 0 : LastErrno();
    ForgetLock(path.c_str());
    return error;
  }

  int Stat(const std::string& path, FileStatus* status) override {
    return StatusOf(path, FILE_FLAG_OPEN_REPARSE_POINT, status);
  }

  int Fstat(int fd, FileStatus* status) override {
    HANDLE handle = Handles().Get(fd);
    if (handle == INVALID_HANDLE_VALUE) return EBADF;
    int error = 0;
    FillFromHandle(handle, status, &error);
    return error;
  }

  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    int error;
    HANDLE handle = Open(path, GENERIC_READ, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, &error);
    if (handle == INVALID_HANDLE_VALUE) return error;
    FileStatus status;
    FillFromHandle(handle, &status, &error);
    if (error == 0 && status.kind != FileKind::Regular) {
      error = status.kind == FileKind::Folder ? EISDIR
              : status.kind == FileKind::Link ? ELOOP
                                              : EINVAL;
    }
    if (error == 0) error = ReadToEnd(handle, status.size, bytes);
    ::CloseHandle(handle);
    if (error != 0) bytes->clear();
    return error;
  }

  // Links are not followed on Windows (the file's own status reads as a
  // link and is refused), so no path reads as one here.
  int ReadLink(const std::string& path, std::string*) override {
    FileStatus status;
    int error = Stat(path, &status);
    return error == ENOENT ? ENOENT : EINVAL;
  }

  int MayWrite(const std::string& path) override {
    int error;
    HANDLE handle = Open(path, GENERIC_WRITE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, &error);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return error;
  }

  int SetMode(int fd, uint32_t mode) override {
    FILE_BASIC_INFO info;
    HANDLE handle = Handles().Get(fd);
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info))
      return LastErrno();
    DWORD attributes = info.FileAttributes & ~FILE_ATTRIBUTE_NORMAL;
    attributes = (mode & 0222) == 0 ? attributes | FILE_ATTRIBUTE_READONLY
                                    : attributes & ~FILE_ATTRIBUTE_READONLY;
    return SetAttributes(handle, attributes);
  }

  // Numeric owners do not exist here; the owner of the security
  // descriptor is the creating user's, as Windows' own editors leave it.
  int SetOwner(int, uint32_t, uint32_t) override { return 0; }

  int CopyAttributes(const std::string& from, int fd) override {
    std::wstring wide;
    if (!WidePath(from, &wide)) return ENOENT;
    HANDLE handle = Handles().Get(fd);
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrno();
    if (int error = CopyAccessList(wide, handle)) return error;
    FILE_BASIC_INFO info;
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info))
      return LastErrno();
    DWORD kept = (info.FileAttributes & ~KEPT_ATTRIBUTES & ~FILE_ATTRIBUTE_NORMAL) |
                 (attributes & KEPT_ATTRIBUTES);
    return SetAttributes(handle, kept);
  }

  int ListFolder(const std::string& dir, std::vector<std::string>* names) override {
    std::wstring wide;
    if (!WidePath(dir + "\\*", &wide)) return ENOENT;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return LastErrno();
    names->clear();
    do {
      std::string name = NarrowPath(found.cFileName);
      if (name != "." && name != "..") names->push_back(name);
    } while (::FindNextFileW(search, &found));
    DWORD last = ::GetLastError();
    ::FindClose(search);
    return last == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(last);
  }

  int OpenRead(const std::string& path, int* fd) override {
    int error;
    HANDLE handle = Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, &error);
    if (handle == INVALID_HANDLE_VALUE) return error;
    *fd = Handles().Add(handle);
    return 0;
  }

  int Read(int fd, uint8_t* data, size_t size, size_t* got) override {
    DWORD done = 0;
    DWORD ask = size > CHUNK ? CHUNK : static_cast<DWORD>(size);
    if (!::ReadFile(Handles().Get(fd), data, ask, &done, nullptr)) {
      DWORD error = ::GetLastError();
      // A pipe whose writer has gone has reached its end.
      if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) return ErrnoOf(error);
    }
    *got = done;
    return 0;
  }

 private:
  static int ReadToEnd(HANDLE handle, uint64_t size, std::vector<uint8_t>* bytes) {
    // One spare byte shows the end without a second, larger buffer.
    bytes->resize(static_cast<size_t>(size) + 1);
    size_t got = 0;
    while (true) {
      if (got == bytes->size()) bytes->resize(bytes->size() + bytes->size() / 2 + 4096);
      size_t room = bytes->size() - got;
      DWORD done = 0;
      if (!::ReadFile(handle, bytes->data() + got, room > CHUNK ? CHUNK : static_cast<DWORD>(room),
                      &done, nullptr)) {
        return LastErrno();
      }
      if (done == 0) break;
      got += done;
    }
    bytes->resize(got);
    return 0;
  }

  // Whether the file at path is open in a program that does not share its
  // deletion: Windows refuses to replace such a file as an access denied,
  // and asking for the right to delete it tells that from a refused access.
  static bool HeldByAnotherProgram(const std::wstring& path) {
    HANDLE handle =
        ::CreateFileW(path.c_str(), DELETE, SHARE_ALL, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle);
      return false;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
  }

  static int SetAttributes(HANDLE handle, DWORD attributes) {
    FILE_BASIC_INFO info = {};  // zero times: left as they are
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) ? 0
                                                                                   : LastErrno();
  }

  // Gives handle's file the access list of the file at from: as it stands
  // where from's list is protected from inheritance, else its own entries
  // with the folder's inherited ones.
  static int CopyAccessList(const std::wstring& from, HANDLE handle) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ::GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                          nullptr, nullptr, &list, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return ErrnoOf(error);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    what |= (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                          : UNPROTECTED_DACL_SECURITY_INFORMATION;
    error = ::SetSecurityInfo(handle, SE_FILE_OBJECT, what, nullptr, nullptr, list, nullptr);
    ::LocalFree(descriptor);
    return error == ERROR_SUCCESS ? 0 : ErrnoOf(error);
  }
};

}  // namespace

uint32_t EffectiveUserId() { return 0; }

int StatFollowingLinks(const std::string& path, FileStatus* status) {
  return StatusOf(path, 0, status);
}

int DuplicateRuntimeDescriptor(int crt_fd, int* fd) {
  HANDLE source = reinterpret_cast<HANDLE>(::_get_osfhandle(crt_fd));
  HANDLE copy;
  if (source == INVALID_HANDLE_VALUE ||
      !::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return EBADF;
  }
  *fd = Handles().Add(copy);
  return 0;
}

FileSystem& RealFileSystem() {
  static Win32FileSystem real;
  return real;
}
