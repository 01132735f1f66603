// Reading data log records back: the stamp, and the value fields of each record type, checked
// so that a record cut short or damaged is recognised as such instead of misread.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace wm033 {

// The parts of a record's stamp, as 16-bit values.
struct StampParts {
  int16_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// QZDTtoVars: decodes the 10-character stamp text (the 8-character stamp and the first two
// characters of the value field, which the reader has always passed along): two digits of year
// (a year below 100 is 2000 + year), month letter a..l, two digits of day, hour letter a..x, two
// digits of minutes. False when the text is not 10 characters long or does not form a valid date
// and time; `out` is then left as it was.
bool QZDTtoVars(std::string_view s, StampParts& out);

// StampToDateTime: the day count of a 10-character stamp text, at 0 seconds; false when
// QZDTtoVars refuses the text.
bool StampToDateTime(std::string_view s, double& day_count);

// A counter field: nine or more decimal digits to the end of the line; the value is the first
// nine, as the reader has always taken them.
bool ReadCounterField(std::string_view field, uint32_t& value);
// A "bp"/"hm" field: exactly four decimal digits.
bool ReadAnalogueField(std::string_view field, int32_t& value);
// A temperature field: sign, two digits and two decimals without the point ("+2346" is 23.46).
// Readings of 100 degrees or more carry their tens as a letter, A = 10 .. O = 24 ("+A000" is
// 100.00).
bool ReadTemperatureField(std::string_view field, double& celsius);
// A "wd" field: 17 pairs of hexadecimal digits.
bool ReadTalliesField(std::string_view field, std::array<uint16_t, 17>& tallies);

}  // namespace wm033
