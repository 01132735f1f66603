// Replacing a published file so that a web server never serves half of it: the new content goes
// into a temporary file in the same folder, reaches the disk, and is renamed over the old file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wm033 {

// Writes `data` to a temporary file beside `path`, syncs it and renames it to `path`. On any
// failure the temporary file is removed, the old file (if any) is left as it was, and false is
// returned with the reason in `error`. The new file keeps the old file's permissions, or gets
// the usual ones for a new file (0666 less the umask), so that a web server can read it.
bool ReplaceFileAtomically(const std::string& path, std::string_view data, std::string& error);

// True for the name of a temporary file that ReplaceFileAtomically makes: "." + the file's name
// + "." + six letters or digits (".WM033BC.htm.a8Kq2Z").
bool IsReplacementTempName(std::string_view name);

// Removes the temporary files that a replacement killed before its rename left in `folder`:
// regular files (not links) of that name pattern owned by this user. Their names are added to
// `removed`; false when the folder could not be read.
bool RemoveLeftoverTempFiles(const std::string& folder, std::vector<std::string>& removed);

}  // namespace wm033
