// Port type 5: a DS2480B serial line driver (DS9097U) behind the OneWireLink calls.
//
// Session start (ds2480b_session.cpp): a master reset (a NULL at 4800 baud, which the chip takes
// as it takes a break), the timing byte at 9600 baud (not answered), then the strong
// pull-up length, the flexible-speed timing (slew rate, write-one low time, sample offset), a
// read-back of the baud rate and one bit, every reply checked. Then, where asked, a higher baud
// rate, kept only when the chip answers a read-back at it; otherwise back to 9600. The higher
// rate is tried only when the round trip of the configuration shows little latency: at 115200
// baud the chip's one-byte receive buffer splits a verify into nine round trips where 9600 baud
// needs one, so behind a USB-serial converter that adds more than a few milliseconds to every
// round trip 9600 baud is the faster rate, and we stay there.
//
// Operations (ds2480b.cpp): bytes go in data mode, resets and single bits in command mode, the
// strong-access verify with the search accelerator, packed into as few writes as the chip's
// one-byte receive buffer allows at the baud rate. The strong pull-up "now" is a pulse command
// with the duration infinite; "after the next byte" sends that byte as eight single bits, the last
// with its strong pull-up (the arm bit of the pulse command would stay armed for every later byte
// and allows no infinite duration). Either pull-up is ended with F1, and the reply that the
// pulse gives when it ends is read and checked.
//
// Every reply is checked against what the datasheet allows and has a deadline. A garbled or
// missing reply makes us detect the chip again at once; a reset or verify is then tried once
// more, any other operation fails (its bus state is unknown) and the next one works. A lost port
// is reported once and opened again at the next session start.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "onewire/adapters/serial_port.h"
#include "onewire/link.h"

namespace wm033::onewire {

using SerialOpener = std::function<std::unique_ptr<SerialPort>(std::string& error)>;

class Ds2480bLink : public OneWireLink {
 public:
  static constexpr int kDefaultFastBaud = 115200;
  static constexpr int kDefaultFastLatencyLimitMs = 5;

  // `notify` gets one message when the adapter is lost (and again only after it came back).
  // `fast_baud` (19200, 57600, 115200) is tried after detection; 0 or 9600 stays at 9600.
  Ds2480bLink(SerialOpener opener, std::function<void(const std::string&)> notify = {},
              int fast_baud = kDefaultFastBaud);
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
  // The 12 V programming supply, as the last reset reply told.
  bool vpp() const { return vpp_; }
  // The latency of a round trip beyond its characters' time, as measured at detection.
  int latency_ms() const { return latency_ms_; }
  // The higher baud rate is tried only when that latency is at most `ms` (benchmarks lift it).
  void set_fast_latency_limit_ms(int ms) { fast_latency_limit_ms_ = ms; }
  // How often the chip was detected again after a bad reply (tests).
  int resyncs() const { return resyncs_; }

 private:
  enum class Mode { Command, Data };
  // Outcome of one exchange with the chip.
  enum class Reply { Ok, Bad };

  // ds2480b_session.cpp
  bool Detect(std::string& error);
  bool DetectOnce(std::string& error);
  void MasterReset();
  void DiscardLateBytes();
  bool TryFastBaud();
  // After a bad reply: detect again; false (the loss reported) when the chip is gone.
  bool Resync(const std::string& why);

  // ds2480b.cpp
  // One byte to send: the microseconds it keeps the bus busy and the replies it brings.
  struct Step {
    uint8_t byte;
    int bus_us;
    int replies;
  };
  using Steps = std::vector<Step>;
  int ResetOnce(Reply& reply);
  int VerifyOnce(const Rom& rom, Reply& reply);
  int PowerByte(uint8_t byte);
  // Puts command mode in front, and the end of a running pull-up; gives the number of replies
  // that end brings (they come first).
  size_t ToCommand(Steps& steps);
  void ToData(Steps& steps);
  // Sends the steps, in as few writes as the chip's receive buffer allows, and reads their
  // replies into `reply`; false when the port failed or a reply did not come.
  bool Send(const Steps& steps, uint8_t* reply);
  int TimeoutMs(size_t out, size_t in, int bus_us) const;

  SerialOpener opener_;
  LossNotice loss_;
  int fast_baud_ = 0;
  bool fast_ok_ = true;  // the chip answered at the fast rate (or we have not tried yet)
  std::unique_ptr<SerialPort> port_;
  Mode mode_ = Mode::Command;
  bool pulse_running_ = false;  // a strong pull-up whose end F1 will bring, with its reply
  bool primed_ = false;         // a strong pull-up to follow the next byte
  bool vpp_ = false;
  int resyncs_ = 0;
  int round_trip_ms_ = 0;  // of the configuration at detection
  int latency_ms_ = 0;
  int fast_latency_limit_ms_ = kDefaultFastLatencyLimitMs;
};

// The 16 bytes that steer a search-accelerator pass along `rom`: bit 2n+1 is the direction at
// ROM bit n.
std::vector<uint8_t> AccelRequest(const Rom& rom);
// Reads an accelerator reply: 1 when every chosen bit is `rom`'s, 0 when not.
int AccelReplyMatches(const Rom& rom, const uint8_t* reply16);
// A reset reply as a OneWireLink result; negative when it is not a reset reply.
int ResetResultOf(uint8_t reply);
// Whether `reply` is what the single-bit command `command` may answer.
bool BitReplyValid(uint8_t command, uint8_t reply);
// How many of a run of bytes, each keeping the bus busy for its microseconds, can be written at
// once at `baud` without overrunning the chip's one-byte receive buffer.
size_t BurstLength(const std::vector<int>& bus_us, int baud);

}  // namespace wm033::onewire
