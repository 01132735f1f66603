#include "onewire/sim/uart_frames.h"

namespace wm033::onewire::sim {

namespace {

// The line level at time t, measured in the sender's bit times from the start edge.
int LevelAt(uint8_t byte, double t) {
  if (t < 0) return 1;
  const int k = static_cast<int>(t);
  if (k == 0) return 0;
  if (k <= 8) return (byte >> (k - 1)) & 1;
  return 1;
}

}  // namespace

int64_t CharacterUs(int baud) {
  return baud > 0 ? 10'000'000 / baud : 0;
}

std::vector<UartFrame> ReceiveAtRate(uint8_t byte, int sender_baud, int receiver_baud) {
  std::vector<UartFrame> frames;
  if (sender_baud <= 0 || receiver_baud <= 0) return frames;
  if (sender_baud == receiver_baud) return {UartFrame{byte, false}};
  // Times in the sender's bit times; one receiver bit lasts `r` of them.
  const double r = static_cast<double>(sender_baud) / receiver_baud;
  double edge = 0;  // the first falling edge is the start bit
  for (;;) {
    if (LevelAt(byte, edge + 0.5 * r) != 0) {
      // A glitch, not a start bit: look for the next edge.
    } else {
      UartFrame f;
      for (int j = 1; j <= 8; ++j)
        if (LevelAt(byte, edge + (j + 0.5) * r)) f.byte |= static_cast<uint8_t>(1 << (j - 1));
      f.framing_error = LevelAt(byte, edge + 9.5 * r) == 0;
      frames.push_back(f);
      edge += 9.5 * r;  // the receiver looks for a new start bit from the stop bit on
    }
    // The next falling edge after `edge`: edges only happen at the sender's bit boundaries.
    bool found = false;
    for (int k = static_cast<int>(edge) + 1; k <= 9; ++k) {
      if (k <= edge) continue;
      if (LevelAt(byte, k - 0.5) == 1 && LevelAt(byte, k + 0.5) == 0) {
        edge = k;
        found = true;
        break;
      }
    }
    if (!found) break;
  }
  return frames;
}

}  // namespace wm033::onewire::sim
