// Waits on the platform's tick counter that let pending events run but never spin: each pass
// blocks in the event loop until an event arrives or the time is up.
#pragma once

#include <cstdint>

namespace wm033 {
class Platform;
}

namespace wm033::onewire {

// The tick counter value from which WaitMs first waits for the counter to wrap (0xFFFFDFF7, that
// is within 8201 ms of wrapping).
constexpr uint32_t kWrapGuard = 4294959095u;

// Waits `ms` ticks from now, measured as elapsed ticks so that a wrap on the way is harmless.
void WaitTicks(Platform& platform, uint32_t ms);

}  // namespace wm033::onewire
