// The nine TMEX calls the device routines are built on, with the results their callers rely on:
//   TMExtendedStartSession  handle 1 or more when open, below 1 a failure
//   TMSetup                 1 success
//   TMRom                   1 ROM accepted (the ROM buffer is eight 16-bit words, family first)
//   TMValidSession          1 the session is still valid
//   TMStrongAccess          1 chip selected; 0 it did not answer; negative adapter failure
//   TMTouchByte             the byte read back 0..255; negative failure
//   TMTouchReset            1 presence, 2 alarming presence, 0 no presence, 3 short, negative
//                           adapter failure
//   TMOneWireLevel          negative failure
//   TMEndSession            1 closed
// A handle that is not open gives the failure result of every call. `Search` lists the chips on
// the bus (the probe tool uses it); it is not one of the calls the program's routines make.
#pragma once

#include <cstdint>
#include <vector>

#include "onewire/rom.h"

namespace wm033::onewire {

// Level operation and arguments of TMOneWireLevel.
constexpr int16_t kLevelSet = 0;
constexpr int16_t kLevelNormal = 0;
constexpr int16_t kLevelStrongPullUp = 1;
constexpr int16_t kPrimeNone = 0;
constexpr int16_t kPrimeAfterByte = 2;

// Failure results of the calls whose failures are negative.
constexpr int16_t kTmexInvalidHandle = -200;
constexpr int16_t kTmexBadArgument = -201;

class Tmex {
 public:
  virtual ~Tmex() = default;
  virtual int32_t TMExtendedStartSession(int16_t port_num, int16_t port_type, void* options) = 0;
  virtual int16_t TMSetup(int32_t handle) = 0;
  virtual int16_t TMRom(int32_t handle, uint8_t* state, uint16_t* rom) = 0;
  virtual int16_t TMValidSession(int32_t handle) = 0;
  virtual int16_t TMStrongAccess(int32_t handle, uint8_t* state) = 0;
  virtual int16_t TMTouchByte(int32_t handle, int16_t byte) = 0;
  virtual int16_t TMTouchReset(int32_t handle) = 0;
  virtual int16_t TMOneWireLevel(int32_t handle, int16_t operation, int16_t level,
                                 int16_t prime) = 0;
  virtual int16_t TMEndSession(int32_t handle) = 0;
  // Number of chips found (their codes in `found`), or negative.
  virtual int Search(int32_t handle, std::vector<Rom>& found) {
    (void)handle;
    found.clear();
    return kTmexInvalidHandle;
  }
};

}  // namespace wm033::onewire
