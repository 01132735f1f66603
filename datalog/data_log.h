// Helpers of the data log writer that work on a file by its path or descriptor, kept apart
// from the form so that tests can call them directly.
#pragma once

#include <string>

namespace wm033 {

// Gives a file whose last line lacks its line end (cut short by a crash or power cut) the
// missing CR LF (or LF after a lone CR), so that the next record starts on a line of its own.
// An empty file is left alone. False with the reason when the file could not be read or mended.
bool EndLastLine(int write_fd, const std::string& path, std::string* error);

// True when the file open on `fd` is no longer the one at `path`: deleted while open (no links
// left), replaced by another file, or the descriptor itself is no longer usable.
bool FileLeftItsPath(int fd, const std::string& path);

}  // namespace wm033
