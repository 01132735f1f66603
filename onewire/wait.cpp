#include "onewire/wait.h"

#include "app/wm033f1.h"
#include "platform/platform.h"

namespace wm033::onewire {

void WaitTicks(Platform& platform, uint32_t ms) {
  const uint32_t start = platform.GetTickCount();
  for (;;) {
    const uint32_t elapsed = platform.GetTickCount() - start;
    if (elapsed >= ms) return;
    platform.WaitForEvents(ms - elapsed);
  }
}

}  // namespace wm033::onewire

namespace wm033 {

// Waits `ms` milliseconds on the tick counter, letting pending events run. A wait that would
// start within 8201 ms of the counter's wrap first waits for the wrap. The wait itself counts
// elapsed ticks, so even a long one ends on time across a wrap.
void TWM033f1::WaitMs(uint16_t ms) {
  Platform& p = platform();
  uint32_t now = p.GetTickCount();
  p.ProcessMessages();
  while (now >= onewire::kWrapGuard) {
    p.WaitForEvents(0u - now);  // the ticks left until the counter wraps
    now = p.GetTickCount();
  }
  onewire::WaitTicks(p, ms);
}

}  // namespace wm033
