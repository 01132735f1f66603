// The built-in help: the help file or its missing-file message, the About box and the three
// texts about the settings file. Lines inside a message box are separated by "\r".
#pragma once

#include <string>

namespace wm033::config {

constexpr const char* kHelpFile = "WM033.hlp";

std::string HelpMissingText();
std::string AboutText();
std::string SettingsOverviewText();
std::string SettingsLegacyText();
std::string SettingsModernText();

}  // namespace wm033::config
