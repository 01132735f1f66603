// ROM functions built on a link's touch bit: the Search ROM that lists every chip on the bus,
// and the strong-access verify, a Search ROM steered bit by bit along one ROM code that succeeds
// only when that chip answers every one of the 64 bits, leaving it selected.
#pragma once

#include <vector>

#include "onewire/link.h"

namespace wm033::onewire {

constexpr uint8_t kSearchRom = 0xF0;
constexpr uint8_t kReadRom = 0x33;
constexpr uint8_t kMatchRom = 0x55;
constexpr uint8_t kSkipRom = 0xCC;
constexpr uint8_t kAlarmSearch = 0xEC;

// Reset + steered search: 1 selected, 0 the chip did not answer (or no presence), kResetShort
// negated for a shorted bus, another negative value for an adapter failure.
int VerifyRom(OneWireLink& link, const Rom& rom);

// Lists every chip on the bus. Gives the number found, or negative for an adapter failure or a
// shorted bus (-kResetShort). A search that stops making sense (a chip that vanished halfway)
// ends with what was found so far; at most `limit` chips are listed.
int SearchBus(OneWireLink& link, std::vector<Rom>& found, size_t limit = 256);

}  // namespace wm033::onewire
