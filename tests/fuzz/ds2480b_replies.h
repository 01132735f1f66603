// Arbitrary reply bytes fed to the DS2480B driver through its real routines: detection and the
// baud-rate change, then the TMEX calls of a counter read and of a conversion with the strong
// pull-up (now and after the next byte), and a search. Whatever comes back, the calls end, their
// results stay in their ranges, and a byte's echo never shows a one that was sent as a zero.
// The fuzz target and the regression test (tests/adapter_ds2480b_fuzz_test.cpp) share it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "onewire/adapters/ds2480b.h"
#include "onewire/link_tmex.h"
#include "onewire/search.h"

namespace wm033::fuzz {

// A port whose every read takes the next input bytes; when they run out, reads time out.
class ReplyPort : public onewire::SerialPort {
 public:
  ReplyPort(const uint8_t* data, size_t size, size_t& at) : data_(data), size_(size), at_(at) {}
  bool Write(const uint8_t*, size_t) override { return true; }
  int Read(uint8_t* out, size_t n, int) override {
    size_t i = 0;
    for (; i < n && at_ < size_; ++i) out[i] = data_[at_++];
    return static_cast<int>(i);
  }
  bool SetBaud(int baud) override {
    baud_ = baud;
    return true;
  }
  void SendBreak() override {}
  void Flush() override {}
  void Drain() override {}
  void Pause(int) override {}
  int baud() const override { return baud_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t& at_;
  int baud_ = 9600;
};

inline void Require(bool ok) {
  if (!ok) std::abort();
}

inline void RunDs2480bReplies(const uint8_t* data, size_t size) {
  using namespace onewire;
  if (size == 0) return;
  const int fast = (data[0] & 1) ? 115200 : 0;
  size_t at = 1;
  onewire::LinkOpener open = [&](int16_t, int16_t, std::string& e) -> std::unique_ptr<OneWireLink> {
    auto link = std::make_unique<Ds2480bLink>(
        [&](std::string&) -> std::unique_ptr<SerialPort> {
          return std::make_unique<ReplyPort>(data, size, at);
        },
        [](const std::string& note) { Require(!note.empty()); }, fast);
    if (!link->Open(e)) return nullptr;
    return link;
  };
  LinkTmex tmex(open, [](const std::string& m) { Require(!m.empty()); });
  auto byte = [&](int32_t h, int b) {
    const int16_t r = tmex.TMTouchByte(h, static_cast<int16_t>(b));
    Require(r <= 255);
    Require(r < 0 || (r & ~b) == 0);
  };
  uint16_t rom[8] = {0x1D, 0x15, 0xA5, 0x33, 0x05, 0x00, 0x00, 0x67};
  uint8_t state[16] = {};
  for (int round = 0; round < 2; ++round) {
    const int32_t h = tmex.TMExtendedStartSession(1, 5, nullptr);
    if (h < 1) continue;
    const int16_t setup = tmex.TMSetup(h);
    Require(setup >= 0 && setup <= 3);
    Require(tmex.TMRom(h, state, rom) == 1);
    const int16_t access = tmex.TMStrongAccess(h, state);
    Require(access <= 1);
    for (int b : {0xA5, 0xC0, 0x01, 0xE3}) byte(h, b);
    for (int i = 0; i < 12; ++i) byte(h, 0xFF);
    const int16_t reset = tmex.TMTouchReset(h);
    Require(reset <= 3);
    byte(h, 0x44);
    tmex.TMOneWireLevel(h, kLevelSet, kLevelStrongPullUp, kPrimeNone);
    tmex.TMOneWireLevel(h, kLevelSet, kLevelNormal, kPrimeNone);
    tmex.TMOneWireLevel(h, kLevelSet, kLevelStrongPullUp, kPrimeAfterByte);
    byte(h, 0x3C);
    tmex.TMOneWireLevel(h, kLevelSet, kLevelNormal, kPrimeNone);
    Require(tmex.TMEndSession(h) == 1);
  }
  const int32_t h = tmex.TMExtendedStartSession(1, 5, nullptr);
  if (h >= 1 && tmex.link()) {
    std::vector<Rom> found;
    const int n = SearchBus(*tmex.link(), found, 3);
    Require(n <= 3 && (n < 0 || static_cast<size_t>(n) == found.size()));
    const int bit = tmex.link()->TouchBit(1);
    Require(bit >= -32768 && bit <= 1);
    tmex.TMEndSession(h);
  }
}

}  // namespace wm033::fuzz
