// Arbitrary transfer results fed to the DS2490 driver under the real device routines: a counter
// read, a thermometer (conversion with the strong pull-up, scratchpad), a DS2438 and the DS2450
// set-up and conversion, twice. Whatever the adapter answers, each routine ends with its code, a
// counter stays within 23 bits, a temperature is whole degrees of a 16-bit reading or a
// placeholder (a garbled scratchpad can pass its CRC: callers take 250 and above as no reading),
// no session stays open, and the number of transfers stays bounded. The fuzz target and the
// regression test (tests/adapter_ds2490_fuzz_test.cpp) share it.
//
// Input format, one record per transfer, in the order the driver makes them:
//   control   1 byte: below 0xF0 taken, else refused with an error (stall, timeout, I/O, gone)
//   bulk out  1 byte: below 0xF0 all taken, 0xF0-0xF7 half taken, else an error
//   status    1 byte: 0xF8 and up an error, else a length (modulo 33), then that many bytes
//   bulk in   1 byte: 0xF8 and up an error, else a length (modulo 65), then that many bytes
// When the input runs out every transfer finds no device.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "onewire/adapters/ds2490.h"
#include "onewire/device_routines.h"
#include "onewire/link_tmex.h"
#include "platform/platform.h"

namespace wm033::fuzz {

// Aborts, naming the line of the check that failed.
inline void Require(bool ok, int line = __builtin_LINE()) {
  if (ok) return;
  std::fprintf(stderr, "ds2490_transfers.h:%d: check failed\n", line);
  std::abort();
}

class InputUsb : public onewire::UsbTransfer {
 public:
  InputUsb(const uint8_t* data, size_t size, size_t& at, long& transfers)
      : data_(data), size_(size), at_(at), transfers_(transfers) {}
  int Control(uint8_t, uint16_t, uint16_t) override {
    const auto b = Next();
    if (!b) return onewire::kUsbErrorNoDevice;
    return *b < 0xF0 ? 0 : Error(*b);
  }
  int BulkOut(const uint8_t*, size_t n) override {
    const auto b = Next();
    if (!b) return onewire::kUsbErrorNoDevice;
    if (*b < 0xF0) return static_cast<int>(n);
    return *b < 0xF8 ? static_cast<int>(n / 2) : Error(*b);
  }
  int BulkIn(uint8_t* d, size_t n) override { return Packet(d, n, 65); }
  int Status(uint8_t* d, size_t n) override { return Packet(d, n, 33); }

 private:
  std::optional<uint8_t> Next() {
    ++transfers_;
    if (at_ >= size_) return std::nullopt;
    return data_[at_++];
  }
  static int Error(uint8_t b) {
    static constexpr int kErrors[4] = {onewire::kUsbErrorPipe, onewire::kUsbErrorTimeout,
                                       onewire::kUsbErrorIo, onewire::kUsbErrorNoDevice};
    return kErrors[b & 3];
  }
  int Packet(uint8_t* d, size_t n, int modulo) {
    const auto b = Next();
    if (!b) return onewire::kUsbErrorNoDevice;
    if (*b >= 0xF8) return Error(*b);
    size_t len = *b % modulo;
    size_t k = 0;
    for (; k < len && at_ < size_; ++k) {
      const uint8_t v = data_[at_++];
      if (k < n) d[k] = v;
    }
    if (k > n) return onewire::kUsbErrorOverflow;
    return static_cast<int>(k);
  }
  const uint8_t* data_;
  size_t size_;
  size_t& at_;
  long& transfers_;
};

// A platform whose clock only the routines' waits move.
class QuietPlatform : public Platform {
 public:
  double Now() override { return 41144.5 + tick_ / 86400000.0; }
  uint32_t GetTickCount() override { return tick_; }
  void ProcessMessages() override { ++tick_; }
  void WaitForEvents(uint32_t ms) override { tick_ += ms ? ms : 1; }
  void ShowMessage(const std::string& text) override { Require(!text.empty()); }
  std::optional<std::string> InputBox(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  DialogAnswer YesNoCancel(const std::string&, int, int) override { return DialogAnswer::No; }
  void Terminate(int) override {}
  bool TerminateRequested() const override { return false; }
  bool OpenHelp(const std::string&) override { return false; }
  void SeedRandom() override {}
  uint32_t Random(uint32_t) override { return 0; }
  bool Headless() const override { return true; }

 private:
  uint32_t tick_ = 1000;
};

class QuietRoutines : public onewire::DeviceRoutines {
 public:
  using DeviceRoutines::DeviceRoutines;
  void ReportError(const std::string& m) override { Require(!m.empty()); }
  void ReportDallasError(const std::string& m, uint16_t code, int32_t) override {
    Require(!m.empty() && code != 0);
  }
  void ShowTrap(const std::string&) override { std::abort(); }  // nothing may throw
};

// The demo station's chips: thermometer (28), counter (1D), DS2438 (26), DS2450 (20).
inline void ConfigureChips(onewire::DeviceRoutines& f) {
  f.siPortNum = 1;
  f.siPortType = 6;
  f.bChipRom[0] = {0x28, 0x10, 0xA0, 0x33, 0x05, 0x00, 0x00, 0x83};
  f.sChipId[0] = "830000053A3A1028";
  f.bChipRom[6] = {0x1D, 0x16, 0xA6, 0x33, 0x05, 0x00, 0x00, 0x70};
  f.bChipRom[8] = {0x26, 0x18, 0xA8, 0x33, 0x05, 0x00, 0x00, 0x63};
  f.sChipId[8] = "630000053A3A1826";
  f.bChipRom[10] = {0x20, 0x1A, 0xAA, 0x33, 0x05, 0x00, 0x00, 0x00};
}

// The readings of one run, for a test that replays a good session.
struct Ds2490Readings {
  float temperature = 0, volts = 0, t2438 = 0;
  uint32_t count = 0;
  uint16_t count_code = 0, code2438 = 0, init_code = 0, adc_code = 0;
  uint16_t adc[4] = {};
  long transfers = 0;
};

// Runs the routines over the given transfer results. A test that records an emulator session
// gives the emulator as `usb` and the platform whose clock the emulated chips read.
inline Ds2490Readings RunDs2490Transfers(
    const uint8_t* data, size_t size,
    std::function<std::unique_ptr<onewire::UsbTransfer>()> usb = nullptr,
    Platform* clock = nullptr) {
  using namespace onewire;
  size_t at = 0;
  Ds2490Readings out;
  QuietPlatform quiet;
  QuietRoutines f(clock ? *clock : quiet);
  ConfigureChips(f);
  LinkOpener open = [&](int16_t, int16_t, std::string& e) -> std::unique_ptr<OneWireLink> {
    auto link = std::make_unique<Ds2490Link>(
        [&](std::string&) -> std::unique_ptr<UsbTransfer> {
          if (usb) return usb();
          return std::make_unique<InputUsb>(data, size, at, out.transfers);
        },
        [](const std::string& note) { Require(!note.empty()); });
    if (!link->Open(e)) return nullptr;
    return link;
  };
  f.UseTmex(std::make_unique<LinkTmex>(open, [](const std::string& m) { Require(!m.empty()); }));
  for (int round = 0; round < 2; ++round) {
    int32_t dall = 0;
    f.DMLGetCount(6, 14, out.count, out.count_code, dall);
    Require(out.count <= 0x7FFFFF);
    out.temperature = f.ReadTtureChannel(0);
    // Whole degrees of a 16-bit reading (a DS18B20's is raw / 16), or a placeholder.
    Require(std::isfinite(out.temperature) && out.temperature >= -2048 && out.temperature <= 2048);
    int16_t d16 = 0;
    f.Read2438(8, out.volts, out.t2438, out.code2438, d16);
    Require(out.volts >= 0 && out.volts <= 655.35f + 0.01f);
    f.bWindAdcReady = false;
    f.DML2450Init(10, out.init_code, dall);
    uint16_t* a = out.adc;
    f.DMLGet2540ADC(10, a[0], a[1], a[2], a[3], out.adc_code, dall);
    Require(f.bMicroLanInUse == 0);
    auto* t = dynamic_cast<LinkTmex*>(&f.tmex());
    Require(t && !t->SessionOpen());
  }
  // Every transfer takes at least one byte of input until it runs out; then the adapter is gone
  // after one refused transfer per session start.
  Require(usb || out.transfers <= static_cast<long>(size) + 200);
  return out;
}

}  // namespace wm033::fuzz
