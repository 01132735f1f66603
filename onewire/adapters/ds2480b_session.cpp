// The DS2480B link's session routines: opening the port, detecting the chip, the baud-rate
// change, and detecting the chip again after a bad reply.
#include <algorithm>
#include <chrono>
#include <string>

#include "onewire/adapters/ds2480b.h"
#include "onewire/adapters/ds2480b_codes.h"

namespace wm033::onewire {

using namespace ds2480b;

namespace {
constexpr int kDetectTries = 3;
constexpr int kSettleMs = 3;  // a character at 4800 baud takes 2.1 ms
constexpr int kQuietMs = 20;  // no byte for this long: nothing more is on its way
constexpr int kLateBytesMaxMs = 300;
constexpr uint8_t kNull = 0x00;
}  // namespace

Ds2480bLink::Ds2480bLink(SerialOpener opener, std::function<void(const std::string&)> notify,
                         int fast_baud)
    : opener_(std::move(opener)), loss_(std::move(notify)), fast_baud_(fast_baud) {}

bool Ds2480bLink::Open(std::string& error) {
  port_.reset();
  fast_ok_ = true;
  if (!opener_) {
    error = "no serial port to open";
    return false;
  }
  port_ = opener_(error);
  if (!port_) return false;
  if (!Detect(error)) {
    port_.reset();
    return false;
  }
  if (fast_baud_ > 9600) TryFastBaud();
  if (!port_) {
    error = "the DS2480B adapter stopped answering after a baud-rate change";
    return false;
  }
  return true;
}

// The master reset cycle: the chip takes start polarity where a stop bit belongs as a reset, so
// a break does it and so does a NULL at 4800 baud, whatever rate the chip is at. We send the
// NULL: it takes 2 ms where a break takes a quarter of a second or more, and a pseudo-terminal
// (our emulator) carries it where it cannot carry a break. The chip then waits for its timing
// byte.
void Ds2480bLink::MasterReset() {
  mode_ = Mode::Command;
  pulse_running_ = primed_ = false;
  if (port_->SetBaud(4800)) {
    port_->Write(&kNull, 1);
    port_->Drain();
    port_->Pause(kSettleMs);
  }
  port_->SetBaud(9600);
}

// Bytes still on their way from before (a converter's latency) must not be taken for replies:
// wait until none has come for twice the last round trip (at least 20 ms).
void Ds2480bLink::DiscardLateBytes() {
  const int quiet = std::max(kQuietMs, 2 * round_trip_ms_);
  uint8_t junk[64];
  for (int waited = 0; waited < kLateBytesMaxMs; waited += quiet) {
    if (port_->Read(junk, sizeof junk, quiet) <= 0) break;
  }
  port_->DiscardInput();
}

bool Ds2480bLink::DetectOnce(std::string& error) {
  MasterReset();
  port_->DiscardInput();  // not the output: on a pseudo-terminal that could drop the NULL
  if (!port_->Write(&kTimingByte, 1)) {
    error = "the serial port failed while the adapter was reset";
    return false;
  }
  port_->Drain();
  port_->Pause(kSettleMs);
  DiscardLateBytes();
  // Strong pull-up without end (F1 ends it), flexible-speed timing for long lines, then two
  // read-backs: the baud rate, and one bit on the bus.
  const uint8_t setup[] = {ConfigWrite(kParam5VPulse, kPulseInfinite),
                           ConfigWrite(kParamSlew, kSlew1p37),
                           ConfigWrite(kParamWrite1Low, kWrite1Low10us),
                           ConfigWrite(kParamSampleOffset, kSampleOffset8us),
                           ConfigRead(kParamBaud),
                           static_cast<uint8_t>(kBitBase | kBitOne)};
  constexpr size_t n = sizeof setup;
  uint8_t r[n] = {};
  const auto start = std::chrono::steady_clock::now();
  const int got = port_->Write(setup, n) ? port_->Read(r, n, TimeoutMs(n, n, kSlotUs)) : -1;
  round_trip_ms_ = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
  // Each byte is answered as it arrives: the exchange takes n + 1 character times.
  latency_ms_ = std::max(0, round_trip_ms_ - static_cast<int>((n + 1) * 10 * 1000 / 9600));
  if (got != static_cast<int>(n)) {
    error = got < 0 ? "the serial port failed while the adapter was detected"
                    : "no DS2480B adapter answered on the serial port (no reply to its "
                      "configuration): check that a DS9097U is plugged in and powered";
    return false;
  }
  bool ok = r[n - 2] == ConfigReadReply(kBaud9600) && BitReplyValid(setup[n - 1], r[n - 1]);
  for (size_t i = 0; i + 2 < n; ++i) ok = ok && r[i] == ConfigWriteReply(setup[i]);
  if (!ok) {
    error = "the device on the serial port does not answer as a DS2480B adapter does";
    return false;
  }
  return true;
}

bool Ds2480bLink::Detect(std::string& error) {
  for (int i = 0; i < kDetectTries; ++i) {
    if (DetectOnce(error)) return true;
    if (error.find("serial port failed") != std::string::npos) return false;
  }
  return false;
}

// A higher baud rate: the chip answers the change at the new rate already, so we switch, drop
// that answer, and keep the rate only when a read-back at it comes right.
bool Ds2480bLink::TryFastBaud() {
  if (!fast_ok_ || fast_baud_ <= 9600 || latency_ms_ > fast_latency_limit_ms_) return false;
  const uint8_t code = fast_baud_ >= 115200  ? kBaud115200
                       : fast_baud_ >= 57600 ? kBaud57600
                                             : kBaud19200;
  const uint8_t change = ConfigWrite(kParamBaud, code);
  if (port_->Write(&change, 1)) {
    port_->Drain();
    port_->Pause(kSettleMs);
    if (port_->SetBaud(BaudOfCode(code))) {
      DiscardLateBytes();  // the answer to the change, at whichever rate it came
      const uint8_t check = ConfigRead(kParamBaud);
      uint8_t r = 0;
      if (port_->Write(&check, 1) && port_->Read(&r, 1, TimeoutMs(1, 1, 0)) == 1 &&
          r == ConfigReadReply(code))
        return true;
    }
  }
  // No answer at the new rate: back to 9600 for this port.
  fast_ok_ = false;
  std::string error;
  if (!Detect(error)) port_.reset();
  return false;
}

bool Ds2480bLink::Resync(const std::string& why) {
  ++resyncs_;
  std::string error;
  if (port_ && Detect(error)) {
    if (fast_baud_ > 9600 && fast_ok_) TryFastBaud();
    if (port_) return true;
  }
  port_.reset();
  loss_.Lost("The DS2480B 1-Wire adapter stopped answering (" + why + (error.empty() ? "" : "; ") +
             error + "): check its cable and power; we try again at every session start.");
  return false;
}

}  // namespace wm033::onewire
