#include "onewire/sim/chip.h"

#include "onewire/crc.h"
#include "onewire/search.h"

namespace wm033::onewire::sim {

bool SimChip::Reset() {
  if (faults_.absent) {
    phase_ = Phase::Idle;
    return false;
  }
  phase_ = Phase::RomCommand;
  bit_ = 0;
  in_ = 0;
  return true;
}

int SimChip::Drive(int master_bit) {
  (void)master_bit;
  switch (phase_) {
    case Phase::ReadRom:
      return RomBit(bit_);
    case Phase::SearchRom:
      if (step_ == 0) return RomBit(bit_);
      if (step_ == 1) return RomBit(bit_) ^ 1;
      return 1;
    case Phase::Function:
      if (bit_ == 0) out_ = OutputByte();
      return (out_ >> bit_) & 1;
    default:
      return 1;
  }
}

void SimChip::Sample(int bus_bit) {
  switch (phase_) {
    case Phase::Idle:
      return;
    case Phase::RomCommand:
      if (bus_bit) in_ |= static_cast<uint8_t>(1 << bit_);
      if (++bit_ < 8) return;
      bit_ = 0;
      step_ = 0;
      switch (in_) {
        case kReadRom:
          phase_ = Phase::ReadRom;
          break;
        case kMatchRom:
          phase_ = Phase::MatchRom;
          break;
        case kSearchRom:
          phase_ = Phase::SearchRom;
          break;
        case kSkipRom:
          phase_ = Phase::Function;
          OnSelected();
          break;
        default:  // alarm search (no alarms here), overdrive, unknown: wait for a reset
          phase_ = Phase::Idle;
      }
      in_ = 0;
      return;
    case Phase::ReadRom:
      NextRomBit();
      return;
    case Phase::MatchRom:
      if (bus_bit != RomBit(bit_)) {
        phase_ = Phase::Idle;
        return;
      }
      NextRomBit();
      return;
    case Phase::SearchRom:
      if (step_ < 2) {
        ++step_;
        return;
      }
      step_ = 0;
      if (bus_bit != RomBit(bit_)) {
        phase_ = Phase::Idle;
        return;
      }
      NextRomBit();
      return;
    case Phase::Function:
      if (bus_bit) in_ |= static_cast<uint8_t>(1 << bit_);
      if (++bit_ < 8) return;
      bit_ = 0;
      {
        const uint8_t b = in_;
        in_ = 0;
        OnByte(b);
      }
      return;
  }
}

void SimChip::NextRomBit() {
  if (++bit_ < 64) return;
  phase_ = Phase::Function;
  bit_ = 0;
  OnSelected();
}

uint16_t SimChip::CopyPageTail(uint8_t command, uint16_t address, int page_size,
                               const uint8_t* memory, bool first_page, uint8_t* out, int& len) {
  uint16_t crc = 0;
  if (first_page) {
    const uint8_t head[3] = {command, static_cast<uint8_t>(address & 0xFF),
                             static_cast<uint8_t>(address >> 8)};
    crc = Crc16(head, 3);
  }
  const int page = address / page_size;
  len = 0;
  for (int a = address; a < (page + 1) * page_size; ++a) out[len++] = memory[a];
  return Crc16(out, static_cast<size_t>(len), crc);
}

}  // namespace wm033::onewire::sim
