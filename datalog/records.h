// The data log's record layouts. Every record but the two header lines is a two-character type
// code, the 8-character time stamp and a value field, with nothing between them; each line ends
// with CR LF (added by the writer). The history reload reads these layouts back, so they must
// not change. Numbers never depend on the locale.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace wm033 {

// Header lines of a newly created data log.
std::string DataLogHeaderLine1();
std::string DataLogHeaderLine2(const std::string& stamp);

// "ws", "rf", "lt", "b1", "b2": the count in decimal, zero-padded to at least 9 digits.
std::string CounterRecord(const std::string& prefix, const std::string& stamp, uint64_t count);

// Pressure or humidity reading (0 to 9.99) times 100, truncated: 1.0132 gives 101. NaN and
// values below 0 give 0; values above 9.99 give at most 999, so the field stays 4 digits.
int32_t AnalogueCode(float reading);
// "bp", "hm": AnalogueCode zero-padded to at least 4 digits.
std::string AnalogueRecord(const std::string& prefix, const std::string& stamp, float reading);

// The 5-character temperature field: sign, two integer digits, two decimals, no point
// (23.46 gives +2346, -5.3 gives -0530). From 100 degrees in size the tens are one letter,
// A = 10 .. O = 24 (100.00 gives +A000); sizes beyond 249.99 are written as 249.99.
std::string TemperatureField(float celsius);
// "t0".."t4".
std::string TemperatureRecord(int channel, const std::string& stamp, float celsius);

// "wd": the 17 direction tallies in upper-case hexadecimal, at least two digits each.
std::string WindTalliesRecord(const std::string& stamp, const std::array<uint16_t, 17>& tallies);

// "ss": the start-up record naming the program version.
std::string StartRecord(const std::string& stamp, const std::string& version);
// "wo": the wind vane's direction offset (0..15) and lookup table (0 = "a").
std::string WindOptionsRecord(const std::string& stamp, int offset, int table);

// Drops a leading "cm" (either case) from an operator's comment, and turns line breaks and
// other control characters into blanks so that a comment can never start a record of its own.
std::string CleanHandComment(const std::string& text);
// "cm" + stamp + " By hand: " + text (the text as given).
std::string HandCommentRecord(const std::string& stamp, const std::string& text);
// "cm" + stamp + "(machine generated) Cycles since start:" + count.
std::string MachineCommentRecord(const std::string& stamp, int64_t cycles);

}  // namespace wm033
