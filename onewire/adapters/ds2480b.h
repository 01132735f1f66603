// Port type 5: a DS2480B serial line driver (DS9097U) behind the OneWireLink calls.
// Detection: a break, 9600 baud, the timing byte (a reset the chip uses to measure our bit
// time), then the flexible-speed configuration (slew rate, write-one low time, data sample
// offset) and a read-back of the baud rate and one bit, every reply checked. Bytes go in data
// mode, resets and single bits in command mode; the strong-access verify uses the search
// accelerator. Every reply has a deadline; a garbled or missing reply makes us detect the chip
// again before the failure is given, and a lost port is opened again at the next session start.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "onewire/adapters/serial_port.h"
#include "onewire/link.h"

namespace wm033::onewire {

using SerialOpener = std::function<std::unique_ptr<SerialPort>(std::string& error)>;

class Ds2480bLink : public OneWireLink {
 public:
  // `notify` gets one message when the adapter is lost (and again only after it came back).
  Ds2480bLink(SerialOpener opener, std::function<void(const std::string&)> notify = {},
              int fast_baud = 0);
  // Opens the port and detects the chip; false with a message saying what to fix.
  bool Open(std::string& error);

  void OnSessionStart() override;
  int Reset() override;
  int TouchBit(int bit) override;
  int TouchByte(int byte) override;
  int SetLevel(LineLevel level, LevelStart start) override;
  std::optional<int> AccelVerify(const Rom& rom) override;

  bool connected() const { return port_ != nullptr; }
  int baud() const { return port_ ? port_->baud() : 0; }

 private:
  enum class Mode { Command, Data };
  bool Detect(std::string& error);
  bool TryFastBaud();
  // Sends `out` and reads `n` reply bytes; false (after a re-detect) when they do not come.
  bool Exchange(const std::vector<uint8_t>& out, uint8_t* reply, size_t n);
  // Puts the mode switch in front of a command, and ends a running pulse.
  void ToCommand(std::vector<uint8_t>& out);
  bool EndPulse();
  int Fail(const std::string& why);
  int TimeoutMs(size_t out, size_t in) const;

  SerialOpener opener_;
  LossNotice loss_;
  int fast_baud_ = 0;
  std::unique_ptr<SerialPort> port_;
  Mode mode_ = Mode::Command;
  bool pulse_running_ = false;  // a pulse whose end the chip will answer
  bool pulse_armed_ = false;    // a pulse that starts after the next data byte
};

// The 16 bytes that steer a search-accelerator pass along `rom`: bit 2n+1 is the direction at
// ROM bit n.
std::vector<uint8_t> AccelRequest(const Rom& rom);
// Reads an accelerator reply: 1 when every chosen bit is `rom`'s, 0 when not.
int AccelReplyMatches(const Rom& rom, const uint8_t* reply16);
// Puts a data byte into a data-mode stream (0xE3 twice).
void AppendData(std::vector<uint8_t>& out, uint8_t byte);
// A reset reply as a OneWireLink result; negative when it is not a reset reply.
int ResetResultOf(uint8_t reply);

}  // namespace wm033::onewire
