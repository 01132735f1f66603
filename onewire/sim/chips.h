// The emulated chip families. Each file (ds18x20.cpp, ds2438.cpp, ds2423.cpp, ds2450.cpp) starts
// with the chip's command bytes, memory layout and CRC rule.
#pragma once

#include <array>
#include <functional>

#include "onewire/sim/chip.h"

namespace wm033::onewire::sim {

// DS18S20 (family 10) and DS18B20 (family 28) thermometers.
class Ds18x20 : public SimChip {
 public:
  Ds18x20(const Rom& rom, SimClock& clock, std::function<double()> celsius);
  // The raw temperature register as a conversion would leave it for `celsius`.
  static int16_t RawFor(uint8_t family, double celsius, uint8_t config = 0x7F);
  std::array<uint8_t, 9> Scratchpad();  // as Read Scratchpad would send it now

 protected:
  void OnSelected() override;
  uint8_t OutputByte() override;
  void OnByte(uint8_t bus_byte) override;

 private:
  enum class State { Command, ReadScratchpad, WriteScratchpad, Busy, PowerSupply, Listen };
  void Update();
  bool b20() const { return rom()[0] == kFamilyDS18B20; }
  uint32_t ConversionMs() const;
  std::function<double()> celsius_;
  State state_ = State::Command;
  int index_ = 0;
  int16_t raw_;
  uint8_t count_remain_ = 0x0C;
  uint8_t th_ = 0x4B, tl_ = 0x46, config_ = 0x7F;           // scratchpad copies
  uint8_t ee_th_ = 0x4B, ee_tl_ = 0x46, ee_config_ = 0x7F;  // EEPROM
  bool converting_ = false;
  uint32_t conv_start_ = 0;
  std::array<uint8_t, 9> out_{};
};

// DS2438 battery monitor (family 26): temperature and the voltage on VAD or VDD.
class Ds2438 : public SimChip {
 public:
  Ds2438(const Rom& rom, SimClock& clock, std::function<double()> celsius,
         std::function<double()> vad_volts, double vdd_volts = 5.0);

 protected:
  void OnSelected() override;
  uint8_t OutputByte() override;
  void OnByte(uint8_t bus_byte) override;

 private:
  enum class State { Command, Page, ReadScratchpad, WriteScratchpad, Busy, Listen };
  void Update();
  void RecallInto(int page);
  std::function<double()> celsius_, vad_;
  double vdd_;
  State state_ = State::Command;
  uint8_t command_ = 0;
  int page_ = 0, index_ = 0;
  std::array<std::array<uint8_t, 8>, 8> memory_{};
  std::array<std::array<uint8_t, 8>, 8> scratch_{};
  uint8_t config_ = 0x0F;  // IAD, CA, EE, AD
  bool t_busy_ = false, v_busy_ = false;
  uint32_t t_start_ = 0, v_start_ = 0;
  std::array<uint8_t, 9> out_{};
};

// DS2423 dual counter with 4096 bits of memory (family 1D).
class Ds2423 : public SimChip {
 public:
  // The two inputs' cumulative pulse counts.
  Ds2423(const Rom& rom, SimClock& clock, std::function<uint32_t()> count_a,
         std::function<uint32_t()> count_b);
  uint32_t Counter(int page);  // the counter that Read Memory + Counter shows for a page
  std::array<uint8_t, 512>& memory() { return memory_; }
  void OnFaultsChanged(const ChipFaults& before) override;

 protected:
  void OnSelected() override;
  uint8_t OutputByte() override;
  void OnByte(uint8_t bus_byte) override;

 private:
  enum class State { Command, Address1, Address2, ReadCounter, ReadMemory, Listen };
  void LoadPage();
  std::function<uint32_t()> count_a_, count_b_;
  uint32_t offset_a_ = 0, offset_b_ = 0;
  std::array<uint8_t, 512> memory_{};
  State state_ = State::Command;
  uint8_t command_ = 0;
  uint16_t address_ = 0;
  std::array<uint8_t, 48> out_{};  // the rest of the page, counter, zeros, CRC
  int out_len_ = 0, out_pos_ = 0;
  bool first_page_ = true;
};

// DS2450 quad A/D converter (family 20).
class Ds2450 : public SimChip {
 public:
  Ds2450(const Rom& rom, SimClock& clock, std::function<double(int channel)> volts);
  std::array<uint8_t, 32>& memory() { return memory_; }
  // The 16-bit result a conversion gives for a voltage with the channel's present settings.
  uint16_t ResultFor(int channel, double volts) const;

 protected:
  void OnSelected() override;
  uint8_t OutputByte() override;
  void OnByte(uint8_t bus_byte) override;

 private:
  enum class State {
    Command,
    Address1,
    Address2,
    WriteData,
    WriteCrc1,
    WriteCrc2,
    WriteEcho,
    ReadMemory,
    ConvertMask,
    ConvertControl,
    ConvertCrc1,
    ConvertCrc2,
    Busy,
    Listen
  };
  void Update();
  void LoadReadPage();
  std::function<double(int)> volts_;
  std::array<uint8_t, 32> memory_{};
  State state_ = State::Command;
  uint8_t command_ = 0;
  uint16_t address_ = 0;
  uint16_t crc_ = 0;
  uint8_t mask_ = 0, control_ = 0;
  bool converting_ = false;
  uint8_t conv_mask_ = 0;
  uint32_t conv_start_ = 0, conv_ms_ = 0;
  std::array<uint8_t, 12> out_{};
  int out_len_ = 0, out_pos_ = 0;
  bool first_page_ = true;
};

}  // namespace wm033::onewire::sim
