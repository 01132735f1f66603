// A DS2490 USB to 1-Wire bridge (the chip of the DS9490 adapter) in front of the simulated bus,
// behind the USB transfers a host makes (onewire/usb_transfer.h). Written from the DS2490
// datasheet:
//   EP0 vendor requests: control commands (bRequest 0), communication commands (1) and mode
//     commands (2); any other request, or a code the chip does not define, is stalled.
//   EP1 status: 16 state register bytes (enable flags, speed, durations, timings, device status
//     flags, the command in progress, the command FIFO and EP2/EP3 fill levels), then the result
//     register bytes made since the last packet (0xA5 when a 1-Wire device arrives).
//   EP2 bulk out / EP3 bulk in: 128-byte FIFOs of 1-Wire data.
// Communication commands go into a 16-byte FIFO and run one after another: at once when IM is
// set, else after START EXECUTION; HALT EXECUTION stops them (and ends a strong pull-up or
// programming pulse), RESUME EXECUTION goes on. ICP and NTF decide which results are reported; F
// clears the FIFOs when a command ends with an error. A command that does not fit into the FIFO
// is lost and sets EP0F until the device is reset.
//
// Modelled commands: SET DURATION, PULSE, 1-WIRE RESET (SE, PST), BIT I/O and BYTE I/O (SPU,
// CIB), BLOCK I/O (RST, SPU), MATCH ACCESS and SEARCH ACCESS (SM, RTS, RST). The commands for
// EPROM, SRAM and crypto iButtons and for couplers (WRITE EPROM, READ CRC PROT PAGE, READ
// REDIRECT PAGE, WRITE SRAM PAGE, READ STRAIGHT, DO & RELEASE, SET PATH, ERROR ESCAPE) are not:
// the emulator stalls them, which a real DS2490 would not do.
//
// Time: every transfer costs one USB frame (1 ms at full speed; the status endpoint is polled
// once a frame in alternate setting 3), and every 1-Wire operation its time slots at the speed
// in use (regular: 65 us a slot, 68 us for a written 0, 1024 us a reset). A host that reads EP3
// before its data is there waits for it, or gets a timeout after one second when none will
// come. A bulk or status read shorter than what the chip sends fails with an overflow and loses
// that packet, as a USB host controller does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "onewire/sim/bus.h"
#include "onewire/usb_transfer.h"

namespace wm033::onewire::sim {

// Where the emulator's time comes from. By default a clock of its own that only its transfers
// move; tests can tie it to the clock the emulated chips run on.
class EmulatorClock {
 public:
  virtual ~EmulatorClock() = default;
  virtual uint64_t NowUs() = 0;
  virtual void Spend(uint64_t us) = 0;
};

class VirtualClock : public EmulatorClock {
 public:
  uint64_t NowUs() override { return now_us_; }
  void Spend(uint64_t us) override { now_us_ += us; }

 private:
  uint64_t now_us_ = 0;
};

// One strong pull-up (or programming pulse) as it happened on the bus.
struct PulseRecord {
  uint64_t start_us = 0, end_us = 0;
  bool programming = false;
  bool halted = false;  // ended by a HALT EXECUTION rather than by its duration
};

class Ds2490Emulator : public UsbTransfer {
 public:
  // State register offsets and bits of the status packet.
  static constexpr int kRegEnable = 0, kRegSpeed = 1, kRegPullUpDuration = 2, kRegProgDuration = 3,
                       kRegSlew = 4, kRegWrite1Low = 5, kRegSampleOffset = 6, kRegStatus = 8,
                       kRegCommand1 = 9, kRegCommand2 = 10, kRegCommandFifo = 11, kRegDataOut = 12,
                       kRegDataIn = 13;

  explicit Ds2490Emulator(SimBus& bus, EmulatorClock* clock = nullptr);

  int Control(uint8_t request, uint16_t value, uint16_t index) override;
  int BulkOut(const uint8_t* data, size_t n) override;
  int BulkIn(uint8_t* data, size_t n) override;
  int Status(uint8_t* data, size_t n) override;

  // ---- Test controls ---------------------------------------------------------------------------
  void Unplug(bool gone) { unplugged_ = gone; }  // every transfer then fails: no device
  void SetVpp(bool present) { vpp_ = present; }  // 12 V at the VPP pin
  void DeviceArrived();                          // a 1-Wire device was attached
  void set_frame_us(uint32_t us) { frame_us_ = us; }

  // ---- What happened ---------------------------------------------------------------------------
  uint64_t NowUs() { return clock_->NowUs(); }
  int64_t bus_resets() const { return resets_; }
  int64_t bus_slots() const { return slots_; }
  uint64_t bus_us() const { return bus_us_; }  // the 1-Wire time of the slots and resets
  int64_t transfers() const { return transfers_; }
  const std::vector<PulseRecord>& pulses() const { return pulses_; }
  bool PulseActive();
  uint8_t Register(int offset);  // a state register as the next status packet would give it

 private:
  struct Command {
    uint16_t value = 0, index = 0;
    int fifo_bytes = 2;
    uint64_t queued_us = 0;
  };
  // A command on its way: its 1-Wire work is done when it starts; what it reports becomes
  // visible when the bus gets there.
  struct Running {
    Command cmd;
    uint64_t start_us = 0;
    uint64_t data_us = 0;  // its EP3 data and the end of its 1-Wire slots
    uint64_t end_us = 0;   // the end of its strong pull-up or pulse too (UINT64_MAX: infinite)
    std::vector<uint8_t> ep3;
    uint8_t errors = 0;
    bool data_published = false;
    bool waiting_for_ep2 = false;  // BLOCK I/O: more bytes to come from the host
    int block_left = 0;
    int pulse = -1;        // index into pulses_ of its pulse, if any
    bool looping = false;  // a reset with PST that found no presence: again until halted
  };

  void PowerOnReset();
  int ControlCommand(uint16_t value);
  int ModeCommand(uint16_t value, uint16_t index);
  int CommCommand(uint16_t value, uint16_t index);
  // Runs the command FIFO up to the clock's present.
  void Advance();
  bool Start(const Command& c, uint64_t at);  // false: waits for EP2 data
  // A command whose 1-Wire part is over at `t` and that runs on (a pulse, a PST reset).
  bool Launch(Running r, uint64_t t);
  void Complete();
  void EndPulse(uint64_t at, bool halted);
  bool Busy() const { return running_.has_value(); }

  // 1-Wire work of the commands (onewire/sim/ds2490_commands.cpp); each adds its time to `t`.
  uint8_t BusReset(uint64_t& t, bool& presence, bool& shorted);
  int BusBit(int bit, uint64_t& t);
  uint8_t BusByte(uint8_t byte, uint64_t& t);
  uint8_t RunReset(const Command& c, uint64_t& t);
  uint8_t RunMatchAccess(const Command& c, uint64_t& t);
  uint8_t RunSearchAccess(const Command& c, uint64_t& t, std::vector<uint8_t>& ep3);
  void RunBlockBytes(uint64_t& t);
  // Starts a strong pull-up (or programming pulse) at `t` when it is enabled; false if not.
  bool StartPulse(bool programming, uint64_t t, uint64_t& end);
  uint32_t SlotUs(int bit) const;
  uint32_t ResetUs() const;

  SimBus& bus_;
  VirtualClock own_clock_;
  EmulatorClock* clock_;
  uint32_t frame_us_ = 1000;

  // State registers.
  uint8_t enable_ = 0;  // SPUE 0x01, PRGE 0x02, SPCE 0x04
  uint8_t speed_ = 0, pullup_duration_ = 0, prog_duration_ = 0, slew_ = 0, write1_low_ = 0,
          sample_offset_ = 0;
  bool halted_ = false, ep0_full_ = false, vpp_ = false, unplugged_ = false;
  bool started_ = false;  // START EXECUTION given: commands without IM may run

  std::deque<Command> fifo_;
  int fifo_bytes_ = 0;
  std::deque<uint8_t> ep2_, ep3_, results_;
  std::optional<Running> running_;
  uint64_t bus_free_us_ = 0;  // when the bus is done with what was started

  std::vector<PulseRecord> pulses_;
  int64_t resets_ = 0, slots_ = 0, transfers_ = 0;
  uint64_t bus_us_ = 0;
};

}  // namespace wm033::onewire::sim
