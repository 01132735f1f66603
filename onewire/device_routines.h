// The 1-Wire device layer: the state the device routines share (session handle, the two TMEX
// state buffers with their ROM buffers, the configured chips, the bus-in-use flag) and the
// routines themselves, each one complete bus transaction on the TMEX calls:
//   DMLGetCount            DS2423 counter of one memory page              onewire/counter.cpp
//   DML2450Init            DS2450 control page and VCC set-up             onewire/quad_adc.cpp
//   DMLGet2540ADC          DS2450 conversion of the four inputs           onewire/quad_adc.cpp
//   BNW25Apr12FirstTturesEtc, TakeABNWTture, Read2438, ReadTtureChannel   onewire/temperature.cpp
//
// The main form is one of these (it owns the state under these names and shows and logs what
// the routines report); the tools beside the program (the probe, benchmarks, fuzz targets)
// derive their own. Nothing here knows a form: what the routines need from their owner is the
// platform (clock, waits, message boxes) and the hooks below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wm033 {
class Platform;
}

namespace wm033::onewire {

class Tmex;

constexpr int kChipSlots = 13;  // configuration lines k to w

// The code a temperature read ends with, for its owner's count, when the thermometer answered
// with its power-on value (85 degrees): no conversion took place. No routine uses it otherwise.
constexpr uint16_t kReadCodePowerOn = 85;

class DeviceRoutines {
 public:
  explicit DeviceRoutines(Platform& platform);
  virtual ~DeviceRoutines();
  DeviceRoutines(const DeviceRoutines&) = delete;
  DeviceRoutines& operator=(const DeviceRoutines&) = delete;

  Platform& platform() { return platform_; }
  Tmex& tmex();
  void UseTmex(std::unique_ptr<Tmex> t);  // null until one is given

  // ---- The routines ----------------------------------------------------------------------------
  void DMLGetCount(uint8_t bWhichChip, uint8_t page, uint32_t& count, uint16_t& code,
                   int32_t& dallErr);
  void DML2450Init(uint8_t slot, uint16_t& code, int32_t& dallErr);
  void DMLGet2540ADC(uint8_t slot, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d,
                     uint16_t& code, int32_t& dallErr);
  void BNW25Apr12FirstTturesEtc(uint8_t bWhichChip, uint8_t bWhichFuntion, uint16_t& code,
                                uint8_t& bRes0, uint8_t& bRes1, uint8_t& bRes2, uint8_t& bRes3,
                                uint16_t& wCS, int16_t& dallErr);
  void TakeABNWTture(uint8_t bWhichChip, uint16_t& code, float& tture);
  void Read2438(uint8_t bWhichChip, float& volts, float& tture, uint16_t& code, int16_t& dallErr);
  float ConvertRawTture(uint8_t family, uint8_t low, uint8_t high, uint16_t& code);
  float ReadTtureChannel(uint8_t bWhichChip);
  void WaitMs(uint16_t ms);

  // ---- What the routines report, to their owner ------------------------------------------------
  virtual void ReportError(const std::string& message) = 0;
  virtual void ReportDallasError(const std::string& message, uint16_t code,
                                 int32_t tmex_result) = 0;
  // A last-resort trap caught something inside a transaction: sExceptionTag names the step.
  virtual void ShowTrap(const std::string& what) = 0;
  // The temperature routine's line of results ("wQZRErr returned:...").
  virtual void ShowBnwStatus(const std::string& text) { (void)text; }
  // A read of configuration line `line` (0..12) begins and ends with its code; `trapped`: an
  // unexpected error was caught. Routines nest (ReadTtureChannel -> TakeABNWTture -> Read2438),
  // so an owner that counts reads counts the outermost one. Abandoned: nothing was read.
  virtual void ReadBegins(int line) { (void)line; }
  virtual void ReadEnds(int line, uint16_t code, bool trapped) {
    (void)line, (void)code, (void)trapped;
  }
  virtual void ReadAbandoned() {}

  // ---- State -----------------------------------------------------------------------------------
  // The adapter and the chips of WM033ini.txt (lines h, i, k to w).
  int16_t siPortNum = 0;
  int16_t siPortType = 0;
  std::array<std::string, kChipSlots> sChipId;
  std::array<std::array<uint8_t, 8>, kChipSlots> bChipRom{};
  std::array<bool, kChipSlots> bChipEnabled{};
  bool bWindAdcReady = false;

  std::string sExceptionTag;
  int32_t lSessionHandle = 0;
  std::vector<uint8_t> bStateBufA = std::vector<uint8_t>(15360);
  std::vector<uint8_t> bStateBufB = std::vector<uint8_t>(15360);
  std::array<uint16_t, 8> wRomBufA{};
  std::array<uint16_t, 8> wRomBufB{};
  int16_t smiDallErr = 0;
  int32_t liDallErr = 0;
  uint16_t wQZRErr = 0;
  uint32_t lCountRead = 0;
  uint8_t bMicroLanInUse = 0;
  float fBnwVolts = 0;

 protected:
  Platform& platform_;

 private:
  std::unique_ptr<Tmex> tmex_;
};

// One read of a configuration line, told to the owner's hooks: counted once, by Done or, when an
// exception leaves the routine, by the destructor as an unexpected error.
class ReadScope {
 public:
  ReadScope(DeviceRoutines& owner, int line) : owner_(owner), line_(line) {
    owner_.ReadBegins(line);
  }
  ~ReadScope() {
    if (!done_) Done(0, true);
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;
  void Done(uint16_t code, bool trapped = false) {
    if (done_) return;
    done_ = true;
    owner_.ReadEnds(line_, code, trapped);
  }
  void Abandon() {
    if (done_) return;
    done_ = true;
    owner_.ReadAbandoned();
  }

 private:
  DeviceRoutines& owner_;
  int line_;
  bool done_ = false;
};

}  // namespace wm033::onewire
