// Reading the two configuration files: the whole file as bytes, then its lines. Files come from
// Windows and Linux editors alike, so a line may end in CR LF, LF or a lone CR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wm033::config {

// Lines of a text, without their line ends. A final line end does not start another line; a
// last line without one is kept. Any byte (NUL included) is ordinary text.
std::vector<std::string> SplitTextLines(std::string_view text);

// Reads a whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& local_path, std::string& bytes);

// Character `pos` of a line, counting from 1, or '\0' when the line is shorter.
inline char CharAt(std::string_view line, size_t pos) {
  return (pos >= 1 && pos <= line.size()) ? line[pos - 1] : '\0';
}

// ASCII upper case; other bytes unchanged.
inline char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace wm033::config
