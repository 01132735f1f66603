// The DS2490 emulator against the exchanges that independent hosts make with a real DS9490, as
// their sources make them (the Linux kernel's ds2490 driver, owfs, the Maxim public-domain kit
// with libusb, digitemp), each checked against what the datasheet says the chip answers; and the
// chip's own rules (FIFO, halting, EP0F, F, ICP and NTF, short reads, timeouts).
#include <gtest/gtest.h>

#include <algorithm>

#include "onewire/crc.h"
#include "onewire/sim/ds2490_codes.h"
#include "tests/ds2490_rig.h"

namespace wm033::testing {
namespace {

using namespace onewire::sim::ds2490;
using onewire::Rom;
using Emu = onewire::sim::Ds2490Emulator;

struct Packet {
  std::vector<uint8_t> reg;      // 16 state registers
  std::vector<uint8_t> results;  // result register bytes
  bool idle() const { return (reg[8] & kStIdle) && reg[11] == 0; }
  uint8_t flags() const { return reg[8]; }
};

Packet Poll(Emu& chip) {
  uint8_t b[64];
  const int n = chip.Status(b, sizeof b);
  EXPECT_GE(n, 16);
  Packet p;
  p.reg.assign(b, b + 16);
  for (int i = 16; i < n; ++i) p.results.push_back(b[i]);
  return p;
}

// Polls as the kernel and owfs do: until idle; every result on the way.
Packet WaitIdle(Emu& chip, std::vector<uint8_t>* results = nullptr) {
  for (int i = 0; i < 5000; ++i) {
    Packet p = Poll(chip);
    if (results) results->insert(results->end(), p.results.begin(), p.results.end());
    if (p.idle()) return p;
  }
  ADD_FAILURE() << "never idle";
  return Poll(chip);
}

std::vector<uint8_t> ReadEp3(Emu& chip, size_t n) {
  std::vector<uint8_t> b(n);
  const int got = chip.BulkIn(b.data(), n);
  EXPECT_GE(got, 0);
  b.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return b;
}

// The results that are not device arrivals.
std::vector<uint8_t> Results(const std::vector<uint8_t>& r) {
  std::vector<uint8_t> out;
  for (uint8_t b : r)
    if (b != kRrDetect) out.push_back(b);
  return out;
}

uint16_t Comm(uint8_t code) {
  return static_cast<uint16_t>(code << 4);
}

// The ROM codes of the demo station, in the order a search finds them (bit 0 first, 0 before 1).
std::vector<Rom> DemoRoms(Ds2490Rig& rig) {
  std::vector<Rom> roms;
  for (auto& c : rig.station.bus().chips()) roms.push_back(c->rom());
  auto key = [](const Rom& r) {
    std::string k;
    for (int pos = 0; pos < 64; ++pos) k += char('0' + ((r[pos / 8] >> (pos % 8)) & 1));
    return k;
  };
  std::sort(roms.begin(), roms.end(), [&](const Rom& a, const Rom& b) { return key(a) < key(b); });
  return roms;
}

TEST(Ds2490Emulator, PowerOnStateModeCommandsAndWhatItRefuses) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  Packet p = Poll(chip);
  EXPECT_EQ(p.reg, std::vector<uint8_t>({0x00, 0x00, 0x20, 0x40, 0x05, 0x04, 0x04, 0, kStIdle, 0, 0,
                                         0, 0, 0, 0, 0}));
  EXPECT_EQ(p.results, std::vector<uint8_t>({kRrDetect})) << "the chips arrived at power-up";
  EXPECT_TRUE(Poll(chip).results.empty()) << "a result is given once";

  // owfs's set-up: reset, pull-up infinite, 12 V pulse 480 us, both pulses, speed changes.
  EXPECT_EQ(chip.Control(kControlCmd, kCtlResetDevice, 0), 0);
  EXPECT_EQ(chip.Control(kCommCmd, 0x0013, 0x0000), 0);
  EXPECT_EQ(chip.Control(kCommCmd, 0x001B, 0x003C), 0);
  EXPECT_EQ(chip.Control(kModeCmd, kModPulseEnable, 0x03), 0);
  EXPECT_EQ(chip.Control(kModeCmd, kModSpeedChangeEnable, 1), 0);
  p = WaitIdle(chip);
  EXPECT_EQ(p.reg[0], kEnSpue | kEnPrge | kEnSpce);
  EXPECT_EQ(p.reg[2], 0x00);
  EXPECT_EQ(p.reg[3], 0x3C);
  // The Maxim kit's detect leaves only the programming pulse enabled.
  chip.Control(kModeCmd, kModPulseEnable, kPulseEnableProg);
  EXPECT_EQ(Poll(chip).reg[0], kEnPrge | kEnSpce);
  for (auto [reg, mode, value] : {std::tuple{1, kModSpeed, 2},
                                  {2, kModPullUpDuration, 0x2F},
                                  {4, kModPulldownSlewRate, 3},
                                  {5, kModWrite1LowTime, 6},
                                  {6, kModSampleOffset, 1},
                                  {3, kModProgPulseDuration, 0x10}}) {
    EXPECT_EQ(chip.Control(kModeCmd, mode, static_cast<uint16_t>(value)), 0);
    EXPECT_EQ(Poll(chip).reg[reg], value) << "register " << reg;
  }

  // Requests the chip does not define are stalled; so are commands the emulator leaves out.
  EXPECT_EQ(chip.Control(kModeCmd, 0x0008, 0), onewire::kUsbErrorPipe);
  for (uint16_t ctl : {0x0005, 0x0006, 0x000A, 0x000B, 0x1234})
    EXPECT_EQ(chip.Control(kControlCmd, ctl, 0), onewire::kUsbErrorPipe) << ctl;
  EXPECT_EQ(chip.Control(0x03, 0, 0), onewire::kUsbErrorPipe);
  EXPECT_EQ(chip.Control(kCommCmd, 0x00C5, 0), onewire::kUsbErrorPipe);  // WRITE EPROM
  EXPECT_TRUE(Poll(chip).idle());
}

TEST(Ds2490Emulator, ResetsAsHostsMakeThem) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  Poll(chip);  // the power-up arrival
  // digitemp: RESET with IM and NTF, regular speed: a 0x00 result says presence.
  chip.Control(kCommCmd, 0x0443, 0x0000);
  std::vector<uint8_t> r;
  WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({0x00}));
  // The kernel: no NTF, nothing to report.
  chip.Control(kCommCmd, 0x0043, 0x0000);
  r.clear();
  WaitIdle(chip, &r);
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(chip.bus_resets(), 2);
  // owfs at flexible speed (SE): the speed changes only once speed changes are enabled.
  chip.Control(kCommCmd, 0x0849, 0x0001);
  EXPECT_EQ(WaitIdle(chip).reg[1], 0);
  chip.Control(kModeCmd, kModSpeedChangeEnable, 1);
  chip.Control(kCommCmd, 0x0849, 0x0001);
  EXPECT_EQ(WaitIdle(chip).reg[1], 1);

  // An empty bus reports NRS without NTF too; a shorted one SH.
  onewire::sim::SimBus empty;
  Emu bare(empty);
  EXPECT_TRUE(Poll(bare).results.empty()) << "no chip arrived";
  bare.Control(kCommCmd, 0x0043, 0);
  r.clear();
  WaitIdle(bare, &r);
  EXPECT_EQ(r, std::vector<uint8_t>({kRrNrs}));
  rig.station.bus().SetShort(true);
  chip.Control(kCommCmd, 0x0043, 0);
  r.clear();
  WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({kRrSh}));
  rig.station.bus().SetShort(false);
  // PST on an empty bus: resets until a presence pulse, here until halted.
  bare.Control(kCommCmd, 0x4043, 0);
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(Poll(bare).reg[8] & kStIdle);
  bare.Control(kControlCmd, kCtlHaltExeIdle, 0);
  Packet p = Poll(bare);
  EXPECT_TRUE(p.reg[8] & kStIdle);
  EXPECT_TRUE(p.reg[8] & kStHalt);
  EXPECT_EQ(p.results, std::vector<uint8_t>({kRrNrs}));
}

TEST(Ds2490Emulator, BytesAndBitsReadAThermometer) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  const Rom rom = *rig.cfg.chips[0].rom;
  // digitemp: a byte per request, status until idle, one byte from EP3.
  auto touch = [&](uint8_t b) {
    chip.Control(kCommCmd, 0x0053, b);
    WaitIdle(chip);
    const auto d = ReadEp3(chip, 1);
    return d.empty() ? -1 : d[0];
  };
  chip.Control(kCommCmd, 0x0443, 0);
  WaitIdle(chip);
  EXPECT_EQ(touch(0x55), 0x55);
  for (uint8_t b : rom) EXPECT_EQ(touch(b), b);
  EXPECT_EQ(touch(0xBE), 0xBE);
  uint8_t pad[9];
  for (uint8_t& b : pad) b = static_cast<uint8_t>(touch(0xFF));
  EXPECT_EQ(onewire::Crc8(pad, 8), pad[8]) << "a real scratchpad";
  EXPECT_EQ(chip.bus_slots(), 8 * (1 + 8 + 1 + 9));

  // The Maxim kit reads EP3 straight after the request: the chip holds it back until the byte is
  // done. BIT I/O answers 0 or 1.
  chip.Control(kCommCmd, 0x0443, 0);
  WaitIdle(chip);
  chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xCC);
  EXPECT_EQ(ReadEp3(chip, 1), std::vector<uint8_t>({0xCC}));
  chip.Control(kCommCmd, 0x0029, 0);  // BIT I/O, D = 1: a read slot
  WaitIdle(chip);
  const auto bit = ReadEp3(chip, 1);
  ASSERT_EQ(bit.size(), 1u);
  EXPECT_LE(bit[0], 1);
  // owfs sends whole blocks: EP2 first, BLOCK I/O, the status until the data is in, EP3. A
  // block whose bytes come later waits for them.
  chip.Control(kCommCmd, 0x0849, 0);
  WaitIdle(chip);
  std::vector<uint8_t> block = {0x55};
  block.insert(block.end(), rom.begin(), rom.end());
  block.push_back(0xBE);
  const size_t head = block.size();
  block.resize(head + 9, 0xFF);
  chip.BulkOut(block.data(), 12);
  chip.Control(kCommCmd, 0x0875, static_cast<uint16_t>(block.size()));
  Packet p = Poll(chip);
  EXPECT_FALSE(p.idle()) << "waiting for the rest of the block";
  chip.BulkOut(block.data() + 12, block.size() - 12);
  p = WaitIdle(chip);
  ASSERT_EQ(p.reg[13], block.size());
  const auto got = ReadEp3(chip, 64);
  ASSERT_EQ(got.size(), block.size());
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + static_cast<long>(head), got.begin()));
  EXPECT_EQ(onewire::Crc8(got.data() + head, 8), got[head + 8]);

  // ICP: no data, no result, even with NTF.
  chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm | kBitIcp | kBitNtf, 0xFF);
  std::vector<uint8_t> r;
  EXPECT_EQ(WaitIdle(chip, &r).reg[13], 0);
  EXPECT_TRUE(r.empty());
}

// owfs's directory: a reset (its bus select), then one ROM code per SEARCH ACCESS, the next
// path from the discrepancies.
std::vector<Rom> OwfsDirectory(Emu& chip) {
  std::vector<Rom> found;
  Rom sn{};
  int last_discrepancy = -1;
  for (int guard = 0; guard < 40; ++guard) {
    Rom ep2 = sn;
    auto set = [&](int bit, int v) {
      ep2[bit / 8] = static_cast<uint8_t>(v ? ep2[bit / 8] | (1 << (bit % 8))
                                            : ep2[bit / 8] & ~(1 << (bit % 8)));
    };
    if (last_discrepancy > -1) set(last_discrepancy, 1);
    for (int i = last_discrepancy + 1; i < 64; ++i) set(i, 0);
    chip.Control(kCommCmd, 0x0849, 0x0000);  // RESET, F IM SE
    WaitIdle(chip);
    EXPECT_EQ(chip.BulkOut(ep2.data(), 8), 8);
    chip.Control(kCommCmd, 0x48FD, 0x01F0);  // SEARCH ACCESS, IM SM F RTS, 1 device, F0
    const Packet p = WaitIdle(chip);
    const int bytes = p.reg[13];
    if (bytes == 0) break;
    auto data = ReadEp3(chip, static_cast<size_t>(bytes));
    if (data.size() < 8) break;
    Rom rom;
    std::copy(data.begin(), data.begin() + 8, rom.begin());
    found.push_back(rom);
    sn = rom;
    if (data.size() == 8) break;  // no discrepancy information: that was the last one
    last_discrepancy = 0;
    for (int i = 63; i >= 0; --i) {
      const bool d = (data[8 + i / 8] >> (i % 8)) & 1, s = (rom[i / 8] >> (i % 8)) & 1;
      if (d && !s) {
        last_discrepancy = i;
        break;
      }
    }
  }
  return found;
}

TEST(Ds2490Emulator, SearchAccessListsAndSelects) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  const std::vector<Rom> demo = DemoRoms(rig);
  ASSERT_EQ(demo.size(), 13u);
  EXPECT_EQ(OwfsDirectory(chip), demo);

  // The kernel asks for up to 64 at once: all 13 come, and EOS says there were fewer. EOS is
  // no error: F leaves the ROM codes in EP3.
  const uint8_t zero[8] = {};
  chip.BulkOut(zero, 8);
  chip.Control(kCommCmd, 0x49FD, 0x40F0);
  std::vector<uint8_t> r;
  const Packet p = WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({kRrEos}));
  ASSERT_EQ(p.reg[13], 13 * 8);
  const auto data = ReadEp3(chip, 128);
  ASSERT_EQ(data.size(), 13u * 8);
  for (size_t i = 0; i < demo.size(); ++i)
    EXPECT_TRUE(std::equal(demo[i].begin(), demo[i].end(), data.begin() + 8 * i)) << i;

  // SM 0: a strong access. The chip found is selected; a missing one gives NRS.
  const Rom thermometer = *rig.cfg.chips[1].rom;
  chip.BulkOut(thermometer.data(), 8);
  chip.Control(kCommCmd, Comm(kCommSearchAccess) | kBitIm | kBitRst | kBitNtf, 0x00F0);
  r.clear();
  WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({0x00}));
  chip.Control(kCommCmd, 0x0053, 0xBE);
  WaitIdle(chip);
  ReadEp3(chip, 1);
  uint8_t pad[9];
  for (uint8_t& b : pad) {
    chip.Control(kCommCmd, 0x0053, 0xFF);
    WaitIdle(chip);
    b = ReadEp3(chip, 1).at(0);
  }
  EXPECT_EQ(onewire::Crc8(pad, 8), pad[8]);
  Rom missing = thermometer;
  missing[5] ^= 0x10;
  chip.BulkOut(missing.data(), 8);
  chip.Control(kCommCmd, Comm(kCommSearchAccess) | kBitIm | kBitRst, 0x00F0);
  r.clear();
  WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({kRrNrs}));
  // The same on an empty bus.
  onewire::sim::SimBus empty;
  Emu bare(empty);
  bare.BulkOut(thermometer.data(), 8);
  bare.Control(kCommCmd, Comm(kCommSearchAccess) | kBitIm | kBitRst, 0x00F0);
  r.clear();
  WaitIdle(bare, &r);
  EXPECT_EQ(r, std::vector<uint8_t>({kRrNrs}));
}

TEST(Ds2490Emulator, StrongPullUpAndPulses) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  chip.Control(kModeCmd, kModPulseEnable, kPulseEnablePullUp);
  chip.Control(kModeCmd, kModPullUpDuration, 0);
  // owfs's power byte: BYTE I/O with SPU, the byte read at once, then HALT and RESUME.
  chip.Control(kCommCmd, 0x1053, 0x44);
  EXPECT_EQ(ReadEp3(chip, 1), std::vector<uint8_t>({0x44}));
  Packet p = Poll(chip);
  EXPECT_TRUE(p.flags() & kStSpua);
  EXPECT_FALSE(p.flags() & kStIdle);
  rig.platform.Advance(750);
  EXPECT_TRUE(chip.PulseActive()) << "infinite: it runs until halted";
  chip.Control(kControlCmd, kCtlHaltExeIdle, 0);
  chip.Control(kControlCmd, kCtlResumeExe, 0);
  p = Poll(chip);
  EXPECT_FALSE(p.flags() & kStSpua);
  EXPECT_TRUE(p.idle());
  EXPECT_FALSE(p.flags() & kStHalt);
  ASSERT_EQ(chip.pulses().size(), 1u);
  EXPECT_TRUE(chip.pulses()[0].halted);
  EXPECT_GE(chip.pulses()[0].end_us - chip.pulses()[0].start_us, 750000u);

  // The kernel: a duration of 47 x 16 ms, then the byte; the pull-up ends by itself.
  chip.Control(kCommCmd, 0x0013, 47);
  chip.Control(kCommCmd, 0x1053, 0x44);
  rig.platform.Advance(752);
  p = WaitIdle(chip);
  EXPECT_FALSE(p.flags() & kStSpua);
  EXPECT_EQ(ReadEp3(chip, 1), std::vector<uint8_t>({0x44}));
  ASSERT_EQ(chip.pulses().size(), 2u);
  EXPECT_FALSE(chip.pulses()[1].halted);
  EXPECT_EQ(chip.pulses()[1].end_us - chip.pulses()[1].start_us, 752000u);

  // PULSE with pull-ups disabled: none. 0xFF: shorter than a microsecond.
  chip.Control(kModeCmd, kModPulseEnable, 0);
  chip.Control(kCommCmd, Comm(kCommPulse) | kBitIm, 0);
  WaitIdle(chip);
  EXPECT_EQ(chip.pulses().size(), 2u);
  chip.Control(kModeCmd, kModPulseEnable, kPulseEnablePullUp);
  chip.Control(kModeCmd, kModPullUpDuration, 0xFF);
  chip.Control(kCommCmd, Comm(kCommPulse) | kBitIm, 0);
  WaitIdle(chip);
  ASSERT_EQ(chip.pulses().size(), 3u);
  EXPECT_EQ(chip.pulses()[2].end_us, chip.pulses()[2].start_us);
  // BIT I/O with SPU and CIB: a pull-up only when the bit read is 0 (an empty bus reads 1).
  onewire::sim::SimBus empty;
  Emu bare(empty);
  bare.Control(kModeCmd, kModPulseEnable, kPulseEnablePullUp);
  bare.Control(kCommCmd, Comm(kCommBitIo) | kBitIm | kBitParam | kBitSpu | kBitHigh14, 0);
  WaitIdle(bare);
  EXPECT_TRUE(bare.pulses().empty());
  // A 12 V pulse without 12 V at VPP reports VPP; with it, PRGA while it lasts.
  std::vector<uint8_t> r;
  bare.Control(kModeCmd, kModPulseEnable, kPulseEnableProg);
  bare.Control(kCommCmd, Comm(kCommPulse) | kBitIm | kBitParam, 0);
  WaitIdle(bare, &r);
  EXPECT_EQ(r, std::vector<uint8_t>({kRrVpp}));
  bare.SetVpp(true);
  bare.Control(kModeCmd, kModProgPulseDuration, 0);
  bare.Control(kCommCmd, Comm(kCommPulse) | kBitIm | kBitParam, 0);
  p = Poll(bare);
  EXPECT_TRUE(p.flags() & kStPrga);
  EXPECT_TRUE(p.flags() & kSt12vp);
}

TEST(Ds2490Emulator, CommandFifoHaltsFlushesAndOverflows) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  Poll(chip);
  // Without IM a command waits for START EXECUTION.
  chip.Control(kCommCmd, Comm(kCommByteIo), 0xFF);
  Packet p = Poll(chip);
  EXPECT_EQ(p.reg[11], 3);
  EXPECT_EQ(chip.bus_slots(), 0);
  chip.Control(kControlCmd, kCtlStartExe, 0);
  EXPECT_EQ(WaitIdle(chip).reg[13], 1);
  EXPECT_EQ(ReadEp3(chip, 1).size(), 1u);
  // Halted, nothing runs; a flush works only while halted.
  chip.Control(kControlCmd, kCtlHaltExeDone, 0);
  chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xFF);
  p = Poll(chip);
  EXPECT_TRUE(p.flags() & kStHalt);
  EXPECT_EQ(p.reg[11], 3);
  chip.Control(kControlCmd, kCtlFlushCommCmds, 0);
  EXPECT_EQ(Poll(chip).reg[11], 0);
  chip.Control(kControlCmd, kCtlResumeExe, 0);
  chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xFF);
  EXPECT_EQ(WaitIdle(chip).reg[13], 1);
  chip.Control(kControlCmd, kCtlFlushRcvBuffer, 0);
  EXPECT_EQ(Poll(chip).reg[13], 1) << "not halted: no flush";

  // Behind an infinite pull-up the FIFO fills; the request that does not fit is lost, EP0F
  // is set, and only a device reset is taken until then.
  chip.Control(kControlCmd, kCtlResetDevice, 0);
  chip.Control(kModeCmd, kModPulseEnable, kPulseEnablePullUp);
  chip.Control(kModeCmd, kModPullUpDuration, 0);
  chip.Control(kCommCmd, Comm(kCommPulse) | kBitIm, 0);
  for (int i = 0; i < 6; ++i) chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xFF);
  p = Poll(chip);
  EXPECT_EQ(p.reg[11], 15);
  EXPECT_TRUE(p.flags() & kStEp0f);
  chip.Control(kModeCmd, kModSpeed, 2);
  EXPECT_EQ(Poll(chip).reg[1], 0) << "dropped while EP0F";
  chip.Control(kControlCmd, kCtlResetDevice, 0);
  p = Poll(chip);
  EXPECT_FALSE(p.flags() & kStEp0f);
  EXPECT_TRUE(p.idle());
  EXPECT_FALSE(chip.PulseActive());

  // F: an error clears the FIFOs, the command waiting behind it too.
  Rom nobody = *rig.cfg.chips[0].rom;
  nobody[2] ^= 0x01;
  chip.BulkOut(nobody.data(), 8);
  chip.Control(kControlCmd, kCtlHaltExeIdle, 0);
  chip.Control(kCommCmd, Comm(kCommSearchAccess) | kBitIm | kBitRst | kBitF, 0x00F0);
  chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xFF);
  chip.Control(kControlCmd, kCtlResumeExe, 0);
  std::vector<uint8_t> r;
  p = WaitIdle(chip, &r);
  EXPECT_EQ(Results(r), std::vector<uint8_t>({kRrNrs}));
  EXPECT_EQ(p.reg[13], 0) << "the byte after the failed access never ran";
}

TEST(Ds2490Emulator, ShortReadsLoseThePacketAndNoDataTimesOut) {
  Ds2490Rig rig;
  Emu& chip = rig.chip;
  uint8_t b[64];
  EXPECT_EQ(chip.Status(b, 16), onewire::kUsbErrorOverflow) << "the arrival byte did not fit";
  EXPECT_EQ(chip.Status(b, 64), 16) << "and is gone";
  for (int i = 0; i < 2; ++i) chip.Control(kCommCmd, Comm(kCommByteIo) | kBitIm, 0xFF);
  WaitIdle(chip);
  EXPECT_EQ(chip.BulkIn(b, 1), onewire::kUsbErrorOverflow) << "two bytes for a one-byte read";
  EXPECT_EQ(Poll(chip).reg[13], 0);
  const uint64_t before = chip.NowUs();
  EXPECT_EQ(chip.BulkIn(b, 64), onewire::kUsbErrorTimeout);
  EXPECT_GE(chip.NowUs() - before, 1000000u) << "the host waited its second";
  chip.Unplug(true);
  EXPECT_EQ(chip.Status(b, 64), onewire::kUsbErrorNoDevice);
  EXPECT_EQ(chip.Control(kControlCmd, kCtlResetDevice, 0), onewire::kUsbErrorNoDevice);
}

}  // namespace
}  // namespace wm033::testing
