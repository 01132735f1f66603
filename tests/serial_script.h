// A scripted serial port for exact byte-sequence tests of a serial line driver: each write must
// match the next turn of the script, and the turn's reply bytes then wait to be read. A turn
// without reply bytes answers nothing; a read finds what is waiting or times out at once. Every
// mismatch is recorded with a hex dump of the expected and the actual bytes.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "onewire/adapters/serial_port.h"

namespace wm033::testing {

using Bytes = std::vector<uint8_t>;

inline std::string HexBytes(const Bytes& b) {
  std::string s;
  char h[4];
  for (uint8_t x : b) {
    std::snprintf(h, sizeof h, "%02X ", x);
    s += h;
  }
  return s.empty() ? "(none)" : s.substr(0, s.size() - 1);
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Turn {
  Bytes expect;  // what the driver must write
  Bytes reply;   // what comes back
  int baud = 0;  // the rate the write must go at (0: any)
};

class ScriptedPort : public onewire::SerialPort {
 public:
  // `silent`, when set, makes every write go unanswered and unchecked (a dead adapter).
  ScriptedPort(std::deque<Turn>& script, std::vector<std::string>& mismatches,
               const bool* silent = nullptr)
      : script_(script), mismatches_(mismatches), silent_(silent) {}

  bool Write(const uint8_t* data, size_t n) override {
    const Bytes got(data, data + n);
    written.insert(written.end(), got.begin(), got.end());
    if (silent_ && *silent_) return true;
    if (script_.empty()) {
      mismatches_.push_back("unexpected write: " + HexBytes(got));
      return true;
    }
    Turn t = script_.front();
    script_.pop_front();
    if (t.expect != got)
      mismatches_.push_back("expected write " + HexBytes(t.expect) + ", got " + HexBytes(got));
    if (t.baud && t.baud != baud_)
      mismatches_.push_back("write of " + HexBytes(got) + " at " + std::to_string(baud_) +
                            " baud, expected " + std::to_string(t.baud));
    input_.insert(input_.end(), t.reply.begin(), t.reply.end());
    return true;
  }
  int Read(uint8_t* data, size_t n, int) override {
    size_t i = 0;
    for (; i < n && !input_.empty(); ++i) {
      data[i] = input_.front();
      input_.pop_front();
    }
    return static_cast<int>(i);
  }
  bool SetBaud(int baud) override {
    baud_ = baud;
    return true;
  }
  void SendBreak() override { ++breaks; }
  void Flush() override { input_.clear(); }
  void DiscardInput() override { input_.clear(); }
  void Drain() override {}
  void Pause(int) override {}
  int baud() const override { return baud_; }

  Bytes written;
  int breaks = 0;

 private:
  std::deque<Turn>& script_;
  std::vector<std::string>& mismatches_;
  const bool* silent_;
  std::deque<uint8_t> input_;
  int baud_ = 9600;
};

}  // namespace wm033::testing
