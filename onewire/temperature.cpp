// Temperature chips: DS18S20 (family 10) and DS18B20 (family 28) thermometers, and the DS2438
// battery monitor (family 26), whose temperature and VAD voltage we read.
// BNW25Apr12FirstTturesEtc performs one bus transaction chosen by a mode:
//   0  44 Convert T, strong pull-up at once, 1100 ms, normal level
//   1  BE Read Scratchpad: nine bytes, CRC8 checked
//   2  4E 00 00 Write Scratchpad page 0: configuration 00 (the A/D reads VAD)
//   3  44 Convert T (DS2438, 12 ms)
//   4  B4 Convert V (DS2438, 6 ms)
//   5  B8 00 Recall Memory page 0
//   6  BE 00 Read Scratchpad page 0: nine bytes, CRC8 checked
// The routines on it keep one reading on the bus at a time through bMicroLanInUse.
#include <string>

#include "onewire/device_routines.h"
#include "onewire/select_chip.h"
#include "onewire/temperature_math.h"
#include "onewire/tmex.h"
#include "platform/platform.h"

namespace wm033::onewire {

namespace {
constexpr uint8_t kConvertT = 0x44;
constexpr uint8_t kReadScratchpad = 0xBE;
constexpr uint8_t kWriteScratchpad = 0x4E;
constexpr uint8_t kConvertV = 0xB4;
constexpr uint8_t kRecallMemory = 0xB8;
constexpr uint8_t kPage0 = 0x00;
constexpr uint8_t kConfigVad = 0x00;
constexpr int16_t kRead = 0xFF;
constexpr uint16_t kConversionMs = 1100;
constexpr uint16_t kDs2438TemperatureMs = 12;
constexpr uint16_t kDs2438VoltageMs = 6;
constexpr float kReadFailed = 255.0f;
constexpr float kPowerOnValue = 254.0f;
constexpr SelectCodes kCodes{1510, 1520, 1530, 0, 3199};
}  // namespace

void DeviceRoutines::BNW25Apr12FirstTturesEtc(uint8_t bWhichChip, uint8_t bWhichFuntion,
                                              uint16_t& code, uint8_t& bRes0, uint8_t& bRes1,
                                              uint8_t& bRes2, uint8_t& bRes3, uint16_t& wCS,
                                              int16_t& dallErr) {
  ReadScope step(*this, bWhichChip);  // one step of a reading: counts when called alone
  code = 0;
  bool opened = false;
  const bool ran = RunTransaction(*this, opened, [&] {
    int32_t value = dallErr;
    const SelectResult sel =
        SelectChip(*this, bWhichChip, bStateBufB, wRomBufB, kCodes, AccessRule::Temperature, value);
    code = sel.code;
    opened = sel.opened;
    dallErr = static_cast<int16_t>(value);
    Tmex& t = tmex();
    const int32_t h = lSessionHandle;

    // A byte sent fails with the first code when 255 comes back, the second when negative.
    // `track` puts every result into the TMEX value.
    auto send = [&](uint8_t byte, uint16_t ff_code, uint16_t negative_code, bool track) {
      if (code != 0) return;
      const int16_t r = t.TMTouchByte(h, byte);
      if (track) dallErr = r;
      if (r == 255) {
        code = ff_code;
        dallErr = r;
      } else if (r < 0) {
        code = negative_code;
        dallErr = r;
      }
    };
    // Nine scratchpad bytes, stopping at the first failure; then the CRC8.
    uint8_t pad[9] = {};
    auto read_nine = [&](uint16_t first_code, uint16_t crc_code, bool track) {
      for (int i = 0; i < 9 && code == 0; ++i) {
        const int16_t r = t.TMTouchByte(h, kRead);
        if (track) dallErr = r;
        if (r < 0) {
          code = static_cast<uint16_t>(first_code + i);
          dallErr = r;
        } else {
          pad[i] = static_cast<uint8_t>(r);
        }
      }
      if (code == 0 && !ScratchpadCrcOk(pad)) code = crc_code;
    };

    if (code == 0) {
      switch (bWhichFuntion) {
        case 0:
          send(kConvertT, 1542, 1544, true);
          if (code == 0) {
            const int16_t r = t.TMOneWireLevel(h, kLevelSet, kLevelStrongPullUp, kPrimeNone);
            dallErr = r;
            if (r < 0) code = 1546;
          }
          if (code == 0) WaitMs(kConversionMs);
          if (code == 0) {
            const int16_t r = t.TMOneWireLevel(h, kLevelSet, kLevelNormal, kPrimeNone);
            dallErr = r;
            if (r < 0) code = 1548;
          }
          bRes0 = 255;
          bRes1 = 127;
          wCS = 1012;
          break;
        case 1:
          send(kReadScratchpad, 1550, 1552, false);
          read_nine(1560, 1574, true);
          if (code == 1574) {
            ReportError("Read tture failed. bWhichChip=" + std::to_string(bWhichChip) +
                        " wQZRErr=" + std::to_string(code));
          }
          if (code == 0) {
            bRes0 = pad[0];
            bRes1 = pad[1];
          }
          break;
        case 2:
          send(kWriteScratchpad, 1800, 1802, false);
          send(kPage0, 1810, 1812, false);
          send(kConfigVad, 1820, 1822, false);
          break;
        case 3:
          send(kConvertT, 1840, 1842, false);
          WaitMs(kDs2438TemperatureMs);
          break;
        case 4:
          send(kConvertV, 1850, 1852, false);
          WaitMs(kDs2438VoltageMs);
          break;
        case 5:
          send(kRecallMemory, 1860, 1862, false);
          send(kPage0, 1864, 1866, false);
          break;
        case 6:
          send(kReadScratchpad, 1870, 1872, false);
          send(kPage0, 1874, 1876, false);
          read_nine(1880, 1890, false);
          if (code == 0) {
            bRes0 = pad[1];
            bRes1 = pad[2];
            bRes2 = pad[3];
            bRes3 = pad[4];
          }
          break;
        default:
          code = 1576;
          platform().ShowMessage("Invalid bWhichFuntion specified in call of BNW25Apr12");
      }
    }

    if (opened) {
      opened = false;
      const int16_t r = t.TMEndSession(h);
      if (r != 1) {
        code = 1600;
        dallErr = r;
      }
    }
  });
  step.Done(code, !ran);
  bMicroLanInUse = 0;
}

float DeviceRoutines::ConvertRawTture(uint8_t family, uint8_t low, uint8_t high, uint16_t& code) {
  int16_t raw = 0;
  smiDallErr = 0;
  const float degrees = ConvertRaw(family, low, high, code, raw);
  smiDallErr = raw;
  return degrees;
}

void DeviceRoutines::TakeABNWTture(uint8_t bWhichChip, uint16_t& code, float& tture) {
  if (bMicroLanInUse != 0) {
    platform().ShowMessage("ML was in use when TakeABNWTture tried (instance 6) to use it.");
    return;
  }
  bMicroLanInUse = 6;
  ReadScope read(*this, bWhichChip);
  uint8_t bRes0 = 0, bRes1 = 0, bRes2 = 0, bRes3 = 0;
  uint16_t wCS = 0;
  BNW25Apr12FirstTturesEtc(bWhichChip, 0, code, bRes0, bRes1, bRes2, bRes3, wCS, smiDallErr);
  ShowBnwStatus("wQZRErr returned:" + std::to_string(code) + "  smiDallErr returned:" +
                std::to_string(smiDallErr) + "  bRes0 returned:" + std::to_string(bRes0) +
                "  bRes1 returned:" + std::to_string(bRes1) +
                "  wCS returned:" + std::to_string(wCS));
  if (code == 0)
    BNW25Apr12FirstTturesEtc(bWhichChip, 1, code, bRes0, bRes1, bRes2, bRes3, wCS, smiDallErr);
  if (code == 0) {
    const std::string family =
        bWhichChip < kChipSlots ? FamilyChars(sChipId[bWhichChip]) : std::string();
    if (family == "10") {
      tture = ConvertRawTture(0x10, bRes0, bRes1, code);
      if (code != 0) ReportError("Error 1 May 12, 08:07. wQZRErr:" + std::to_string(code));
    } else if (family == "28") {
      tture = ConvertRawTture(0x28, bRes0, bRes1, code);
      if (code != 0) ReportError("Error 1 May 12, 08:08. wQZRErr:" + std::to_string(code));
    } else if (family == "26") {
      Read2438(bWhichChip, fBnwVolts, tture, code, smiDallErr);
      if (code != 0) {
        ReportError("Error 1 May 12, 08:09. wQZRErr:" + std::to_string(code) +
                    " and Dallas Error:" + std::to_string(smiDallErr));
      }
    } else {
      code = 1620;
    }
  }
  read.Done(code);
  bMicroLanInUse = 0;
}

void DeviceRoutines::Read2438(uint8_t bWhichChip, float& volts, float& tture, uint16_t& code,
                              int16_t& dallErr) {
  ReadScope read(*this, bWhichChip);
  code = 0;
  uint8_t bRes0 = 0, bRes1 = 0, bRes2 = 0, bRes3 = 0;
  uint16_t wCS = 0;
  for (uint8_t mode : {2, 3, 4, 5, 6}) {
    if (code != 0) break;
    BNW25Apr12FirstTturesEtc(bWhichChip, mode, code, bRes0, bRes1, bRes2, bRes3, wCS, dallErr);
  }
  volts = 0;
  tture = 0;
  if (code == 0) {
    volts = static_cast<float>(static_cast<uint16_t>(bRes3 * 256 + bRes2)) / 100.0f;
    tture = ConvertRawTture(0x26, bRes0, bRes1, code);
    if (code != 0) ReportError("Error 6May12A. wQZRErr=" + std::to_string(code));
  }
  // The callers report failures with this value, so it is copied after a failure too.
  liDallErr = dallErr;
  read.Done(code);
}

float DeviceRoutines::ReadTtureChannel(uint8_t bWhichChip) {
  ReadScope read(*this, bWhichChip);
  uint16_t code = 1900;  // no family matched yet
  float tture = kReadFailed;
  const std::string family =
      bWhichChip < kChipSlots ? FamilyChars(sChipId[bWhichChip]) : std::string();
  if (family == "10" || family == "28") {
    code = 0;
    if (bMicroLanInUse != 0) {
      TakeABNWTture(bWhichChip, code, tture);  // refuses, with its message
      read.Abandon();                          // the bus was busy: no chip was read
      return kReadFailed;
    }
    TakeABNWTture(bWhichChip, code, tture);
    if (code != 0) {
      ReportError("Err 12Aug12a. Read tture failed. wQZRErr=" + std::to_string(code) +
                  " smiDallErr=" + std::to_string(smiDallErr));
      tture = kReadFailed;
    }
  } else if (family == "26") {
    code = 0;
    float volts = 0;
    int16_t dall = 0;
    Read2438(bWhichChip, volts, tture, code, dall);
    if (code != 0) {
      ReportError("Err 5May12G. Read tture failed. wQZRErr=" + std::to_string(code) +
                  " smiDallErr=" + std::to_string(dall));
      tture = kReadFailed;
    }
  }
  if (code == 1900) {
    ReportError("Err 7May12A2: Bad chip fam spec'd or 1900 inside SR Chip Fam was:" + family);
    tture = kReadFailed;
  }
  if (tture == 85.0f) tture = kPowerOnValue;
  // A chip that gives its power-on value has not converted: for its health that read failed.
  read.Done(code != 0 ? code : tture == kPowerOnValue ? kReadCodePowerOn : 0);
  return tture;
}

}  // namespace wm033::onewire
