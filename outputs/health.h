// Health of the 13 configuration lines k to w (chip slots 0 to 12), counted by the device
// routines as they run: reads tried, reads failed, failures by error code, failures in a row,
// and the last good reading. A line is failing from its third failure in a row until its next
// good read. The history reload reads no chip and so counts nothing.
//
// A routine opens a ReadScope for its line and ends it with its error code. Routines call each
// other (ReadTtureChannel -> TakeABNWTture -> Read2438), so only the outermost scope of a
// read counts; a nested scope only passes on an unexpected error it caught.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "onewire/device_routines.h"

namespace wm033::outputs {

constexpr int kLines = 13;
constexpr uint32_t kFailingAfter = 3;  // failures in a row that make a line failing

// Codes the health count adds to the routines' own: a read that came back without a usable
// value. Neither number is a code any routine of the line's chip uses.
constexpr uint16_t kCodeUnexpected = 0;  // an unexpected error was caught during the read
constexpr uint16_t kCodePowerOn = onewire::kReadCodePowerOn;  // a thermometer gave 85 degrees
constexpr uint16_t kCodeNoPattern = 16;  // the vane's voltages form no pattern of its table

enum class LineState { kOk, kFailing, kDisabled, kNotConfigured };
const char* StateName(LineState s);  // "ok", "failing", "disabled", "not configured"

struct CodeCount {
  uint16_t code;
  uint32_t count;
  bool operator==(const CodeCount&) const = default;
};

// A good reading: its value in the program's own unit and when it was made (day count).
struct Reading {
  double value = 0;
  double time = 0;
};

struct LineHealth {
  uint32_t reads = 0;
  uint32_t failures = 0;
  uint32_t in_a_row = 0;           // failures since the last good read
  uint16_t last_code = 0;          // code of the latest failure
  std::vector<CodeCount> by_code;  // ascending codes
  double failing_since = 0;        // day count of the first failure of the current run
  bool failing = false;
  std::optional<Reading> last_good;
  std::optional<Reading> previous_good;  // the one before it, for rates

  uint32_t CountOf(uint16_t code) const;
};

// A line that became failing, or recovered.
struct StateChange {
  int line = 0;
  bool failing = false;
  uint16_t code = 0;          // failing: the code of the failure that made it so
  uint32_t code_count = 0;    // failing: failures of the line with that code so far
  uint32_t in_a_row = 0;      // failing: failures in a row; recovered: the run that ended
  double seconds_failed = 0;  // recovered: from the first failure of the run to now
};

class StationHealth {
 public:
  // A read of `line` starts; true when it is the outermost one, the one that counts.
  bool Begin(int line);
  // The read ends with `code` (0: the chip answered). `trapped`: an unexpected error was caught.
  // Gives the state change, if the read made one.
  std::optional<StateChange> End(int line, uint16_t code, bool trapped, double now);
  // A read that started is given up before any chip was touched: nothing is counted.
  void Abandon();
  // The sensor routine took a good reading of `line`; true when the value differs from the last.
  bool Good(int line, double value, double now);

  const LineHealth& Line(int line) const { return lines_[Index(line)]; }
  // Grows whenever a reading's value or a line's failing state changes.
  uint64_t Revision() const { return revision_; }
  void Clear() { *this = StationHealth(); }

 private:
  static size_t Index(int line) { return line >= 0 && line < kLines ? size_t(line) : 0; }
  std::array<LineHealth, kLines> lines_{};
  int depth_ = 0;
  bool trapped_ = false;  // a nested scope of the read in progress caught an error
  uint64_t revision_ = 0;
};

// The state a line shows: not configured when no chip of an accepted family is named for it,
// disabled when it is switched off (in WM033ini.txt, or while running), else failing or ok.
LineState StateOf(const LineHealth& h, bool family_accepted, bool enabled);

// One read of a line by a device or sensor routine of the main form: the device layer's scope,
// which the main form's read hooks count here. Counted once, by Done or, when an exception
// leaves the routine, by the destructor as an unexpected error.
using ReadScope = onewire::ReadScope;

}  // namespace wm033::outputs
