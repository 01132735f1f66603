#include "onewire/device_routines.h"

#include "onewire/tmex.h"
#include "onewire/wait.h"
#include "platform/platform.h"

namespace wm033::onewire {

namespace {

// Stands in until an owner gives its TMEX: every session start fails, as with no adapter.
class NoTmex : public Tmex {
 public:
  int32_t TMExtendedStartSession(int16_t, int16_t, void*) override { return 0; }
  int16_t TMSetup(int32_t) override { return 0; }
  int16_t TMRom(int32_t, uint8_t*, uint16_t*) override { return 0; }
  int16_t TMValidSession(int32_t) override { return 0; }
  int16_t TMStrongAccess(int32_t, uint8_t*) override { return kTmexInvalidHandle; }
  int16_t TMTouchByte(int32_t, int16_t) override { return kTmexInvalidHandle; }
  int16_t TMTouchReset(int32_t) override { return kTmexInvalidHandle; }
  int16_t TMOneWireLevel(int32_t, int16_t, int16_t, int16_t) override { return kTmexInvalidHandle; }
  int16_t TMEndSession(int32_t) override { return 0; }
};

}  // namespace

DeviceRoutines::DeviceRoutines(Platform& platform)
    : platform_(platform), tmex_(std::make_unique<NoTmex>()) {}

DeviceRoutines::~DeviceRoutines() = default;

Tmex& DeviceRoutines::tmex() {
  return *tmex_;
}

void DeviceRoutines::UseTmex(std::unique_ptr<Tmex> t) {
  tmex_ = t ? std::move(t) : std::make_unique<NoTmex>();
}

// Waits `ms` milliseconds on the tick counter, letting pending events run. A wait that would
// start within 8201 ms of the counter's wrap first waits for the wrap. The wait itself counts
// elapsed ticks, so even a long one ends on time across a wrap.
void DeviceRoutines::WaitMs(uint16_t ms) {
  Platform& p = platform_;
  uint32_t now = p.GetTickCount();
  p.ProcessMessages();
  while (now >= kWrapGuard) {
    p.WaitForEvents(0u - now);  // the ticks left until the counter wraps
    now = p.GetTickCount();
  }
  WaitTicks(p, ms);
}

}  // namespace wm033::onewire
