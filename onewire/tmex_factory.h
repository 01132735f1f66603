// Chooses the TMEX implementation for the program and the tools: the simulated MicroLan when
// WM033_MICROLAN is "sim", otherwise the adapter of the port type each session start names (5
// DS9097U serial, 6 DS9490 USB, 1 DS9097 serial); an adapter that cannot be opened fails the
// session with one clear message. Everything comes in as plain values: the environment, the
// platform (the simulated chips' clock) and the station plan.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "onewire/device_routines.h"
#include "onewire/link.h"
#include "onewire/sim/station.h"
#include "onewire/tmex.h"

namespace wm033 {
class Platform;
struct Environment;
}  // namespace wm033

namespace wm033::onewire {

// The simulated station that a sensor configuration describes: every slot with a chip identity,
// enabled or not; the ROM bytes when they are given (not all zero), else the identity text when
// it reads. Counter slots use page 15 when their selector says 15, else 14. The vane is turned
// back by the configured offset, so that the dial shows the simulated weather's own direction.
sim::StationPlan PlanFromChips(uint64_t seed, uint8_t wind_dir_table, uint8_t wind_dir_rotation,
                               const std::array<Rom, kChipSlots>& roms,
                               const std::array<std::string, kChipSlots>& ids,
                               const std::array<uint8_t, kChipSlots>& counter_pages);

// The TMEX calls. With the simulated MicroLan, `plan` is asked for the station when the first
// session starts (a program reads its sensor configuration after it has made its TMEX); its
// chips run on the platform's clock. `report` gets the message of an adapter that cannot be
// opened (once per port) or is lost later.
std::unique_ptr<Tmex> MakeTmex(const Environment& env, Platform& platform,
                               std::function<sim::StationPlan()> plan,
                               std::function<void(const std::string&)> report);

// Opens the real adapter of a port number and type; null with what to fix in `error`.
// `notify` gets the message when an open adapter is lost later.
std::unique_ptr<OneWireLink> OpenAdapter(const Environment& env, int16_t port_num,
                                         int16_t port_type, std::string& error,
                                         std::function<void(const std::string&)> notify = {});

// The text of the message shown when no adapter can be opened for a port type.
std::string NoAdapterMessage(int16_t port_num, int16_t port_type);

}  // namespace wm033::onewire
