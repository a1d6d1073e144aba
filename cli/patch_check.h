// The patch file of `fix --patch OUT FILE` must never be FILE itself:
// writing it would replace the registry by the few repaired values.
#pragma once

#include <string>
#include <vector>

// Whether patch names one of files: the same device and inode, links
// followed (a link to FILE, a hard link, FILE by another path). A patch that
// does not exist yet names none. True with *reason saying which.
// Example: PatchIsAnInput("r.reg", {"./r.reg"}, &reason) is true.
bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason);
