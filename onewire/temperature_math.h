// Pure parts of the temperature routines, callable without a form.
#pragma once

#include <cstdint>
#include <string>

namespace wm033::onewire {

// True when the ninth byte is the CRC8 of the first eight (DS18x20 and DS2438 scratchpads).
bool ScratchpadCrcOk(const uint8_t bytes[9]);

// Whole degrees from a chip's two temperature bytes: family 10 raw / 2, 28 raw / 16, 26 raw /
// 256, raw read as signed 16 bits and the division truncating toward zero (25.5 -> 25, -0.5 ->
// 0). `raw` receives the raw value (0 for an unknown family); `code` is 1910 for an unknown family.
float ConvertRaw(uint8_t family, uint8_t low, uint8_t high, uint16_t& code, int16_t& raw);

// The family characters of a chip identity (its 15th and 16th characters), or "" when short.
std::string FamilyChars(const std::string& chip_id);

// A float as the program's texts show it: shortest form, no exponent for ordinary values
// ("25", "-10", "2.93"): the fewest decimals that read back as the same float.
std::string FloatText(double v);

}  // namespace wm033::onewire
