// The pieces of the station's web page that do not need the main window: the temperature
// figures, the lines of the recent-temperatures table, the title and the extra images.
#pragma once

#include <string>
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

// The two lines of an extra image, or none when it is not to be shown.
std::vector<std::string> ExtraImageLines(const ExtraImageSpec& image);

// Folder and file name as the settings give them; a folder without a trailing backslash gets one.
std::string JoinPageFolder(const std::string& folder, const std::string& name);

}  // namespace wm033
