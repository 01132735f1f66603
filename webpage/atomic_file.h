// Replacing a published file so that a web server never serves half of it: the new content goes
// into a temporary file in the same folder, reaches the disk, and is renamed over the old file.
#pragma once

#include <string>
#include <string_view>

namespace wm033 {

// Writes `data` to a temporary file beside `path`, syncs it and renames it to `path`. On any
// failure the temporary file is removed, the old file (if any) is left as it was, and false is
// returned with the reason in `error`. The new file keeps the old file's permissions, or gets
// the usual ones for a new file (0666 less the umask), so that a web server can read it.
bool ReplaceFileAtomically(const std::string& path, std::string_view data, std::string& error);

}  // namespace wm033
