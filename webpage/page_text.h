// The pieces of the station's web page that do not need the main window: the temperature
// figures, the lines of the recent-temperatures table, the title and the extra images.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/wm033f1.h"

namespace wm033 {

constexpr const char* kNoImageName = "qzrroguenotfound.jpg";

// "----" for the not-read value 999; otherwise fixed notation with one decimal, rounded to at
// most four significant digits (23.46 -> "23.5", 9.96 -> "10.0", 1234.5 -> "1235.0"), always
// with a full stop. Numbers of five or more integer digits come out as "1.235E+004".
std::string FormatPageTemperature(float value);

// One line of the table: "  23.5 C    19.0 C  --at--  <time>   000123".
std::string PageTableLine(const RecentReading& r);

// The page title, with the prefix and a blank in front when there is a prefix.
std::string PageTitle(const std::string& prefix);

// A settings value made safe inside a double-quoted HTML attribute: '"', '<' and '>' become
// character references, and so does an '&' unless it already starts one ("&eacute;", "&#233;",
// "&#xE9;"), so that a value can neither end its attribute nor change its meaning.
std::string AttributeText(std::string_view value);

// The graph image's element: its name escaped for the src attribute.
std::string GraphImageLine(const std::string& image_file);

// The two lines of an extra image, or none when it is not to be shown. The name, width and
// alternative text are escaped for their attributes; the caption is page text and stays as it is.
std::vector<std::string> ExtraImageLines(const ExtraImageSpec& image);

// Folder and file name as the settings give them; a folder without a trailing backslash gets one.
std::string JoinPageFolder(const std::string& folder, const std::string& name);

}  // namespace wm033
