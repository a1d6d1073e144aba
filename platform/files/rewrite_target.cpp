#include "platform/files/rewrite_target.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files/lock_file.h"

namespace {

// Symbolic links followed at most, as the kernel does.
constexpr int MAX_LINK_DEPTH = 40;

std::string ErrnoText(int error) { return std::strerror(error); }

// Where the last folder separator of path is: '/', and on Windows '\\' too.
size_t LastSeparator(const std::string& path) {
#ifdef _WIN32
  return path.find_last_of("/\\");
#else
  return path.rfind('/');
#endif
}

// Refuses the link current when the rule says so; 0 when it may be followed.
int CheckLink(FileSystem& fs, const std::string& current, std::string* failure) {
  FileStatus link, folder;
  const std::string folder_path = FolderOf(current);
  int error = fs.Stat(current, &link);
  // "/." names the folder itself even where its path ends in a link.
  if (error == 0) error = fs.Stat(folder_path + "/.", &folder);
  if (error != 0) {
    *failure = "cannot follow the link " + current + ": " + ErrnoText(error);
    return error;
  }
  if (LinkMayBeFollowed(link, folder, EffectiveUserId())) return 0;
  *failure = "refusing to follow the link " + current + ": it belongs to user " +
             std::to_string(link.owner) + ", neither you nor the owner of the shared folder " +
             folder_path + " (sticky and writable by all), so it may have been planted there";
  return EACCES;
}

// The other names of the file at target (status) in its folder, and how many
// of its names lie elsewhere.
std::string OtherNames(FileSystem& fs, const std::string& target, const FileStatus& status) {
  const std::string folder = FolderOf(target);
  const std::string own_name = target.substr(LastSeparator(target) + 1);
  std::vector<std::string> names;
  std::string others;
  uint64_t found = 0;
  if (fs.ListFolder(folder, &names) == 0) {
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (name == own_name) continue;
      std::string path = target.substr(0, target.size() - own_name.size()) + name;
      FileStatus entry;
      if (fs.Stat(path, &entry) != 0) continue;
      if (entry.device != status.device || entry.inode != status.inode) continue;
      others += (found++ == 0 ? "" : ", ") + path;
    }
  }
  uint64_t elsewhere = status.links - 1 > found ? status.links - 1 - found : 0;
  if (elsewhere != 0) {
    others += (found == 0 ? "" : ", and ") + std::to_string(elsewhere) + " outside " + folder;
  }
  return others;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool LinkMayBeFollowed(const FileStatus& link, const FileStatus& folder, uint32_t caller) {
  bool shared = (folder.mode & MODE_STICKY) != 0 && (folder.mode & MODE_OTHERS_WRITE) != 0;
  return !shared || link.owner == caller || link.owner == folder.owner;
}

int ResolveLinks(FileSystem& fs, const std::string& path, std::string* target,
                 std::string* failure) {
  std::string current = path;
  for (int depth = 0; depth <= MAX_LINK_DEPTH; ++depth) {
    std::string link;
    int error = fs.ReadLink(current, &link);
    if (error == EINVAL || error == ENOENT) {
      *target = current;
      return 0;
    }
    if (error != 0) {
      *failure = "cannot follow the link " + path + ": " + ErrnoText(error);
      return error;
    }
    if ((error = CheckLink(fs, current, failure)) != 0) return error;
    size_t slash = LastSeparator(current);
    if (link.empty() || link[0] == '/' || slash == std::string::npos) {
      current = link;
    } else {
      current = current.substr(0, slash + 1) + link;
    }
  }
  *failure = "cannot follow the link " + path + ": " + ErrnoText(ELOOP);
  return ELOOP;
}

RegStatus CheckReplaceable(FileSystem& fs, const std::string& target, const FileStatus& status,
                           std::string* failure) {
  if (status.kind != FileKind::Regular) {
    *failure = target + " is not a regular file but " + FileKindText(status.kind) +
               ", so it is left as it is";
    return ERROR_ACCESS_DENIED;
  }
  if ((status.mode & 0222) == 0) {
    *failure = target + " is read-only";
    return ERROR_ACCESS_DENIED;
  }
  if (int error = fs.MayWrite(target)) {
    *failure = "cannot write " + target + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  if (status.links > 1) {
    *failure = target + " has " + std::to_string(status.links) + " hard links (also " +
               OtherNames(fs, target, status) +
               "); replacing it would leave them with the old content, so it is left as it is";
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

RegStatus TakeOverMetadata(FileSystem& fs, int fd, const std::string& lock_path,
                           const std::string& target, const FileStatus& status,
                           std::string* failure) {
  const uint32_t caller = EffectiveUserId();
  const bool may_give_owner = caller == 0 || status.owner == caller;
  int error = fs.SetOwner(fd, may_give_owner ? status.owner : UNCHANGED_ID, status.group);
  // EPERM: the group (or for a superuser in a user namespace, the owner)
  // is not this process's to give; the new file keeps its own.
  const bool group_kept = error == 0;
  const bool owner_kept = status.owner == caller || (caller == 0 && error == 0);
  if (error != 0 && error != EPERM) {
    *failure = "cannot set the owner of " + lock_path + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  uint32_t mode = status.mode;
  if (!owner_kept) mode &= ~(MODE_SET_USER_ID | MODE_SET_GROUP_ID);
  if (!group_kept) mode &= ~MODE_SET_GROUP_ID;
  if ((error = fs.SetMode(fd, mode)) != 0) {
    *failure = "cannot set the permissions of " + lock_path + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  if ((error = fs.CopyAttributes(target, fd)) != 0) {
    *failure = "cannot copy the extended attributes of " + target + " to " + lock_path + ": " +
               ErrnoText(error);
    return StatusOfErrno(error);
  }
  return ERROR_SUCCESS;
}
