// The DS2490's vendor request codes, embedded command bits, register bits and result codes, as
// the emulator reads them (the datasheet's names). The DS2490 driver has a table of its own: a
// wrong value in one shows up against the other.
#pragma once

#include <cstdint>

namespace wm033::onewire::sim::ds2490 {

// bRequest of the vendor requests.
constexpr uint8_t kControlCmd = 0x00;
constexpr uint8_t kCommCmd = 0x01;
constexpr uint8_t kModeCmd = 0x02;

// Control commands (wValue).
constexpr uint16_t kCtlResetDevice = 0x0000;
constexpr uint16_t kCtlStartExe = 0x0001;
constexpr uint16_t kCtlResumeExe = 0x0002;
constexpr uint16_t kCtlHaltExeIdle = 0x0003;
constexpr uint16_t kCtlHaltExeDone = 0x0004;
constexpr uint16_t kCtlFlushCommCmds = 0x0007;
constexpr uint16_t kCtlFlushRcvBuffer = 0x0008;
constexpr uint16_t kCtlFlushXmtBuffer = 0x0009;
constexpr uint16_t kCtlGetCommCmds = 0x000A;  // needs a data stage to the host

// Mode commands (wValue) and their parameters (wIndex).
constexpr uint16_t kModPulseEnable = 0x0000;  // bit 0 programming pulse, bit 1 strong pull-up
constexpr uint16_t kModSpeedChangeEnable = 0x0001;
constexpr uint16_t kModSpeed = 0x0002;
constexpr uint16_t kModPullUpDuration = 0x0003;
constexpr uint16_t kModPulldownSlewRate = 0x0004;
constexpr uint16_t kModProgPulseDuration = 0x0005;
constexpr uint16_t kModWrite1LowTime = 0x0006;
constexpr uint16_t kModSampleOffset = 0x0007;
constexpr uint16_t kPulseEnableProg = 0x01;
constexpr uint16_t kPulseEnablePullUp = 0x02;

// Communication commands: bits 7-4 of wValue name the command.
enum CommCode : uint8_t {
  kCommErrorEscape = 0x0,
  kCommSetDuration = 0x1,
  kCommBitIo = 0x2,
  kCommPulse = 0x3,
  kCommReset = 0x4,
  kCommByteIo = 0x5,
  kCommMatchAccess = 0x6,
  kCommBlockIo = 0x7,
  kCommReadStraight = 0x8,
  kCommDoRelease = 0x9,
  kCommSetPath = 0xA,
  kCommWriteSramPage = 0xB,
  kCommWriteEprom = 0xC,
  kCommReadCrcProtPage = 0xD,
  kCommReadRedirectPage = 0xE,
  kCommSearchAccess = 0xF,
};

// Embedded command bits of wValue.
constexpr uint16_t kBitIm = 0x0001;      // run at once
constexpr uint16_t kBitParam = 0x0008;   // D, SE, SM, TYPE, Z, CH or R, by command
constexpr uint16_t kBitRst = 0x0100;     // a 1-Wire reset first
constexpr uint16_t kBitIcp = 0x0200;     // not the last of a macro: no result, no EP3 data
constexpr uint16_t kBitNtf = 0x0400;     // a result also when there is no error
constexpr uint16_t kBitF = 0x0800;       // clear the FIFOs when the command fails
constexpr uint16_t kBitSpu = 0x1000;     // strong pull-up afterwards
constexpr uint16_t kBitHigh14 = 0x4000;  // PST (reset), CIB (bit I/O), RTS (search)

// Device status flags (state register 8).
constexpr uint8_t kStSpua = 0x01;
constexpr uint8_t kStPrga = 0x02;
constexpr uint8_t kSt12vp = 0x04;
constexpr uint8_t kStHalt = 0x10;
constexpr uint8_t kStIdle = 0x20;
constexpr uint8_t kStEp0f = 0x80;

// Enable flags (state register 0).
constexpr uint8_t kEnSpue = 0x01;
constexpr uint8_t kEnPrge = 0x02;
constexpr uint8_t kEnSpce = 0x04;

// Result register values.
constexpr uint8_t kRrDetect = 0xA5;
constexpr uint8_t kRrNrs = 0x01;
constexpr uint8_t kRrSh = 0x02;
constexpr uint8_t kRrApp = 0x04;
constexpr uint8_t kRrVpp = 0x08;
constexpr uint8_t kRrCmp = 0x10;
constexpr uint8_t kRrCrc = 0x20;
constexpr uint8_t kRrRdp = 0x40;
constexpr uint8_t kRrEos = 0x80;

// Power-on values of the state registers.
constexpr uint8_t kDefaultPullUpDuration = 0x20;  // 512 ms
constexpr uint8_t kDefaultProgDuration = 0x40;    // 512 us
constexpr uint8_t kDefaultSlew = 0x05;            // 0.83 V/us
constexpr uint8_t kDefaultWrite1Low = 0x04;       // 12 us
constexpr uint8_t kDefaultSampleOffset = 0x04;    // 7 us

constexpr int kFifoBytes = 128;   // EP2 and EP3
constexpr int kCommandFifo = 16;  // communication commands and their parameters
constexpr int kPacketBytes = 64;  // bulk packet size in alternate setting 3
constexpr int kMaxResults = 16;   // result bytes in one status packet

}  // namespace wm033::onewire::sim::ds2490
