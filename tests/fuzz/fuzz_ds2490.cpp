// Any bytes as the results of a DS2490's USB transfers, under the device routines
// (tests/fuzz/ds2490_transfers.h).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/ds2490_transfers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wm033::fuzz::RunDs2490Transfers(data, size);
  return 0;
}
