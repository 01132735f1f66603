// Port type 6: a DS9490 USB adapter (DS2490 bridge) behind the OneWireLink calls.
//
// Each bus operation is one communication command with IM (run at once). We then read status
// packets until the chip is idle with an empty command FIFO, collecting the result register
// bytes (0xA5, a device arrival, is not a result), and read the data byte from EP3 when the
// status says it is there. Resets and the strong-access verify ask for a result every time
// (NTF) and wait for it; the verify is the chip's SEARCH ACCESS with SM 0 along the ROM code in
// EP2 (NRS: the chip did not answer every bit).
//
// Strong pull-up, as the datasheet has it: pulses are enabled (ENABLE PULSE, SPUE) and their
// duration is infinite (0) from the set-up on. "Now" is a PULSE command, confirmed by SPUA in
// the status; "after the next byte" is that BYTE I/O with SPU. Such a pull-up runs until HALT
// EXECUTION (when idle) and RESUME EXECUTION end it, which we confirm by SPUA clearing; that
// happens before the next bus operation or when the level is set back to normal.
//
// What can go wrong: a status packet that is short or fails is read again; EP0F (the chip
// dropped our request) or a halted chip is put right and the command sent again; no idle
// status in time, a missing or garbled reply or result, or a refused request makes us reset the
// chip (CTL RESET DEVICE and the set-up again) and fail that one operation, so the next one
// works; a reset or a verify is simply tried once more. A transfer that finds no device drops
// it; it is opened again at the next session start.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "onewire/link.h"
#include "onewire/usb_transfer.h"

namespace wm033::onewire {

namespace ds2490 {
constexpr uint8_t kControlCmd = 0x00;
constexpr uint8_t kCommCmd = 0x01;
constexpr uint8_t kModeCmd = 0x02;

constexpr uint16_t kCtlResetDevice = 0x0000;
constexpr uint16_t kCtlResumeExe = 0x0002;
constexpr uint16_t kCtlHaltExeIdle = 0x0003;

constexpr uint16_t kModPulseEnable = 0x0000;
constexpr uint16_t kModSpeed = 0x0002;
constexpr uint16_t kModStrongPullUpDuration = 0x0003;
constexpr uint16_t kPulseSpue = 0x02;       // strong pull-up pulses allowed
constexpr uint16_t kPullUpInfinite = 0x00;  // lasts until halted
constexpr uint16_t kSpeedNormal = 0x00;

constexpr uint16_t kCommBitIo = 0x0020;
constexpr uint16_t kCommPulse = 0x0030;
constexpr uint16_t kCommReset = 0x0042;
constexpr uint16_t kCommByteIo = 0x0052;
constexpr uint16_t kCommSearchAccess = 0x00F4;
constexpr uint16_t kCommIm = 0x0001;          // run at once
constexpr uint16_t kCommD = 0x0008;           // the bit to write (BIT I/O)
constexpr uint16_t kCommSe = 0x0008;          // speed change (reset)
constexpr uint16_t kCommRst = 0x0100;         // a 1-Wire reset first
constexpr uint16_t kCommNtf = 0x0400;         // a result even without an error
constexpr uint16_t kCommF = 0x0800;           // clear the buffers on an error
constexpr uint16_t kCommSpu = 0x1000;         // strong pull-up after the operation
constexpr uint16_t kSearchRomIndex = 0x00F0;  // Search ROM, number of devices 0 (SM 0)

// Status packet: state registers 0-15, result register bytes from 16.
constexpr size_t kStatusEnable = 0;
constexpr size_t kStatusSpeed = 1;
constexpr size_t kStatusPullUpDuration = 2;
constexpr size_t kStatusFlags = 8;
constexpr size_t kStatusCommBuffer = 11;
constexpr size_t kStatusDataIn = 13;
constexpr size_t kStatusResults = 16;
constexpr uint8_t kEnSpue = 0x01;
constexpr uint8_t kStSpua = 0x01;
constexpr uint8_t kStHalt = 0x10;
constexpr uint8_t kStIdle = 0x20;
constexpr uint8_t kStEp0f = 0x80;
constexpr uint8_t kRrDetect = 0xA5;  // a new device on the bus: not a result
constexpr uint8_t kRrNoPresence = 0x01;
constexpr uint8_t kRrShort = 0x02;
constexpr uint8_t kRrAlarm = 0x04;
constexpr uint8_t kRrEndOfSearch = 0x80;
}  // namespace ds2490

using UsbOpener = std::function<std::unique_ptr<UsbTransfer>(std::string& error)>;

class Ds2490Link : public OneWireLink {
 public:
  Ds2490Link(UsbOpener opener, std::function<void(const std::string&)> notify = {});
  bool Open(std::string& error);

  void OnSessionStart() override;
  int Reset() override;
  int TouchBit(int bit) override;
  int TouchByte(int byte) override;
  int SetLevel(LineLevel level, LevelStart start) override;
  std::optional<int> AccelVerify(const Rom& rom) override;

  // Resets of the chip after garbled or missing replies (for tests and the benchmark).
  int resyncs() const { return resyncs_; }

 private:
  enum class Outcome { kDone, kGarbled, kLost };
  // What the status packets said while a command ran.
  struct Feedback {
    uint8_t flags = 0;
    uint8_t data_in = 0;
    std::vector<uint8_t> results;  // device arrivals left out
  };
  // How long to read status packets for.
  enum class Until { kIdle, kIdleWithResult, kPullUpRunning, kByteDoneOrIdle };

  // Sends a communication command and reads status until `until`.
  Outcome Run(uint16_t value, uint16_t index, Until until, Feedback& fb);
  Outcome Poll(Until until, Feedback& fb);
  // Reads the data byte of a command that has finished: the last one in EP3.
  Outcome ReadByte(const Feedback& fb, uint8_t& byte);
  bool SetUp();  // device reset and mode registers; false when the chip does not take them
  Outcome EndPullUp();
  // Ends a running strong pull-up before another operation: 0, or the operation's failure
  // (`garbled`: the chip was reset, the operation may be tried again).
  int EndRunningPullUp(bool& garbled);
  // After a garbled exchange: resets the chip; false (and the device dropped) when that fails.
  bool Resync();
  int Lost(const std::string& why);
  int Garbled(const std::string& why);  // resync, then kLinkFailed
  int ResetOnce(bool& retry);
  int VerifyOnce(const Rom& rom, bool& retry);
  int TouchByteOnce(int byte);

  UsbOpener opener_;
  LossNotice loss_;
  std::unique_ptr<UsbTransfer> usb_;
  bool armed_ = false;    // the next byte carries a strong pull-up
  bool pull_up_ = false;  // a strong pull-up is running
  int resyncs_ = 0;
};

}  // namespace wm033::onewire
