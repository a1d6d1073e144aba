// What a rewrite may replace, and what the new file takes over from the old
// one: links are followed only where the kernel's protected_symlinks rule
// would follow them; only a regular file with one name that this process may
// write is replaced; the new file keeps the old one's owner, group,
// permissions and extended attributes as far as this process may set them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files/file_system.h"

// The folder holding path: "." for a bare name, "/" for a name at the root;
// on Windows a backslash separates folders as well.
// Example: FolderOf("/tmp/dev.reg") gives "/tmp".
std::string FolderOf(const std::string& path);

// Whether a process of effective user id caller may follow the symbolic link
// whose own status is link, in the folder whose status is folder: not when
// the folder is sticky and world-writable and the link belongs to neither
// the caller nor the folder's owner (the kernel's protected_symlinks rule,
// applied whatever the system's setting). Example: a link owned by user
// 1000 in a root-owned /tmp (01777) may not be followed by root.
bool LinkMayBeFollowed(const FileStatus& link, const FileStatus& folder, uint32_t caller);

// path with its symbolic links resolved into *target, component by
// component: every link met on the way (a folder's as well as the last
// one's) is checked by LinkMayBeFollowed before it is followed, its relative
// target taken against the folder holding it; at most 40 links in all. A
// component that does not exist ends the walk (the rest is kept as written).
// 0, or an errno value with *failure saying why: EACCES for a link the rule
// refuses, ELOOP for too many links.
int ResolveLinks(FileSystem& fs, const std::string& path, std::string* target,
                 std::string* failure);

// Whether the existing file target, whose status is status, may be
// replaced: it must be a regular file, have some write permission bit (even
// for a superuser), be writable by this process (MayWrite) and have no
// other hard link, since renaming over one name would part it from the
// others (the failure names them: those in target's folder by path, sorted,
// the others by their count).
// 0, or EACCES (or the failing call's errno) with *failure saying why.
int CheckReplaceable(FileSystem& fs, const std::string& target, const FileStatus& status,
                     std::string* failure);

// Gives the new file open as fd (named lock_path in failures) the owner and
// group of the old file at target (status), where this process may: a
// superuser always, an owner its own file with a group it belongs to. Then
// the permission bits, without setuid where the owner could not be kept and
// without setgid where the group could not, and there the group's bits
// become the others' (the new file's group, the caller's own, had only the
// others' access to the old file: 0640 gives 0600, 0666 stays), then
// exactly target's extended attributes (POSIX ACLs included; where the
// group could not be kept, the mask an access list brings is set to the
// others' bits again, so that its entries grant no more either). A file system that keeps no
// owners, no permission bits or no extended attributes (the call gives ENOSYS, ENOTSUP or
// EOPNOTSUPP; FAT through FUSE) has none of them to lose: the rewrite goes on. 0, or the failing
// call's errno with *failure saying why.
int TakeOverMetadata(FileSystem& fs, int fd, const std::string& lock_path,
                     const std::string& target, const FileStatus& status, std::string* failure);
