// What a UART makes of a character sent at another baud rate. The sender puts one 8N1 character
// on an idle line (start bit 0, eight data bits least significant first, stop bit 1, idle 1
// after); the receiver waits for a falling edge, samples the middle of each of its own ten bit
// times, takes a 0 where the stop bit belongs as a framing error, and looks for the next falling
// edge after that. At equal rates that gives the character back; a slower sender gives more or
// broken characters (a NULL at half the rate is a framing error, as a break is), a faster one
// gives a different character or none. Characters are taken one at a time, each with an idle
// line around it.
#pragma once

#include <cstdint>
#include <vector>

namespace wm033::onewire::sim {

struct UartFrame {
  uint8_t byte = 0;
  bool framing_error = false;  // start polarity where the stop bit belongs
};

std::vector<UartFrame> ReceiveAtRate(uint8_t byte, int sender_baud, int receiver_baud);

// Microseconds one 8N1 character takes on the line.
int64_t CharacterUs(int baud);

}  // namespace wm033::onewire::sim
