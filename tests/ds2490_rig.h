// The demo station behind the DS2490 emulator and our DS2490 driver, with the device routines of
// a test owner on the fake platform. The chips, the emulator and the routines' waits share the
// platform's clock. Between driver and emulator sits a USB link that can garble, drop or fail
// chosen transfers, as a flaky cable or a busy host controller would.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "onewire/adapters/ds2490.h"
#include "onewire/device_routines.h"
#include "onewire/link_tmex.h"
#include "onewire/sim/ds2490_emulator.h"
#include "onewire/sim/station.h"
#include "onewire/station_config.h"
#include "onewire/tmex_factory.h"
#include "tests/fake_platform.h"

namespace wm033::testing {

// The emulated chips' clock: the platform's.
struct PlatformChipClock : onewire::sim::SimClock {
  explicit PlatformChipClock(FakePlatform& p) : platform(p) {}
  uint32_t Ticks() override { return platform.tick; }
  double Now() override { return platform.now; }
  FakePlatform& platform;
};

// The emulator's clock: the platform's, in microseconds.
struct PlatformUsbClock : onewire::sim::EmulatorClock {
  explicit PlatformUsbClock(FakePlatform& p) : platform(p) {}
  uint64_t NowUs() override { return uint64_t{platform.tick} * 1000 + sub_ms_us; }
  void Spend(uint64_t us) override {
    sub_ms_us += us;
    platform.Advance(static_cast<uint32_t>(sub_ms_us / 1000));
    sub_ms_us %= 1000;
  }
  FakePlatform& platform;
  uint64_t sub_ms_us = 0;
};

// What a transfer should suffer, the next time one of its kind comes.
enum class Harm {
  kFail,      // the transfer fails (an I/O error)
  kShort,     // a status packet cut to 8 bytes
  kNoDevice,  // the device is gone for this transfer
  kGarble,    // a status packet with a result byte `garble_with` (added, or over the first)
};

// Harms planned for one kind of transfer: each lets `after` transfers of its kind pass first.
struct Planned {
  Harm harm;
  int after = 0;
};

class HarmfulUsb : public onewire::UsbTransfer {
 public:
  explicit HarmfulUsb(onewire::UsbTransfer& inner) : inner_(inner) {}
  std::deque<Planned> control, status, bulk_in, bulk_out;
  void Clear() {
    control.clear();
    status.clear();
    bulk_in.clear();
    bulk_out.clear();
  }
  uint8_t garble_with = 0xFF;
  int controls = 0, statuses = 0, bulk_ins = 0, bulk_outs = 0;

  int Control(uint8_t request, uint16_t value, uint16_t index) override {
    ++controls;
    if (auto h = Take(control))
      return *h == Harm::kNoDevice ? onewire::kUsbErrorNoDevice : onewire::kUsbErrorPipe;
    return inner_.Control(request, value, index);
  }
  int BulkOut(const uint8_t* d, size_t n) override {
    ++bulk_outs;
    if (auto h = Take(bulk_out))
      return *h == Harm::kNoDevice ? onewire::kUsbErrorNoDevice : onewire::kUsbErrorTimeout;
    return inner_.BulkOut(d, n);
  }
  int BulkIn(uint8_t* d, size_t n) override {
    ++bulk_ins;
    const int r = inner_.BulkIn(d, n);
    if (auto h = Take(bulk_in))
      return *h == Harm::kNoDevice ? onewire::kUsbErrorNoDevice : onewire::kUsbErrorIo;
    return r;
  }
  int Status(uint8_t* d, size_t n) override {
    ++statuses;
    const int r = inner_.Status(d, n);
    if (auto h = Take(status)) {
      if (*h == Harm::kNoDevice) return onewire::kUsbErrorNoDevice;
      if (*h == Harm::kFail) return onewire::kUsbErrorIo;
      if (*h == Harm::kShort) return r < 0 ? r : std::min(r, 8);
      if (r >= 16 && (r > 16 || n > 16)) {
        d[16] = garble_with;
        return std::max(r, 17);
      }
    }
    return r;
  }

 private:
  static std::optional<Harm> Take(std::deque<Planned>& q) {
    if (q.empty()) return std::nullopt;
    if (q.front().after > 0) {
      --q.front().after;
      return std::nullopt;
    }
    const Harm h = q.front().harm;
    q.pop_front();
    return h;
  }
  onewire::UsbTransfer& inner_;
};

// Device routines that keep what they report.
class TestRoutines : public onewire::DeviceRoutines {
 public:
  using DeviceRoutines::DeviceRoutines;
  std::vector<std::string> reports;
  void ReportError(const std::string& m) override { reports.push_back(m); }
  void ReportDallasError(const std::string& m, uint16_t code, int32_t v) override {
    reports.push_back(m + std::to_string(code) + " / " + std::to_string(v));
  }
  void ShowTrap(const std::string& what) override { reports.push_back("trap " + what); }
};

inline onewire::StationConfig DemoConfig() {
  std::vector<std::string> lines;
  onewire::ReadLines(std::string(WM033_SOURCE_DIR) + "/demo/WM033ini.txt", lines);
  return onewire::ParseStationConfig(lines);
}

inline onewire::sim::StationPlan DemoPlan(const onewire::StationConfig& cfg) {
  std::array<onewire::Rom, onewire::kChipSlots> roms{};
  std::array<std::string, onewire::kChipSlots> ids;
  std::array<uint8_t, onewire::kChipSlots> pages{};
  for (int s = 0; s < onewire::kChipSlots; ++s) {
    roms[s] = cfg.chips[s].rom.value_or(onewire::Rom{});
    ids[s] = cfg.chips[s].id;
    pages[s] = cfg.chips[s].counter_page;
  }
  return onewire::PlanFromChips(20120823, cfg.wind_dir_table, cfg.wind_dir_rotation, roms, ids,
                                pages);
}

struct Ds2490Rig {
  Ds2490Rig()
      : cfg(DemoConfig()),
        station(DemoPlan(cfg), chip_clock),
        chip(station.bus(), &usb_clock),
        usb(chip),
        routines(platform) {
    routines.siPortNum = cfg.port_num;
    routines.siPortType = 6;
    for (int s = 0; s < onewire::kChipSlots; ++s) {
      routines.sChipId[s] = cfg.chips[s].id;
      routines.bChipRom[s] = cfg.chips[s].rom.value_or(onewire::Rom{});
      routines.bChipEnabled[s] = cfg.chips[s].enabled;
    }
    onewire::LinkOpener open = [this](int16_t, int16_t,
                                      std::string& error) -> std::unique_ptr<onewire::OneWireLink> {
      auto l = std::make_unique<onewire::Ds2490Link>(
          [this](std::string&) -> std::unique_ptr<onewire::UsbTransfer> {
            if (unplugged) return nullptr;
            return std::make_unique<Ref>(usb);
          },
          [this](const std::string& n) { notices.push_back(n); });
      if (!l->Open(error)) return nullptr;
      link = l.get();
      return l;
    };
    routines.UseTmex(std::make_unique<onewire::LinkTmex>(
        open, [this](const std::string& n) { notices.push_back(n); }));
  }

  // The adapter as the link sees it: the harmful USB link, not owned.
  struct Ref : onewire::UsbTransfer {
    explicit Ref(onewire::UsbTransfer& u) : u(u) {}
    int Control(uint8_t r, uint16_t v, uint16_t i) override { return u.Control(r, v, i); }
    int BulkOut(const uint8_t* d, size_t n) override { return u.BulkOut(d, n); }
    int BulkIn(uint8_t* d, size_t n) override { return u.BulkIn(d, n); }
    int Status(uint8_t* d, size_t n) override { return u.Status(d, n); }
    onewire::UsbTransfer& u;
  };

  FakePlatform platform;
  PlatformChipClock chip_clock{platform};
  PlatformUsbClock usb_clock{platform};
  onewire::StationConfig cfg;
  onewire::sim::SimStation station;
  onewire::sim::Ds2490Emulator chip;
  HarmfulUsb usb;
  TestRoutines routines;
  onewire::Ds2490Link* link = nullptr;
  bool unplugged = false;
  std::vector<std::string> notices;
};

}  // namespace wm033::testing
