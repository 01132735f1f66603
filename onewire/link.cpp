#include "onewire/link.h"

namespace wm033::onewire {

int OneWireLink::TouchByte(int byte) {
  int out = 0;
  for (int i = 0; i < 8; ++i) {
    const int bit = TouchBit((byte >> i) & 1);
    if (bit < 0) return bit;
    if (bit) out |= 1 << i;
  }
  return out;
}

}  // namespace wm033::onewire
