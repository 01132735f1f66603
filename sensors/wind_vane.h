// Turning the four ADC channels of the wind vane into a direction: each channel value becomes a
// level ("0" below the low threshold, "1" below the high one, else "2"), the four levels form a
// pattern, and the pattern is looked up in one of the vane tables.
#pragma once

#include <cstdint>
#include <string>

namespace wm033 {

constexpr int kUnreadableDirection = 16;

// The 4-character pattern of channels A, B, C, D.
std::string WindPattern(uint16_t a, uint16_t b, uint16_t c, uint16_t d, int32_t low, int32_t high);
// The raw direction 0..15 whose entry in table 0..6 equals the pattern; 16 when none does (and
// always for tables 4, 5 and 6, which have no patterns).
int RawWindDirection(const std::string& pattern, int table);
// The pattern a vane at raw direction 0..15 gives in table 0..3 (nullptr for other tables).
const char* WindPatternFor(int raw, int table);
// The compass point shown for a raw direction: (raw + offset) mod 16, or 16 when unreadable.
int DisplayedWindDirection(int raw, int offset);

}  // namespace wm033
