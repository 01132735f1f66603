// Number texts of the numeric display, as pure functions.
#pragma once

#include <string>

namespace wm033::display {

// Celsius to Fahrenheit in extended precision, stored as single; 999 (not read) stays 999.
float FahrenheitOf(float celsius);

// Fixed-point text with exactly one decimal, rounded (half away from zero) to the nearest value
// with at most `digits` significant digits and at most one decimal: 21.46 gives "21.5", 100.36
// gives "100.0" with 3 digits and "100.4" with 4. A value with more integer digits than
// `digits` is written in exponent form, trailing zeros dropped: 12345 with 3 gives "1.23E4".
// Never depends on the locale; a value that rounds to zero has no sign.
std::string FormatReadingText(long double value, int digits);

}  // namespace wm033::display
