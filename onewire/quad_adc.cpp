// The DS2450 quad A/D converter of the wind vane.
// DML2450Init writes the control/status page (55 0008: per channel 08 = 8 bits, output off, and
// 01 = 5.12 V range, alarms off; each data byte is followed by the chip's CRC16 and echo, read
// and not compared), then the VCC control byte (55 001C: 40 = powered from VCC).
// DMLGet2540ADC converts all four inputs (3C 0F 00, then the CRC16), waits 55 ms under a strong
// pull-up, polls until the chip reads 1s, and reads the results (AA 0000: eight bytes, low byte
// first per channel, then the CRC16, not compared). A result is 256 x the 8-bit reading.
#include <string>

#include "onewire/device_routines.h"
#include "onewire/select_chip.h"
#include "onewire/tmex.h"
#include "onewire/wait.h"
#include "platform/platform.h"

namespace wm033::onewire {

namespace {
constexpr uint8_t kWriteMemory = 0x55;
constexpr uint8_t kReadMemory = 0xAA;
constexpr uint8_t kConvert = 0x3C;
constexpr uint8_t kAllInputs = 0x0F;
constexpr uint8_t kNoPreset = 0x00;
constexpr uint8_t kControlPage = 0x08;
constexpr uint8_t kVccControl = 0x1C;
constexpr uint8_t kVccPowered = 0x40;
constexpr uint8_t kEightBitsOutputOff = 0x08;
constexpr uint8_t kHighRangeNoAlarms = 0x01;
constexpr int16_t kRead = 0xFF;
constexpr uint32_t kConversionWaitMs = 55;
constexpr int kMaxPolls = 1000;
constexpr uint16_t kNoReading = 999;

constexpr SelectCodes kInitCodes{48, 49, 43, 41, 51};
constexpr SelectCodes kGetCodes{1112, 1120, 1130, 1132, 1140};

// Byte steps of a transaction: each runs only while no failure is recorded.
struct Steps {
  Tmex& t;
  int32_t h;
  uint16_t& code;
  int32_t& dallErr;

  // Fails on a negative result; gives the result.
  int16_t Byte(int16_t byte, uint16_t step_code) {
    if (code != 0) return -1;
    const int16_t r = t.TMTouchByte(h, byte);
    if (r < 0) Fail(step_code, r);
    return r;
  }
  void Fail(uint16_t step_code, int32_t value) {
    code = step_code;
    dallErr = value;
  }
  void ResetPresence(uint16_t step_code) {
    if (code != 0) return;
    const int16_t r = t.TMTouchReset(h);
    if (r != 1 && r != 2) Fail(step_code, r);
  }
  void MustBeOne(int16_t r, uint16_t step_code) {
    if (r != 1) Fail(step_code, r);
  }
};

struct InitByte {
  uint8_t value;
  uint16_t byte_code, read_codes[3];
};
constexpr InitByte kInitBytes[8] = {
    {kEightBitsOutputOff, 91, {101, 106, 111}},  {kHighRangeNoAlarms, 121, {131, 136, 140}},
    {kEightBitsOutputOff, 150, {155, 161, 165}}, {kHighRangeNoAlarms, 170, {175, 180, 185}},
    {kEightBitsOutputOff, 190, {195, 200, 205}}, {kHighRangeNoAlarms, 210, {215, 220, 225}},
    {kEightBitsOutputOff, 230, {235, 240, 245}}, {kHighRangeNoAlarms, 248, {250, 252, 254}},
};

}  // namespace

void DeviceRoutines::DML2450Init(uint8_t slot, uint16_t& code, int32_t& dallErr) {
  ReadScope read(*this, slot);
  code = 0;
  bool opened = false;
  const bool ran = RunTransaction(*this, opened, [&] {
    const SelectResult sel =
        SelectChip(*this, slot, bStateBufA, wRomBufA, kInitCodes, AccessRule::ExactlyOne, dallErr);
    code = sel.code;
    opened = sel.opened;
    Tmex& t = tmex();
    const int32_t h = lSessionHandle;
    Steps s{t, h, code, dallErr};

    // The control/status page.
    s.Byte(kWriteMemory, 61);
    s.Byte(kControlPage, 71);
    s.Byte(0x00, 81);
    for (const InitByte& b : kInitBytes) {
      s.Byte(b.value, b.byte_code);
      for (uint16_t rc : b.read_codes) s.Byte(kRead, rc);  // CRC16 and echo, not compared
    }

    // The VCC control byte, in a new selection.
    s.ResetPresence(1010);
    if (code == 0) s.MustBeOne(t.TMValidSession(h), 1014);
    if (code == 0) s.MustBeOne(t.TMStrongAccess(h, bStateBufA.data()), 1020);
    s.Byte(kWriteMemory, 1022);
    s.Byte(kVccControl, 1024);
    s.Byte(0x00, 1026);
    s.Byte(kVccPowered, 1028);
    s.Byte(kRead, 1030);
    s.Byte(kRead, 1032);
    s.Byte(kRead, 1034);
    s.ResetPresence(1036);
    if (code == 0) {
      opened = false;
      s.MustBeOne(t.TMEndSession(h), 1038);
    }

    if (code != 0) {
      EndSessionQuietly(*this, opened);
      ReportDallasError("Problem with DML2450Init ", code, dallErr);
    } else {
      bWindAdcReady = true;
    }
  });
  read.Done(code, !ran);
}

void DeviceRoutines::DMLGet2540ADC(uint8_t slot, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d,
                                   uint16_t& code, int32_t& dallErr) {
  ReadScope read(*this, slot);
  code = 0;
  dallErr = 0;
  a = b = c = d = kNoReading;
  bool opened = false;
  const bool ran = RunTransaction(*this, opened, [&] {
    if (!bWindAdcReady) {
      ReportError("DMLInit2450ADC must be done before DMLGet2540ADC can be called");
      code = 1110;
      const std::string letter(1, static_cast<char>('k' + (slot < kChipSlots ? slot : 10)));
      platform().ShowMessage(
          "DMLInit2450ADC failed to execute properly\rTo prevent further error messages, the "
          "sensor specified in\rline " +
          letter +
          " of your WM033ini.txt file\rhas been turned off. THIS ERROR MAY HAVE ARISEN\rDUE TO "
          "WRONG NUMBERS IN YOUR INIT FILE IN LINES H OR I: THE\rPORT AND ADAPTER TYPE SPECS.");
      if (slot < kChipSlots) bChipEnabled[slot] = false;
    }

    Tmex& t = tmex();
    if (code == 0) {
      const SelectResult sel =
          SelectChip(*this, slot, bStateBufA, wRomBufA, kGetCodes, AccessRule::ExactlyOne, dallErr);
      code = sel.code;
      opened = sel.opened;
    }
    const int32_t h = lSessionHandle;
    Steps s{t, h, code, dallErr};

    // Convert all four inputs.
    s.Byte(kConvert, 1150);
    s.Byte(kAllInputs, 1160);
    if (code == 0) t.TMTouchByte(h, kNoPreset);  // result not tested
    s.Byte(kRead, 1190);
    s.Byte(kRead, 1200);
    if (code == 0) {
      const int16_t r = t.TMOneWireLevel(h, kLevelSet, kLevelStrongPullUp, kPrimeAfterByte);
      if (r < 0) s.Fail(1280, r);
    }
    if (code == 0) s.MustBeOne(t.TMValidSession(h), 1282);

    // The conversion wait happens even after a failure.
    WaitTicks(platform(), kConversionWaitMs);

    if (code == 0) {
      const int16_t r = t.TMOneWireLevel(h, kLevelSet, kLevelNormal, kPrimeNone);
      if (r < 0) s.Fail(1210, r);
    }
    // The chip reads 1s once the conversion is over.
    if (code == 0) {
      int16_t r = t.TMTouchByte(h, kRead);
      int polls = 0;
      while (r != 255 && polls < kMaxPolls) {
        platform().ProcessMessages();
        r = t.TMTouchByte(h, kRead);
        ++polls;
      }
      if (r != 255) s.Fail(1220, r);
    }

    // Read the results.
    s.ResetPresence(1240);
    if (code == 0) s.MustBeOne(t.TMStrongAccess(h, bStateBufA.data()), 1250);
    s.Byte(kReadMemory, 1260);
    s.Byte(0x00, 1270);
    s.Byte(0x00, 1286);
    uint16_t value[4] = {0, 0, 0, 0};
    if (code == 0) {
      for (int i = 0; i < 8; ++i) {
        const int16_t r = t.TMTouchByte(h, kRead);
        const uint16_t v = r < 0 ? 0 : static_cast<uint16_t>(r & 0xFF);  // a failed read counts 0
        value[i / 2] = static_cast<uint16_t>(value[i / 2] + (i % 2 ? v * 256 : v));
      }
    }
    s.Byte(kRead, 1291);  // CRC16, not compared
    s.Byte(kRead, 1293);
    if (code == 0) {
      const int16_t r = t.TMTouchReset(h);
      if (r < 0) s.Fail(1295, r);
    }
    if (code == 0) {
      opened = false;
      const int16_t r = t.TMEndSession(h);
      if (r < 0) s.Fail(1297, r);
    }

    if (code == 0) {
      a = value[0];
      b = value[1];
      c = value[2];
      d = value[3];
    } else {
      EndSessionQuietly(*this, opened);
    }
  });
  read.Done(code, !ran);
}

}  // namespace wm033::onewire
