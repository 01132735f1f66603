// What a 1-Wire adapter must do for us: reset the bus, touch a bit or a byte, and set the line
// level (normal, or the strong pull-up that parasite-powered conversions need, now or after the
// next byte). Everything else (ROM search, the strong-access verify) is built on these in
// onewire/search.cpp; an adapter with a faster way of doing a search step may offer it.
//
// Error contract: every operation returns a negative value when the adapter itself failed (lost
// port, no answer from the adapter); a bus with no chips is not an adapter failure. All calls
// block for the length of the bus operation only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "onewire/rom.h"

namespace wm033::onewire {

// Results of a reset, as TMTouchReset gives them.
constexpr int kResetNoPresence = 0;
constexpr int kResetPresence = 1;
constexpr int kResetAlarm = 2;
constexpr int kResetShort = 3;

// Adapter failure results.
constexpr int kLinkFailed = -1;         // the adapter did not answer
constexpr int kLinkNotSupported = -12;  // the adapter cannot do this (no strong pull-up)

enum class LineLevel { Normal = 0, StrongPullUp = 1 };
enum class LevelStart { Now = 0, AfterNextByte = 2 };

class OneWireLink {
 public:
  virtual ~OneWireLink() = default;

  // Called when a session starts on the link (an emulator re-reads its fault list here).
  virtual void OnSessionStart() {}

  // kResetPresence, kResetAlarm, kResetNoPresence, kResetShort or negative.
  virtual int Reset() = 0;
  // Sends one bit (1 also reads); gives the bit seen on the bus, or negative.
  virtual int TouchBit(int bit) = 0;
  // Sends one byte, least significant bit first (0xFF reads); gives the byte seen, or negative.
  // Built on TouchBit unless the adapter has a byte mode.
  virtual int TouchByte(int byte);
  // Sets the line level; negative when refused. The strong pull-up ends at the next bus
  // operation after it has started.
  virtual int SetLevel(LineLevel level, LevelStart start) = 0;
  virtual bool HasStrongPullUp() const { return true; }

  // A faster strong-access verify (reset, search steered along `rom`) when the adapter has one:
  // 1 the chip answered every bit and is selected, 0 it did not, negative adapter failure.
  virtual std::optional<int> AccelVerify(const Rom& rom) {
    (void)rom;
    return std::nullopt;
  }
};

// Tells the user once that a real adapter stopped answering (or could not be opened), and
// again only after it has come back; a station whose adapter is unplugged for a day would
// otherwise fill the error log with the same line.
class LossNotice {
 public:
  explicit LossNotice(std::function<void(const std::string&)> notify)
      : notify_(std::move(notify)) {}
  void Lost(const std::string& message) {
    if (!reported_ && notify_) notify_(message);
    reported_ = true;
  }
  // The outcome of an attempt to open the adapter again: a success lets the next loss be told.
  void Reopened(bool ok, const std::string& error) {
    if (ok)
      reported_ = false;
    else
      Lost(error);
  }

 private:
  std::function<void(const std::string&)> notify_;
  bool reported_ = false;
};

}  // namespace wm033::onewire
