// An emulated 1-Wire chip on the simulated bus. The base class answers the ROM functions bit by
// bit (presence, Search ROM, Match ROM, Skip ROM, Read ROM); once a chip is selected, its family
// answers the function commands byte by byte: before each byte slot it says what it drives (0xFF
// when it only listens), and after the slot it sees the byte that was on the wired-AND bus.
#pragma once

#include <cstdint>
#include <string>

#include "onewire/rom.h"
#include "onewire/sim/faults.h"

namespace wm033::onewire::sim {

// The emulated chips' view of time: the platform's tick counter (conversion times) and its
// day-count clock (the weather).
struct SimClock {
  virtual ~SimClock() = default;
  virtual uint32_t Ticks() = 0;
  virtual double Now() = 0;
};

class SimChip {
 public:
  SimChip(const Rom& rom, SimClock& clock) : rom_(rom), clock_(clock) {}
  virtual ~SimChip() = default;

  const Rom& rom() const { return rom_; }
  ChipFaults& faults() { return faults_; }
  const ChipFaults& faults() const { return faults_; }

  // A reset pulse; true when the chip answers with its presence pulse.
  bool Reset();
  // One time slot: what the chip drives (1 = released) for the master's `master_bit`.
  int Drive(int master_bit);
  // The end of the slot: the level that was on the bus.
  void Sample(int bus_bit);

  // Called when fault settings change (a counter reset, a power loss).
  virtual void OnFaultsChanged(const ChipFaults& before) { (void)before; }

 protected:
  // Function layer, once the chip is selected.
  virtual void OnSelected() {}
  virtual uint8_t OutputByte() { return 0xFF; }
  virtual void OnByte(uint8_t bus_byte) = 0;

  SimClock& clock() { return clock_; }
  bool CorruptCrc() const { return faults_.bad_crc; }

  // The start of a paged read's reply: the memory bytes from `address` to the end of its page
  // into `out` (their count in `len`), and the CRC16 over them, seeded on the first page of a
  // command with the command byte and its two address bytes.
  static uint16_t CopyPageTail(uint8_t command, uint16_t address, int page_size,
                               const uint8_t* memory, bool first_page, uint8_t* out, int& len);

 private:
  enum class Phase { Idle, RomCommand, ReadRom, MatchRom, SearchRom, Function };
  int RomBit(int pos) const { return (rom_[pos / 8] >> (pos % 8)) & 1; }
  // Counts one ROM bit; after the 64th the chip is selected.
  void NextRomBit();

  Rom rom_;
  SimClock& clock_;
  ChipFaults faults_;
  Phase phase_ = Phase::Idle;
  int bit_ = 0;         // bit position within the byte or the ROM code
  int step_ = 0;        // search: 0 send bit, 1 send complement, 2 listen
  uint8_t in_ = 0;      // byte being received
  uint8_t out_ = 0xFF;  // byte being driven
};

}  // namespace wm033::onewire::sim
