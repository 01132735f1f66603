// Command and reply bytes of the DS2480B serial 1-Wire line driver, as our driver uses them.
// Command mode: bit 7 set is a communication command (bits 6-5 the function, bit 4 the bit value,
// accelerator on or 12 V, bits 3-2 the 1-Wire speed, bit 1 strong pull-up or arm, bit 0 set);
// bit 7 clear is a configuration command (bits 6-4 the parameter, 000 reading one back; bits 3-1
// the value; bit 0 set).
#pragma once

#include <cstdint>

namespace wm033::onewire::ds2480b {

constexpr uint8_t kModeData = 0xE1;
constexpr uint8_t kModeCommand = 0xE3;  // in data mode; sent twice it is the data byte 0xE3
constexpr uint8_t kStopPulse = 0xF1;    // ends a pulse early; the pulse then answers

constexpr uint8_t kCommFlag = 0x81;
constexpr uint8_t kFuncBit = 0x00;
constexpr uint8_t kFuncSearchOff = 0x20;
constexpr uint8_t kFuncSearchOn = 0x30;
constexpr uint8_t kFuncReset = 0x40;
constexpr uint8_t kFuncPulse = 0x60;
constexpr uint8_t kBitOne = 0x10;
constexpr uint8_t kSpeedStandard = 0x00;
constexpr uint8_t kSpeedFlex = 0x04;
constexpr uint8_t kSpeedPulse = 0x0C;    // a pulse command has 11 in the speed bits
constexpr uint8_t kStrongPullUp = 0x02;  // single bit: strong pull-up after it; pulse: arm

// The timing byte after a master reset: a reset command at standard speed, 9600 baud.
constexpr uint8_t kTimingByte = kCommFlag | kFuncReset | kSpeedStandard;  // 0xC1
constexpr uint8_t kReset = kCommFlag | kFuncReset | kSpeedFlex;           // 0xC5
constexpr uint8_t kBitBase = kCommFlag | kFuncBit | kSpeedFlex;           // 0x85
constexpr uint8_t kSearchOn = kCommFlag | kFuncSearchOn | kSpeedFlex;     // 0xB5
constexpr uint8_t kSearchOff = kCommFlag | kFuncSearchOff | kSpeedFlex;   // 0xA5
// A strong pull-up now, disarming the pull-up after every byte: 0xED.
constexpr uint8_t kPulseNow = kCommFlag | kFuncPulse | kSpeedPulse;

// Replies. A reset: 11 in bits 7-6, the 12 V supply in bit 5, the revision in bits 4-2, the
// result in bits 1-0 (CD, or ED with the supply, for a presence).
constexpr uint8_t kResetReplyMask = 0xC0;
constexpr uint8_t kResetReplyTop = 0xC0;
constexpr uint8_t kResetVpp = 0x20;
constexpr uint8_t kResetShorted = 0x00;
constexpr uint8_t kResetPresence = 0x01;
constexpr uint8_t kResetAlarm = 0x02;
constexpr uint8_t kResetNone = 0x03;
// A single bit: the command's bits 7-2, the bit read in both bits 1-0.
constexpr uint8_t kBitReplyMask = 0xFC;
// The end of a pulse, and of a single bit's strong pull-up: 1110 11xx.
constexpr uint8_t kPulseEndMask = 0xFC;
constexpr uint8_t kPulseEnd = 0xEC;

// Configuration parameters (bits 6-4) and the values we use (bits 3-1).
constexpr uint8_t kConfigFlag = 0x01;
constexpr int kParamRead = 0;
constexpr int kParamSlew = 1;
constexpr int kParam5VPulse = 3;
constexpr int kParamWrite1Low = 4;
constexpr int kParamSampleOffset = 5;
constexpr int kParamBaud = 7;
constexpr uint8_t kSlew1p37 = 3;         // 1.37 V/us
constexpr uint8_t kWrite1Low10us = 2;    // 10 us
constexpr uint8_t kSampleOffset8us = 5;  // 8 us
constexpr uint8_t kPulseInfinite = 7;    // a strong pull-up that lasts until stopped
constexpr uint8_t kBaud9600 = 0;
constexpr uint8_t kBaud19200 = 1;
constexpr uint8_t kBaud57600 = 2;
constexpr uint8_t kBaud115200 = 3;

// Flexible-speed times with our configuration: a write-1 or read slot 10 + 8 + 49 us, a write-0
// slot 57 + 8 us, a reset 512 + 584 us.
constexpr int kSlotUs = 67;
constexpr int kResetUs = 1096;

constexpr uint8_t ConfigWrite(int param, uint8_t value) {
  return static_cast<uint8_t>(kConfigFlag | (param << 4) | ((value & 7) << 1));
}
constexpr uint8_t ConfigRead(int param) {
  return static_cast<uint8_t>(kConfigFlag | ((param & 7) << 1));
}
// A configuration write is answered by its own byte with bit 0 clear; a read by the value in
// bits 3-1 (the upper four bits as sent: 0).
constexpr uint8_t ConfigWriteReply(uint8_t command) {
  return command & 0xFE;
}
constexpr uint8_t ConfigReadReply(uint8_t value) {
  return static_cast<uint8_t>((value & 7) << 1);
}

constexpr int BaudOfCode(uint8_t code) {
  return code == kBaud19200    ? 19200
         : code == kBaud57600  ? 57600
         : code == kBaud115200 ? 115200
                               : 9600;
}

}  // namespace wm033::onewire::ds2480b
