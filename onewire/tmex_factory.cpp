#include "onewire/tmex_factory.h"

#include "onewire/adapters/ds2480b.h"
#include "onewire/adapters/ds2490.h"
#include "onewire/adapters/ds9097.h"
#include "onewire/adapters/libusb_transfer.h"
#include "onewire/adapters/serial_port.h"
#include "onewire/adapters/simulated_link.h"
#include "onewire/link_tmex.h"
#include "platform/environment.h"
#include "platform/platform.h"

namespace wm033::onewire {

namespace {

class PlatformClock : public sim::SimClock {
 public:
  explicit PlatformClock(Platform& p) : platform_(p) {}
  uint32_t Ticks() override { return platform_.GetTickCount(); }
  double Now() override { return platform_.Now(); }

 private:
  Platform& platform_;
};

// The simulated adapter owns its clock adapter.
class OwnedSimulatedLink : public SimulatedLink {
 public:
  OwnedSimulatedLink(const sim::StationPlan& plan, std::unique_ptr<PlatformClock> clock,
                     std::string faults, std::string file)
      : SimulatedLink(plan, *clock, std::move(faults), std::move(file)), clock_(std::move(clock)) {}

 private:
  std::unique_ptr<PlatformClock> clock_;
};

}  // namespace

std::string NoAdapterMessage(int16_t port_num, int16_t port_type) {
  std::string kind = port_type == 5   ? " (DS9097U serial)"
                     : port_type == 6 ? " (DS9490 USB)"
                     : port_type == 1 ? " (DS9097 serial)"
                                      : "";
  return "No 1-Wire adapter could be opened for port " + std::to_string(port_num) +
         ", adapter type " + std::to_string(port_type) + kind;
}

std::unique_ptr<OneWireLink> OpenAdapter(const Environment& env, int16_t port_num,
                                         int16_t port_type, std::string& error,
                                         std::function<void(const std::string&)> notify) {
  if (port_type == 5) {
    const std::string path = SerialDevicePath(env, port_num);
    SerialOpener opener = [path](std::string& e) -> std::unique_ptr<SerialPort> {
      return TtyPort::Open(path, e);
    };
    auto link = std::make_unique<Ds2480bLink>(std::move(opener), std::move(notify));
    if (!link->Open(error)) {
      error += " (" + path + ")";
      return nullptr;
    }
    return link;
  }
  if (port_type == 6) {
    const int index = port_num < 1 ? 0 : port_num - 1;
    UsbOpener opener = [index](std::string& e) { return OpenDs9490(index, e); };
    auto link = std::make_unique<Ds2490Link>(std::move(opener), std::move(notify));
    if (!link->Open(error)) return nullptr;
    return link;
  }
  if (port_type == 1) {
    const std::string path = SerialDevicePath(env, port_num);
    SerialOpener opener = [path](std::string& e) -> std::unique_ptr<SerialPort> {
      return TtyPort::Open(path, e);
    };
    auto link = std::make_unique<Ds9097Link>(std::move(opener), std::move(notify));
    if (!link->Open(error)) {
      error += " (" + path + ")";
      return nullptr;
    }
    return link;
  }
  error = "adapter type " + std::to_string(port_type) +
          " is not supported: use 5 (DS9097U serial), 6 (DS9490 USB) or 1 (DS9097 serial) on "
          "line i of WM033ini.txt, or set WM033_MICROLAN=sim for the simulated MicroLan";
  return nullptr;
}

sim::StationPlan PlanFromChips(uint64_t seed, uint8_t wind_dir_table, uint8_t wind_dir_rotation,
                               const std::array<Rom, kChipSlots>& roms,
                               const std::array<std::string, kChipSlots>& ids,
                               const std::array<uint8_t, kChipSlots>& counter_pages) {
  sim::StationPlan plan;
  plan.seed = seed;
  plan.wind_dir_table = wind_dir_table;
  plan.wind_dir_rotation = wind_dir_rotation;
  for (int slot = 0; slot < kChipSlots; ++slot) {
    sim::StationSlot s;
    s.slot = slot;
    s.counter_page = counter_pages[slot] == 15 ? 15 : 14;
    bool any = false;
    for (uint8_t b : roms[slot]) any = any || b != 0;
    if (any) {
      s.rom = roms[slot];
    } else if (auto parsed = ParseChipId(ids[slot])) {
      s.rom = *parsed;
    } else {
      continue;
    }
    plan.slots.push_back(s);
  }
  return plan;
}

std::unique_ptr<Tmex> MakeTmex(const Environment& env, Platform& platform,
                               std::function<sim::StationPlan()> plan,
                               std::function<void(const std::string&)> report) {
  if (env.simulated_microlan) {
    LinkOpener open = [&env, &platform, plan = std::move(plan)](
                          int16_t, int16_t, std::string&) -> std::unique_ptr<OneWireLink> {
      std::string file = env.sim_faults_file;
      if (!file.empty()) {
        if (auto mapped = MapPath(env, file)) file = *mapped;
      }
      return std::make_unique<OwnedSimulatedLink>(plan ? plan() : sim::StationPlan{},
                                                  std::make_unique<PlatformClock>(platform),
                                                  env.sim_faults, file);
    };
    return std::make_unique<LinkTmex>(std::move(open), std::move(report));
  }
  LinkOpener real = [&env, report](int16_t port, int16_t type,
                                   std::string& error) -> std::unique_ptr<OneWireLink> {
    auto link = OpenAdapter(env, port, type, error, report);
    if (!link)
      error = NoAdapterMessage(port, type) + ": " + error +
              ". (WM033_MICROLAN=sim runs the program on the simulated MicroLan.)";
    return link;
  };
  return std::make_unique<LinkTmex>(std::move(real), std::move(report));
}

}  // namespace wm033::onewire
