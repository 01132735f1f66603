// The nine TMEX calls the device routines are built on (placeholder until the 1-Wire stack
// lands: every call fails).
#pragma once

#include <cstdint>

namespace wm033::onewire {

class Tmex {
 public:
  virtual ~Tmex() = default;
  virtual int32_t TMExtendedStartSession(int16_t, int16_t, void*) { return 0; }
  virtual int16_t TMSetup(int32_t) { return 0; }
  virtual int16_t TMRom(int32_t, uint8_t*, uint16_t*) { return 0; }
  virtual int16_t TMValidSession(int32_t) { return 0; }
  virtual int16_t TMStrongAccess(int32_t, uint8_t*) { return 0; }
  virtual int16_t TMTouchByte(int32_t, int16_t) { return -1; }
  virtual int16_t TMTouchReset(int32_t) { return -1; }
  virtual int16_t TMOneWireLevel(int32_t, int16_t, int16_t, int16_t) { return -1; }
  virtual int16_t TMEndSession(int32_t) { return 0; }
};

}  // namespace wm033::onewire
