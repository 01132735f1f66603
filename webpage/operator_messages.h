// The operator's two one-line messages on the web page, each with its own lifetime in days.
#pragma once

#include <optional>
#include <string>

namespace wm033 {

// A number of days as the operator types it, always with a full stop whatever the locale
// ("0.5", "2", "-1", " 1.25 "). Nothing for text that is not a finite number.
std::optional<double> ParseDays(const std::string& text);

}  // namespace wm033
