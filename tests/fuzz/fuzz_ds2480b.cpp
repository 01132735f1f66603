// Any bytes as the replies of a DS2480B adapter (tests/fuzz/ds2480b_replies.h).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/ds2480b_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wm033::fuzz::RunDs2480bReplies(data, size);
  return 0;
}
