// The DS2490's communication commands on the 1-Wire side, with their time slots:
//   SET DURATION   wIndex to the strong pull-up (TYPE 0) or programming pulse (TYPE 1) duration
//   PULSE          a strong pull-up (TYPE 0) or a 12 V programming pulse (TYPE 1) for the set
//                  duration (0: until halted); only when enabled by a mode command; a
//                  programming pulse without 12 V, or not enabled, reports VPP
//   1-WIRE RESET   results SH (short), NRS (no presence); SE with speed change enabled takes
//                  wIndex as the new speed; PST repeats the reset until a presence pulse
//   BIT I/O        D is the bit; EP3 gets the bit read; SPU a strong pull-up after it (with CIB
//                  only when a 0 came back)
//   BYTE I/O       wIndex low byte is the byte; EP3 gets the byte read; SPU a pull-up after it
//   BLOCK I/O      wIndex bytes from EP2, read into EP3; RST a reset first; SPU after the last
//   MATCH ACCESS   RST, then wIndex low byte (Match ROM 55 or Overdrive Match 69) and the
//                  eight ROM bytes from EP2
//   SEARCH ACCESS  wIndex low byte the search command (F0, EC), high byte the number of devices
//                  to find (0: all); the ROM in EP2 says which way to go at the discrepancies.
//                  SM 1 lists ROM codes into EP3, eight bytes each, starting again after each
//                  one along the next path; with RTS, when more remain than were asked for, the
//                  positions of the last pass's discrepancies follow (eight bytes). SM 0 makes a
//                  strong access: the ROM in EP2 is written at every bit, and the chip that
//                  answered all 64 bits is left selected. NRS: a bit nobody answered; EOS: fewer
//                  devices than asked for.
// Times at regular speed: 65 us a slot (68 us for a written 0), 1024 us a reset; overdrive 10 us
// and 128 us; flexible speed stretches a written 0 by the write-0 recovery time.
#include <climits>

#include "onewire/link.h"
#include "onewire/sim/ds2490_codes.h"
#include "onewire/sim/ds2490_emulator.h"

namespace wm033::onewire::sim {

using namespace ds2490;

namespace {
constexpr uint64_t kForever = UINT64_MAX;
constexpr uint8_t kSpeedFlexible = 1, kSpeedOverdrive = 2;
constexpr uint32_t kPullUpUnitUs = 16000;  // strong pull-up duration steps
constexpr uint32_t kProgUnitUs = 8;        // programming pulse duration steps
constexpr uint8_t kReservedDuration = 0xFF;

int RomBit(const uint8_t* rom, int pos) {
  return (rom[pos / 8] >> (pos % 8)) & 1;
}
void SetRomBit(uint8_t* rom, int pos, int bit) {
  if (bit)
    rom[pos / 8] = static_cast<uint8_t>(rom[pos / 8] | (1 << (pos % 8)));
  else
    rom[pos / 8] = static_cast<uint8_t>(rom[pos / 8] & ~(1 << (pos % 8)));
}
}  // namespace

uint32_t Ds2490Emulator::SlotUs(int bit) const {
  if (speed_ == kSpeedOverdrive) return 10;
  if (bit) return 65;
  if (speed_ == kSpeedFlexible) return 62 + 3 + sample_offset_;
  return 68;
}

uint32_t Ds2490Emulator::ResetUs() const {
  return speed_ == kSpeedOverdrive ? 128 : 1024;
}

uint8_t Ds2490Emulator::BusReset(uint64_t& t, bool& presence, bool& shorted) {
  ++resets_;
  bus_us_ += ResetUs();
  t += ResetUs();
  const int r = bus_.Reset();
  presence = r == kResetPresence || r == kResetAlarm;
  shorted = r == kResetShort;
  if (shorted) return kRrSh;
  return presence ? (r == kResetAlarm ? kRrApp : 0) : kRrNrs;
}

int Ds2490Emulator::BusBit(int bit, uint64_t& t) {
  ++slots_;
  bus_us_ += SlotUs(bit);
  t += SlotUs(bit);
  return bus_.TouchBit(bit);
}

uint8_t Ds2490Emulator::BusByte(uint8_t byte, uint64_t& t) {
  uint8_t out = 0;
  for (int i = 0; i < 8; ++i)
    if (BusBit((byte >> i) & 1, t)) out = static_cast<uint8_t>(out | (1 << i));
  return out;
}

bool Ds2490Emulator::StartPulse(bool programming, uint64_t t, uint64_t& end) {
  end = t;
  if (!(enable_ & (programming ? kEnPrge : kEnSpue))) return false;
  if (programming && !vpp_) return false;
  const uint8_t d = programming ? prog_duration_ : pullup_duration_;
  if (d == 0)
    end = kForever;
  else if (d != kReservedDuration)
    end = t + static_cast<uint64_t>(d) * (programming ? kProgUnitUs : kPullUpUnitUs);
  pulses_.push_back({t, end, programming, false});
  return true;
}

uint8_t Ds2490Emulator::RunReset(const Command& c, uint64_t& t) {
  bool presence = false, shorted = false;
  const uint8_t result = BusReset(t, presence, shorted);
  if ((c.value & kBitParam) && (enable_ & kEnSpce) && (c.index & 0xFF) <= kSpeedOverdrive)
    speed_ = static_cast<uint8_t>(c.index & 0xFF);
  return result;
}

uint8_t Ds2490Emulator::RunMatchAccess(const Command& c, uint64_t& t) {
  uint8_t rom[8];
  for (uint8_t& b : rom) {
    b = ep2_.front();
    ep2_.pop_front();
  }
  if (c.value & kBitRst) {
    bool presence = false, shorted = false;
    const uint8_t r = BusReset(t, presence, shorted);
    if (!presence || shorted) return r;
  }
  if ((c.value & kBitParam) && (enable_ & kEnSpce) && (c.index >> 8) <= kSpeedOverdrive)
    speed_ = static_cast<uint8_t>(c.index >> 8);
  BusByte(static_cast<uint8_t>(c.index & 0xFF), t);
  for (uint8_t b : rom) BusByte(b, t);
  return 0;
}

uint8_t Ds2490Emulator::RunSearchAccess(const Command& c, uint64_t& t, std::vector<uint8_t>& ep3) {
  uint8_t path[8];
  for (uint8_t& b : path) {
    b = ep2_.front();
    ep2_.pop_front();
  }
  const bool list = c.value & kBitParam;            // SM
  const bool discrepancies = c.value & kBitHigh14;  // RTS
  const uint8_t command = static_cast<uint8_t>(c.index & 0xFF);
  const int wanted = c.index >> 8;
  int found = 0;
  for (bool first = true;; first = false) {
    if (!first || (c.value & kBitRst)) {
      bool presence = false, shorted = false;
      const uint8_t r = BusReset(t, presence, shorted);
      if (!presence || shorted) return r;
    }
    BusByte(command, t);
    uint8_t rom[8] = {}, seen[8] = {};
    int last_zero = -1;
    for (int pos = 0; pos < 64; ++pos) {
      const int id = BusBit(1, t);
      const int cmp = BusBit(1, t);
      if (id && cmp) return kRrNrs;  // nobody answered this bit
      const int want = RomBit(path, pos);
      int dir = want;
      if (list) {
        if (id != cmp) {
          dir = id;
        } else {
          SetRomBit(seen, pos, 1);
          if (dir == 0) last_zero = pos;
        }
      } else if ((want == 0 && id) || (want == 1 && cmp)) {
        BusBit(want, t);
        return kRrNrs;  // no chip has the bit asked for: the one wanted is not there
      }
      BusBit(dir, t);
      SetRomBit(rom, pos, dir);
    }
    if (!list) return 0;  // that chip is selected
    ep3.insert(ep3.end(), rom, rom + 8);
    ++found;
    if (last_zero < 0) break;  // no other way left: every chip is listed
    if (wanted != 0 && found == wanted) {
      if (discrepancies) ep3.insert(ep3.end(), seen, seen + 8);
      return 0;
    }
    // The next pass takes 1 at the last discrepancy where 0 was taken, 0 at those after it.
    for (int pos = 0; pos < 64; ++pos)
      SetRomBit(path, pos, pos < last_zero ? RomBit(rom, pos) : pos == last_zero ? 1 : 0);
  }
  return wanted != 0 && found < wanted ? kRrEos : 0;
}

void Ds2490Emulator::RunBlockBytes(uint64_t& t) {
  Running& r = *running_;
  while (r.block_left > 0 && !ep2_.empty() && static_cast<int>(ep3_.size()) < kFifoBytes) {
    const uint8_t b = ep2_.front();
    ep2_.pop_front();
    ep3_.push_back(BusByte(b, t));
    --r.block_left;
  }
  r.waiting_for_ep2 = r.block_left > 0;
}

bool Ds2490Emulator::Launch(Running r, uint64_t t) {
  r.data_us = t;
  r.data_published = true;
  running_ = std::move(r);
  bus_free_us_ = t;
  return true;
}

bool Ds2490Emulator::Start(const Command& c, uint64_t at) {
  const uint8_t code = static_cast<uint8_t>((c.value >> 4) & 0x0F);
  if ((code == kCommMatchAccess || code == kCommSearchAccess) && ep2_.size() < 8)
    return false;  // waits for its ROM code
  Running r;
  r.cmd = c;
  r.start_us = at;
  uint64_t t = at;
  bool pull_up_after = false;
  const bool icp = c.value & kBitIcp;
  switch (code) {
    case kCommSetDuration:
      if (c.value & kBitParam)
        prog_duration_ = static_cast<uint8_t>(c.index & 0xFF);
      else
        pullup_duration_ = static_cast<uint8_t>(c.index & 0xFF);
      break;
    case kCommPulse: {
      const bool programming = c.value & kBitParam;
      uint64_t end = t;
      if (StartPulse(programming, t, end))
        r.pulse = static_cast<int>(pulses_.size()) - 1;
      else if (programming)
        r.errors = kRrVpp;
      r.end_us = end;
      return Launch(std::move(r), t);
    }
    case kCommReset:
      r.errors = RunReset(c, t);
      if ((c.value & kBitHigh14) && r.errors == kRrNrs) {
        r.looping = true;  // PST: resets until a presence pulse, here until halted
        r.end_us = kForever;
        return Launch(std::move(r), t);
      }
      break;
    case kCommBitIo: {
      const int got = BusBit((c.value & kBitParam) ? 1 : 0, t);
      if (!icp) r.ep3.push_back(static_cast<uint8_t>(got));
      pull_up_after = (c.value & kBitSpu) && !((c.value & kBitHigh14) && got == 1);
      break;
    }
    case kCommByteIo: {
      const uint8_t got = BusByte(static_cast<uint8_t>(c.index & 0xFF), t);
      if (!icp) r.ep3.push_back(got);
      pull_up_after = c.value & kBitSpu;
      break;
    }
    case kCommBlockIo: {
      if (c.value & kBitRst) {
        bool presence = false, shorted = false;
        BusReset(t, presence, shorted);
      }
      r.block_left = c.index;
      running_ = std::move(r);
      RunBlockBytes(t);
      running_->data_us = t;
      running_->data_published = true;
      running_->end_us = t;
      if (!running_->waiting_for_ep2 && (c.value & kBitSpu)) {
        uint64_t end = t;
        if (StartPulse(false, t, end)) running_->pulse = static_cast<int>(pulses_.size()) - 1;
        running_->end_us = end;
      }
      bus_free_us_ = t;
      return true;
    }
    case kCommMatchAccess:
      r.errors = RunMatchAccess(c, t);
      break;
    case kCommSearchAccess:
      r.errors = RunSearchAccess(c, t, r.ep3);
      break;
    default:
      break;
  }
  r.data_us = t;
  r.end_us = t;
  if (pull_up_after) {
    uint64_t end = t;
    if (StartPulse(false, t, end)) r.pulse = static_cast<int>(pulses_.size()) - 1;
    r.end_us = end;
  }
  bus_free_us_ = t;
  running_ = std::move(r);
  return true;
}

}  // namespace wm033::onewire::sim
