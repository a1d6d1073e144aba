// The patch file of `fix --patch OUT FILE` must never be FILE itself:
// writing it would replace the registry by the few repaired values.
#pragma once

#include <string>
#include <vector>

// Whether patch names one of files: the same device and inode, links
// followed (a link to FILE, a hard link, FILE by another path). A file or a
// patch named "-" is identified by what standard input, or standard output,
// is (fstat), never by a file called "-"; a patch that does not exist yet
// names none, and so does an input that is no regular file. True with
// *reason saying which.
// Example: PatchIsAnInput("r.reg", {"./r.reg"}, &reason) is true, and so is
// PatchIsAnInput("r.reg", {"-"}, &reason) with standard input read from r.reg.
bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason);
