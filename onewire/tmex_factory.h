// Chooses the TMEX implementation for the program: the simulated MicroLan when WM033_MICROLAN is
// "sim", otherwise the adapter of the configured port type (types 5, 6 and 1; until their
// drivers are in, sessions fail with one clear message).
#pragma once

#include <memory>
#include <string>

#include "onewire/link.h"
#include "onewire/sim/station.h"
#include "onewire/tmex.h"

namespace wm033 {
class TWM033f1;
}

namespace wm033::onewire {

std::unique_ptr<Tmex> MakeTmex(TWM033f1& form);

// The simulated station that the form's sensor configuration describes: every slot with a
// readable chip identity, enabled or not.
sim::StationPlan PlanFromForm(const TWM033f1& form);

// The text of the message shown when no adapter can be opened for a port type.
std::string NoAdapterMessage(int16_t port_num, int16_t port_type);

}  // namespace wm033::onewire
