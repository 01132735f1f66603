#include "onewire/wait.h"

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
