#include "onewire/tmex_factory.h"

namespace wm033::onewire {

std::unique_ptr<Tmex> MakeTmex(TWM033f1&) { return std::make_unique<Tmex>(); }

}  // namespace wm033::onewire
