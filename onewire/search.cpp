#include "onewire/search.h"

namespace wm033::onewire {

namespace {

// One search pass: follows `rom` wherever both values are present and the `take_one` rule at
// the discrepancies. Gives 1 when a full code was read, 0 when no chip answered a bit, negative
// for an adapter failure. `last_zero` is the position of the last discrepancy where 0 was taken.
int SearchPass(OneWireLink& link, Rom& rom, int last_discrepancy, int& last_zero) {
  const int reset = link.Reset();
  if (reset < 0) return reset;
  if (reset == kResetShort) return -kResetShort;
  if (reset == kResetNoPresence) return 0;
  const int sent = link.TouchByte(kSearchRom);
  if (sent < 0) return sent;
  last_zero = -1;
  for (int pos = 0; pos < 64; ++pos) {
    const int id = link.TouchBit(1);
    if (id < 0) return id;
    const int cmp = link.TouchBit(1);
    if (cmp < 0) return cmp;
    int dir;
    if (id && cmp) return 0;  // nobody answered
    if (id != cmp) {
      dir = id;
    } else if (pos < last_discrepancy) {
      dir = (rom[pos / 8] >> (pos % 8)) & 1;
    } else {
      dir = pos == last_discrepancy ? 1 : 0;
    }
    if (id == 0 && cmp == 0 && dir == 0) last_zero = pos;
    if (dir)
      rom[pos / 8] |= static_cast<uint8_t>(1 << (pos % 8));
    else
      rom[pos / 8] &= static_cast<uint8_t>(~(1 << (pos % 8)));
    const int w = link.TouchBit(dir);
    if (w < 0) return w;
  }
  return 1;
}

}  // namespace

int VerifyRom(OneWireLink& link, const Rom& rom) {
  if (auto fast = link.AccelVerify(rom)) return *fast;
  const int reset = link.Reset();
  if (reset < 0) return reset;
  if (reset == kResetShort) return -kResetShort;
  if (reset == kResetNoPresence) return 0;
  const int sent = link.TouchByte(kSearchRom);
  if (sent < 0) return sent;
  for (int pos = 0; pos < 64; ++pos) {
    const int want = (rom[pos / 8] >> (pos % 8)) & 1;
    const int id = link.TouchBit(1);
    if (id < 0) return id;
    const int cmp = link.TouchBit(1);
    if (cmp < 0) return cmp;
    // (1,1): nobody; (0,1): every chip left has a 0 here; (1,0): every chip has a 1.
    if (id && cmp) return 0;
    if (want == 1 && id == 0 && cmp == 1) return 0;
    if (want == 0 && cmp == 0 && id == 1) return 0;
    const int w = link.TouchBit(want);
    if (w < 0) return w;
  }
  return 1;
}

int SearchBus(OneWireLink& link, std::vector<Rom>& found, size_t limit) {
  found.clear();
  Rom rom{};
  int last_discrepancy = -1;
  while (found.size() < limit) {
    int last_zero = -1;
    const int r = SearchPass(link, rom, last_discrepancy, last_zero);
    if (r < 0) return r;
    if (r == 0) break;
    found.push_back(rom);
    if (last_zero < 0) break;
    last_discrepancy = last_zero;
  }
  return static_cast<int>(found.size());
}

}  // namespace wm033::onewire
