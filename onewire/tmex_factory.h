// Chooses the TMEX implementation for the program: the simulated MicroLan when WM033_MICROLAN is
// "sim", otherwise the adapter of the configured port type (5 DS9097U serial, 6 DS9490 USB,
// 1 DS9097 serial); an adapter that cannot be opened fails the session with one clear message.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "onewire/link.h"
#include "onewire/sim/station.h"
#include "onewire/tmex.h"

namespace wm033 {
class TWM033f1;
struct Environment;
}  // namespace wm033

namespace wm033::onewire {

std::unique_ptr<Tmex> MakeTmex(TWM033f1& form);

// The simulated station that the form's sensor configuration describes: every slot with a
// readable chip identity, enabled or not.
sim::StationPlan PlanFromForm(const TWM033f1& form);

// Opens the real adapter of a port number and type; null with what to fix in `error`.
// `notify` gets the message when an open adapter is lost later.
std::unique_ptr<OneWireLink> OpenAdapter(const Environment& env, int16_t port_num,
                                         int16_t port_type, std::string& error,
                                         std::function<void(const std::string&)> notify = {});

// The text of the message shown when no adapter can be opened for a port type.
std::string NoAdapterMessage(int16_t port_num, int16_t port_type);

}  // namespace wm033::onewire
