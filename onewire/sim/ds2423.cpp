// DS2423 4 kbit RAM with two counters (family 1D).
//
// Memory: 16 pages of 32 bytes, addresses 0000-01FF. Counters belong to pages 12-15: pages 12
// and 13 count their own write cycles (not kept here: they read 0), page 14 (address 01C0) is
// input A and page 15 (01E0) input B. Counters are 32 bits.
//
// Commands: A5 TA1 TA2 Read Memory + Counter: the rest of the page from the address, then the
// page's 32-bit counter (least significant byte first), four zero bytes, and the CRC16 inverted
// (low byte first) of command, address, data, counter and zeros; reading on gives the next page,
// its counter, zeros and a CRC16 of those alone, until the end of memory, after which the chip
// sends 1s. Pages 0-11 have no counter: their counter bytes read FF.
// F0 TA1 TA2 Read Memory: bytes from the address to the end of memory, no CRC.
// The scratchpad commands (0F, AA, 5A) are not emulated: the chip goes quiet until a reset.
#include "onewire/crc.h"
#include "onewire/sim/chips.h"

namespace wm033::onewire::sim {

namespace {
constexpr uint8_t kReadMemoryCounter = 0xA5;
constexpr uint8_t kReadMemory = 0xF0;
constexpr int kPageSize = 32;
constexpr int kMemorySize = 512;
}  // namespace

Ds2423::Ds2423(const Rom& rom, SimClock& clock, std::function<uint32_t()> count_a,
               std::function<uint32_t()> count_b)
    : SimChip(rom, clock), count_a_(std::move(count_a)), count_b_(std::move(count_b)) {}

uint32_t Ds2423::Counter(int page) {
  if (page == 14) return (count_a_ ? count_a_() : 0) - offset_a_;
  if (page == 15) return (count_b_ ? count_b_() : 0) - offset_b_;
  if (page == 12 || page == 13) return 0;
  return 0xFFFFFFFF;
}

void Ds2423::OnFaultsChanged(const ChipFaults& before) {
  // A counter that lost its power starts again from 0.
  if (faults().counter_reset && !before.counter_reset) {
    offset_a_ = count_a_ ? count_a_() : 0;
    offset_b_ = count_b_ ? count_b_() : 0;
  }
}

void Ds2423::OnSelected() {
  state_ = State::Command;
  out_len_ = out_pos_ = 0;
}

void Ds2423::LoadPage() {
  // From address_ to the end of its page, then counter, zeros and CRC.
  uint16_t crc = CopyPageTail(kReadMemoryCounter, address_, kPageSize, memory_.data(), first_page_,
                              out_.data(), out_len_);
  const uint32_t count = Counter(address_ / kPageSize);
  for (int i = 0; i < 4; ++i) out_[out_len_++] = static_cast<uint8_t>(count >> (8 * i));
  for (int i = 0; i < 4; ++i) out_[out_len_++] = 0;
  crc = Crc16(out_.data() + out_len_ - 8, 8, crc);
  crc = static_cast<uint16_t>(~crc);
  if (CorruptCrc()) crc ^= 0x0101;
  out_[out_len_++] = static_cast<uint8_t>(crc & 0xFF);
  out_[out_len_++] = static_cast<uint8_t>(crc >> 8);
  out_pos_ = 0;
}

uint8_t Ds2423::OutputByte() {
  if (state_ == State::ReadCounter) return out_pos_ < out_len_ ? out_[out_pos_] : 0xFF;
  if (state_ == State::ReadMemory) return address_ < kMemorySize ? memory_[address_] : 0xFF;
  return 0xFF;
}

void Ds2423::OnByte(uint8_t b) {
  switch (state_) {
    case State::Command:
      command_ = b;
      state_ = (b == kReadMemoryCounter || b == kReadMemory) ? State::Address1 : State::Listen;
      return;
    case State::Address1:
      address_ = b;
      state_ = State::Address2;
      return;
    case State::Address2:
      address_ = static_cast<uint16_t>(address_ | (b << 8));
      if (address_ >= kMemorySize) {
        state_ = State::Listen;
        return;
      }
      if (command_ == kReadMemory) {
        state_ = State::ReadMemory;
        return;
      }
      first_page_ = true;
      LoadPage();
      state_ = State::ReadCounter;
      return;
    case State::ReadCounter:
      if (out_pos_ >= out_len_) return;
      if (++out_pos_ == out_len_) {
        const int next = (address_ / kPageSize + 1) * kPageSize;
        if (next >= kMemorySize) return;  // past the end: 1s from now on
        address_ = static_cast<uint16_t>(next);
        first_page_ = false;
        LoadPage();
      }
      return;
    case State::ReadMemory:
      if (address_ < kMemorySize) ++address_;
      return;
    default:
      return;
  }
}

}  // namespace wm033::onewire::sim
