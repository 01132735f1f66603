// The graph's coordinate rules as pure functions: the y of a reading by its kind (counter,
// temperature, pressure/humidity, on/off), the x of a past instant, and the height of a live
// wind bar. Every y lies in 1..236 (y 0 is the top row of the 237-row pane).
#pragma once

#include <cstdint>

namespace wm033::display {

constexpr int kPaneWidth = 780;
constexpr int kPaneHeight = 237;
constexpr int kBottomRow = 236;
constexpr int kNewestColumn = 779;
constexpr int32_t kWrapRows = 236;  // plotted values wrap every 236 rows
constexpr int32_t kMaxBar = 236;    // tallest bar: the full pane height
constexpr uint16_t kNeutralScale = 10000;

// Counter channels: 236 - (((raw * m) div 10000 + a) mod 236) in unsigned 32-bit arithmetic
// (the product keeps its low 32 bits). The cumulative count climbs and wraps to the bottom.
uint16_t CounterY(uint32_t raw, uint16_t m, uint16_t a);
// Temperatures: r = (trunc(v * 10000 / m) + a) mod 236 in 64-bit signed arithmetic, brought
// into 0..235, y = 236 - r. A multiplier of 0 cannot divide and counts as the neutral 10000.
uint16_t TemperatureYOf(float v, uint16_t m, uint16_t a);
// Pressure and humidity, v being the logged code (reading * 100, 0..999):
// 236 - (trunc(m * v / 10000 + a) mod 236), the remainder brought into 0..235.
uint16_t AnalogueYOf(int32_t v, uint16_t m, uint16_t a);
// On/off channels, a count n: 236 - ((n * m div 10000 + a) mod 236) in signed 32-bit
// arithmetic (the product wraps as a 32-bit value does), the remainder brought into 0..235.
uint16_t OnOffYOf(int32_t n, uint16_t m, uint16_t a);
// The two levels of an on/off trace: low at the y of count 0, high at the row of a + m.
uint16_t OnOffLevelY(bool high, uint16_t m, uint16_t a);

// x of instant t on a pane whose x = 780 stands for `reference`, one column per `period` days:
// 780 - round(( reference - t) / period), at least 0. Times after the reference give x > 780,
// which drawing clips. A period that is not positive gives 0.
int TimeToXOf(double reference, double t, double period);

// Height of the live wind bar for a counter rise from `last` to `count`: (count - last) div
// divisor, at most 236; 0 when the counter did not rise. A divisor of 0 counts as 1.
int32_t WindBarHeight(int64_t count, int64_t last, uint16_t divisor);

}  // namespace wm033::display
