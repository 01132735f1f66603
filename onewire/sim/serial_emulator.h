// The DS2480B emulator on a pseudo-terminal: a host opens the slave side as its serial port and
// we play the DS9097U on the master side.
//
// Time: a character the host writes reaches the chip one character time (at the host's baud
// rate, read from the slave's termios) after the line is free; the chip works on it for its bus
// time; each reply leaves the chip when its bus activity ends, takes a character time at the
// chip's baud rate, and reaches the host `latency` later (the delay a USB-serial converter adds).
// Characters at a rate other than the chip's become what its UART would make of them
// (uart_frames.h), and the same holds for replies at a rate the host's port is not set to.
//
// Start of a session. A pseudo-terminal cannot carry a break (tcsendbreak on a pty does nothing)
// and a buffer flush is not a break, so the emulator knows two ways into the power-on state:
//  - the port opening: a DS9097U takes its power from the port's DTR and RTS lines, which a
//    closed port drops and an opened one raises, so the chip powers up when a host opens the
//    slave and loses power when the last host closes it. Every host starts a session by opening
//    the port and sending the timing byte after its break, which then finds the chip waiting.
//  - a master reset inside a session: a character whose stop bit arrives as start polarity, as
//    a NULL sent at 4800 baud does (the datasheet's alternative to a break), or any character
//    sent slower than the chip listens with a 0 there.
// A flush of the host's buffers (TIOCPKT tells us of it) only drops what the kernel held; replies
// still on the line or in the converter arrive after it, as they would.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "onewire/sim/ds2480b_emulator.h"
#include "onewire/sim/emulator_support.h"

namespace wm033::onewire::sim {

// Test and tool controls, safe to change from another thread.
struct EmulatorControls {
  std::atomic<bool> stop{false};
  std::atomic<bool> silent{false};  // replies are dropped
  std::atomic<int> garble{0};       // this many reply bytes are corrupted
  std::atomic<bool> timed{true};    // bytes take their time on the line and the bus
  std::atomic<int> latency_us{0};   // added to every reply (USB-serial converter)
};

// What the front end saw, for tests.
struct EmulatorStats {
  std::atomic<int> power_ups{0};
  std::atomic<int> master_resets{0};  // from characters with a broken stop bit
  std::atomic<int> flushes{0};
  std::atomic<int> received{0};
  std::atomic<int> sent{0};
};

class PtyEmulator {
 public:
  PtyEmulator() = default;
  ~PtyEmulator();
  PtyEmulator(const PtyEmulator&) = delete;
  PtyEmulator& operator=(const PtyEmulator&) = delete;

  // Opens the pseudo-terminal; false with a message.
  bool Open(std::string& error);
  const std::string& slave_path() const { return slave_path_; }

  // Serves the chip until `controls.stop`, or until the slave side, once opened, has been closed
  // for `linger_ms` (negative: never). `every_second` runs about once a second (fault lists).
  void Run(Ds2480bEmulator& chip, EmulatorControls& controls, int linger_ms,
           const std::function<void()>& every_second = {});

  const EmulatorStats& stats() const { return stats_; }
  // Every byte in and out, with its time, goes to `trace` (null: none).
  void set_trace(FILE* trace) { trace_ = trace; }

 private:
  void Trace(const char* what, int64_t at_us, int value);
  int master_ = -1;
  FILE* trace_ = nullptr;
  std::string slave_path_;
  EmulatorStats stats_;
};

// A baud rate from a termios speed constant (0 when unknown).
int BaudOfSpeed(unsigned speed);

}  // namespace wm033::onewire::sim
