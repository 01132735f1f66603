// A reader for Windows profile (ini) files that reads a file as the Windows profile functions
// (GetPrivateProfileString and its relatives) read it, so that a settings file written on Windows
// gives the same values here, odd lines included:
//
//  - Lines end at CR LF, LF or a lone CR; the last line needs no line end. Blanks (space, tab,
//    CR, LF, vertical tab, form feed and the Ctrl-Z end-of-file mark) around a line are ignored,
//    and empty lines are skipped.
//  - A line whose first character is "[" and that holds a "]" starts a section: its name is what
//    stands between the "[" and the LAST "]" of the line, trimmed of blanks; text after that "]"
//    is ignored ("[sbc] old" is [sbc]). A "[" line without any "]" is not a section header: it
//    is an ordinary line of the section it stands in.
//  - Every other line is a key line: the key is the text before the first "=", the value the
//    text after it, both trimmed of blanks. A line without "=" is a key without a value: looking
//    it up gives the caller's default, and it hides a later line of the same key in its section.
//  - Comment lines (";" at the start) are not special: they are key lines whose names begin with
//    ";", so no real key can match them.
//  - Lines before the first section belong to a section without a name, which is never looked up
//    (the settings file's marker line stands there).
//  - Section and key names are compared without regard to case (ASCII letters).
//  - When a section name appears twice, only its first appearance is searched; keys in the later
//    one are never found. Within a section the first line of a key wins.
//  - A value enclosed in a matching pair of double or single quotes loses them, and whatever
//    stands between them, blanks included, is the value. A key that is present with an empty
//    value gives the empty text, not the default.
//  - A NUL byte ends a name or value, as it ends the C strings the profile functions return.
//  - A UTF-8 byte order mark at the start is skipped; a file that starts with a UTF-16 byte order
//    mark (either byte order) is read as UTF-16 and its names and values come out as UTF-8.
//    Other bytes are taken as they stand.
//  - The caller's default is returned as given: the settings reader passes the current values as
//    defaults and keeps them unchanged when a key is missing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wm033::config {

class Profile {
 public:
  Profile() = default;
  // Parses the bytes of a profile file.
  static Profile FromText(std::string_view text);

  // The value of a key, or nullopt when the section has no such key or its line has no "=".
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& default_value) const;
  // A whole decimal number (see ParseWholeNumber); the default when the key is missing, has no
  // value, or its value is not such a number.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;

 private:
  struct Key {
    std::string name;                  // lower case
    std::optional<std::string> value;  // nullopt: the line had no "="
  };
  struct Section {
    std::string name;  // lower case
    std::vector<Key> keys;
  };
  std::vector<Section> sections_;  // in file order; the first has no name
};

// Removes leading and trailing blanks as the profile functions do.
std::string_view TrimBlanks(std::string_view text);

// A whole decimal number with an optional sign in the 32-bit range; false for anything else
// (blank, "12abc", "1.5", "0x10").
bool ParseWholeNumber(std::string_view text, int32_t& value);

// A decimal number with a full stop as the separator whatever the locale ("1.5", ".5", "-2",
// "3e1"); false for anything else, and for infinities and NaN.
bool ParseRealNumber(std::string_view text, double& value);

}  // namespace wm033::config
