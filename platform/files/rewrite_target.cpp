#include "platform/files/rewrite_target.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace {

// Symbolic links followed at most while resolving one path, as the kernel does.
constexpr int MAX_LINKS = 40;

// Whether c separates folders: '/', and on Windows '\\' too.
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

// Where the last folder separator of path is; npos for none.
size_t LastSeparator(const std::string& path) {
#ifdef _WIN32
  return path.find_last_of("/\\");
#else
  return path.rfind('/');
#endif
}

// The root an absolute path starts from, "" for a relative one: "/"; on
// Windows also "C:/" for "C:\\" and "//" for a network name's "\\\\".
std::string RootOf(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return path.substr(0, 2) + "/";
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return "//";
#endif
  return !path.empty() && IsSeparator(path[0]) ? "/" : "";
}

// The non-empty components of path after its root, in order ("a//b/" gives
// a, b).
std::deque<std::string> Components(const std::string& path) {
  std::deque<std::string> components;
  // Past a drive's "C:" (a root of three characters); separators are skipped anyway.
  for (size_t at = RootOf(path).size() == 3 ? 2 : 0; at <= path.size();) {
    size_t slash = at;
    while (slash < path.size() && !IsSeparator(path[slash])) ++slash;
    if (slash > at) components.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return components;
}

// folder and name joined by one slash; name alone under an empty folder.
std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
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

// Whether error says the file system keeps no such thing at all (owners,
// permission bits, extended attributes), so that there is nothing of it to
// lose.
bool KeepsNone(int error) { return error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP; }

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
  // done: the components resolved so far, none of them a link, so that ".."
  // after them means what it says; todo: the components still to walk.
  std::string done = RootOf(path);
  std::deque<std::string> todo = Components(path);
  int links = 0;
  while (!todo.empty()) {
    const std::string name = todo.front();
    todo.pop_front();
    const std::string current = Joined(done, name);
    std::string link;
    int error = fs.ReadLink(current, &link);
    if (error == EINVAL) {
      done = current;
      continue;
    }
    if (error == ENOENT) {
      // Nothing more to resolve: what is missing fails (or is created) later.
      done = current;
      for (const std::string& rest : todo) done = Joined(done, rest);
      break;
    }
    if (error != 0) {
      *failure = "cannot follow the link " + path + ": " + ErrnoText(error);
      return error;
    }
    if ((error = CheckLink(fs, current, failure)) != 0) return error;
    if (++links > MAX_LINKS) {
      *failure = "cannot follow the link " + path + ": " + ErrnoText(ELOOP);
      return ELOOP;
    }
    std::deque<std::string> inner = Components(link);
    todo.insert(todo.begin(), inner.begin(), inner.end());
    if (!RootOf(link).empty()) done = RootOf(link);
  }
#ifdef _WIN32
  // A Windows name keeps the separators it was given while no link was met.
  if (links == 0) done = path;
#endif
  *target = done.empty() ? path : done;
  return 0;
}

int CheckReplaceable(FileSystem& fs, const std::string& target, const FileStatus& status,
                     std::string* failure) {
  if (status.kind != FileKind::Regular) {
    *failure = target + " is not a regular file but " + FileKindText(status.kind) +
               ", so it is left as it is";
    return EACCES;
  }
  if ((status.mode & 0222) == 0) {
    *failure = target + " is read-only";
    return EACCES;
  }
  if (int error = fs.MayWrite(target)) {
    *failure = "cannot write " + target + ": " + ErrnoText(error);
    return error;
  }
  if (status.links > 1) {
    *failure = target + " has " + std::to_string(status.links) + " hard links (also " +
               OtherNames(fs, target, status) +
               "); replacing it would leave them with the old content, so it is left as it is";
    return EACCES;
  }
  return 0;
}

int TakeOverMetadata(FileSystem& fs, int fd, const std::string& lock_path,
                     const std::string& target, const FileStatus& status, std::string* failure) {
  const uint32_t caller = EffectiveUserId();
  const bool may_give_owner = caller == 0 || status.owner == caller;
  int error = fs.SetOwner(fd, may_give_owner ? status.owner : UNCHANGED_ID, status.group);
  // A file system that records no owners (FAT through FUSE) has none to lose.
  if (KeepsNone(error)) error = 0;
  // EPERM: the group (or for a superuser in a user namespace, the owner)
  // is not this process's to give; the new file keeps its own.
  const bool group_kept = error == 0;
  const bool owner_kept = status.owner == caller || (caller == 0 && error == 0);
  if (error != 0 && error != EPERM) {
    *failure = "cannot set the owner of " + lock_path + ": " + ErrnoText(error);
    return error;
  }
  uint32_t mode = status.mode;
  if (!owner_kept) mode &= ~(MODE_SET_USER_ID | MODE_SET_GROUP_ID);
  // The group bits were given to the old group. The new file's group is
  // another one, whose members had the others' access: they keep that.
  if (!group_kept) {
    mode = (mode & ~(MODE_SET_GROUP_ID | MODE_GROUP_BITS)) | ((mode & MODE_OTHERS_BITS) << 3);
  }
  if ((error = fs.SetMode(fd, mode)) != 0 && !KeepsNone(error)) {
    *failure = "cannot set the permissions of " + lock_path + ": " + ErrnoText(error);
    return error;
  }
  if ((error = fs.CopyAttributes(target, fd)) != 0 && !KeepsNone(error)) {
    *failure = "cannot copy the extended attributes of " + target + " to " + lock_path + ": " +
               ErrnoText(error);
    return error;
  }
  // An access list copied sets the group bits anew (as its mask): set
  // again, its entries grant no more than the others have.
  if (!group_kept && (error = fs.SetMode(fd, mode)) != 0 && !KeepsNone(error)) {
    *failure = "cannot set the permissions of " + lock_path + ": " + ErrnoText(error);
    return error;
  }
  return 0;
}
