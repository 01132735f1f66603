// Chooses the TMEX implementation for the program: the simulated MicroLan or a real adapter.
#pragma once

#include <memory>

#include "onewire/tmex.h"

namespace wm033 {
class TWM033f1;
}

namespace wm033::onewire {

std::unique_ptr<Tmex> MakeTmex(TWM033f1& form);

}  // namespace wm033::onewire
