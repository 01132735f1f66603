// Command bytes of the DS2480B serial 1-Wire line driver, shared by our driver and our emulator.
// Command-mode bytes: bit 7 set are communication commands (bits 6-5 the function, bit 4 the bit
// value or on/off, bits 3-2 the speed, bit 0 set); bit 7 clear are configuration commands (bits
// 6-4 the parameter, 0 reading one back; bits 3-1 the value, bit 0 set).
#pragma once

#include <cstdint>

namespace wm033::onewire::ds2480b {

constexpr uint8_t kModeData = 0xE1;
constexpr uint8_t kModeCommand = 0xE3;  // in data mode; sent twice it is the data byte 0xE3
constexpr uint8_t kStopPulse = 0xF1;

constexpr uint8_t kCommFlag = 0x81;
constexpr uint8_t kFuncBit = 0x00;
constexpr uint8_t kFuncSearchOff = 0x20;
constexpr uint8_t kFuncSearchOn = 0x30;
constexpr uint8_t kFuncReset = 0x40;
constexpr uint8_t kFuncPulse = 0x60;
constexpr uint8_t kFuncMask = 0x60;
constexpr uint8_t kBitOne = 0x10;
constexpr uint8_t kSpeedFlex = 0x04;
constexpr uint8_t kSpeedPulse = 0x0C;  // with kFuncPulse: a strong pull-up pulse
constexpr uint8_t kPulseArm = 0x02;    // with a pulse: after the next data byte instead of now

constexpr uint8_t kReset = kCommFlag | kFuncReset | kSpeedFlex;                        // 0xC5
constexpr uint8_t kBitBase = kCommFlag | kFuncBit | kSpeedFlex;                        // 0x85
constexpr uint8_t kSearchOn = kCommFlag | kFuncSearchOn | kSpeedFlex;                  // 0xB5
constexpr uint8_t kSearchOff = kCommFlag | kFuncSearchOff | kSpeedFlex;                // 0xA5
constexpr uint8_t kPulseNow = kCommFlag | kFuncPulse | kSpeedPulse;                    // 0xED
constexpr uint8_t kPulseAfterByte = kCommFlag | kFuncPulse | kSpeedPulse | kPulseArm;  // 0xEF

// The reply to a reset: 110 in bits 7-5, the chip revision in bits 4-2, the result in 1-0.
constexpr uint8_t kResetReplyMask = 0xE0;
constexpr uint8_t kResetReplyTop = 0xC0;
constexpr uint8_t kResetRevision = 0x0C;
constexpr uint8_t kResetShorted = 0x00;
constexpr uint8_t kResetPresence = 0x01;
constexpr uint8_t kResetAlarm = 0x02;
constexpr uint8_t kResetNone = 0x03;
// A single bit's reply: the command's top bits, the bit read in bits 1-0.
constexpr uint8_t kBitReplyMask = 0xE0;
constexpr uint8_t kBitReplyTop = 0x80;
// The reply when a pulse ends: 111 in bits 7-5.
constexpr uint8_t kPulseReplyMask = 0xE0;
constexpr uint8_t kPulseReplyTop = 0xE0;

// Configuration parameters (bits 6-4) and the values we use (bits 3-1).
constexpr uint8_t kConfigFlag = 0x01;
constexpr int kParamRead = 0;
constexpr int kParamSlew = 1;
constexpr int kParam12VPulse = 2;
constexpr int kParam5VPulse = 3;
constexpr int kParamWrite1Low = 4;
constexpr int kParamSampleOffset = 5;
constexpr int kParamActivePullUp = 6;
constexpr int kParamBaud = 7;
constexpr uint8_t kSlew1p37 = 3;         // 1.37 V/us
constexpr uint8_t kWrite1Low10us = 2;    // 10 us
constexpr uint8_t kSampleOffset8us = 5;  // 8 us
constexpr uint8_t kPulseInfinite = 7;    // a strong pull-up that lasts until stopped
constexpr uint8_t kBaud9600 = 0;
constexpr uint8_t kBaud19200 = 1;
constexpr uint8_t kBaud57600 = 2;
constexpr uint8_t kBaud115200 = 3;

constexpr uint8_t ConfigWrite(int param, uint8_t value) {
  return static_cast<uint8_t>(kConfigFlag | (param << 4) | ((value & 7) << 1));
}
constexpr uint8_t ConfigRead(int param) {
  return static_cast<uint8_t>(kConfigFlag | ((param & 7) << 1));
}
// A configuration write is answered by its own byte with bit 0 clear; a read by the value in
// bits 3-1.
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
