// A reader for Windows profile (ini) files, with the rules of the Windows profile functions that
// the settings file was written for, so that files written on Windows read the same here:
//
//  - A section starts with a line whose first non-blank character is "["; its name is what
//    stands between "[" and the next "]" (or the end of the line), trimmed of blanks.
//  - Every other line that holds "=" inside a section is a key line: the key is the text before
//    the first "=", the value the text after it, both trimmed of blanks (space, tab, vertical
//    tab, form feed and the Ctrl-Z end-of-file mark). A value enclosed in one matching pair of
//    double or single quotes loses them. Lines without "=" are ignored.
//  - Lines before the first section are ignored (the settings file's marker line stands there).
//  - Section and key names are compared without regard to case (ASCII letters).
//  - The first matching key wins. A section name that appears twice is one section: its keys
//    are searched in the order of the file.
//  - A missing key gives the caller's default; a key that is present with an empty value gives
//    the empty text, not the default.
//  - Integers are whole decimal numbers with an optional sign, in the 32-bit range; anything
//    else (blank, "12abc", "1.5", "0x10") gives the caller's default.
//  - Any bytes are accepted: NUL bytes and bytes that are not UTF-8 are ordinary characters.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace wm033::config {

class Profile {
 public:
  Profile() = default;
  // Parses the text of a profile file.
  static Profile FromText(std::string_view text);

  // The value of a key, or nullopt when the section has no such key.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& default_value) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Removes leading and trailing blanks as the profile functions do.
std::string_view TrimBlanks(std::string_view text);

// A whole decimal number with an optional sign in the 32-bit range; false for anything else.
bool ParseWholeNumber(std::string_view text, int32_t& value);

// A decimal number with a full stop as the separator whatever the locale ("1.5", ".5", "-2",
// "3e1"); false for anything else, and for infinities and NaN.
bool ParseRealNumber(std::string_view text, double& value);

}  // namespace wm033::config
