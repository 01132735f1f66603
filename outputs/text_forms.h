// Text forms of the outputs beside the page: JSON strings and numbers, HTML text, ISO 8601 times
// with the UTC offset, and durations. Names and labels come from the settings file, which may
// hold any bytes: every text is made valid UTF-8 first (bytes that are not UTF-8 are taken as
// Windows Latin-1, as a settings file written on Windows has them) and then escaped.
#pragma once

#include <string>
#include <string_view>

namespace wm033::outputs {

// Valid UTF-8 as it stands; otherwise every byte read as Latin-1.
std::string Utf8Text(std::string_view bytes);
// A JSON string, quotes included.
std::string JsonString(std::string_view bytes);
// A JSON number: the shortest form of the value rounded to 6 decimals; null when not finite.
std::string JsonNumber(double v);
// Text for HTML element content and attribute values.
std::string HtmlText(std::string_view bytes);

// A local day count (days since 30 Dec 1899) as "2012-08-23T14:05:00+02:00", with the offset
// the local time zone has at that time.
std::string IsoTime(double day_count);
// "45 s", "12 min 05 s", "3 h 05 min", "2 d 4 h": how long a span of seconds is.
std::string DurationText(double seconds);

}  // namespace wm033::outputs
