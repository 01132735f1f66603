#include "onewire/select_chip.h"

#include <algorithm>
#include <exception>

#include "onewire/device_routines.h"
#include "onewire/tmex.h"

namespace wm033::onewire {

AccessVerdict TemperatureAccessVerdict(int16_t result) {
  if (result > 0) return {0, result};
  if (result == 0) return {3199, 0};
  const int32_t n = std::min<int32_t>(-static_cast<int32_t>(result), 3000);
  return {static_cast<uint16_t>(3200 + n), n};
}

SelectResult SelectChip(DeviceRoutines& owner, uint8_t slot, std::vector<uint8_t>& state,
                        std::array<uint16_t, 8>& rom_buf, const SelectCodes& codes, AccessRule rule,
                        int32_t& dallErr, const char* tag_before_rom) {
  SelectResult out;
  Tmex& tmex = owner.tmex();
  auto fail = [&](uint16_t code, int32_t value) {
    out.code = code;
    dallErr = value;
  };

  // 1: start the session.
  owner.lSessionHandle = tmex.TMExtendedStartSession(owner.siPortNum, owner.siPortType, nullptr);
  if (owner.lSessionHandle < 1) {
    fail(codes.start, owner.lSessionHandle);
    return out;
  }
  out.opened = true;
  const int32_t h = owner.lSessionHandle;

  // 2: set it up.
  const int16_t setup = tmex.TMSetup(h);
  if (setup != 1) {
    fail(codes.setup, setup);
    return out;
  }

  // 3: the slot's ROM code into the ROM buffer, byte i into word i.
  if (slot >= kChipSlots || state.size() < 16) {
    fail(codes.rom, 0);
    return out;
  }
  for (int i = 0; i < 8; ++i) rom_buf[i] = owner.bChipRom[slot][i];

  // 4: hand it to TMEX.
  if (tag_before_rom) owner.sExceptionTag = tag_before_rom;
  int16_t rom_result = 1;
  if (rule == AccessRule::ExactlyOne) {
    try {
      rom_result = tmex.TMRom(h, state.data(), rom_buf.data());
    } catch (...) {
      rom_result = 1;  // dropped: the step counts as passed
    }
  } else {
    rom_result = tmex.TMRom(h, state.data(), rom_buf.data());
  }
  if (rom_result != 1) {
    fail(codes.rom, rom_result);
    return out;
  }

  // 5: still valid?
  if (codes.valid != 0) {
    const int16_t valid = tmex.TMValidSession(h);
    if (valid != 1) {
      fail(codes.valid, valid);
      return out;
    }
  }

  // 6: select the chip.
  const int16_t access = tmex.TMStrongAccess(h, state.data());
  if (rule == AccessRule::Temperature) {
    const AccessVerdict v = TemperatureAccessVerdict(access);
    if (v.code != 0)
      fail(v.code, v.value);
    else
      dallErr = access;
  } else if (access != 1) {
    fail(codes.access, access);
  }
  return out;
}

void EndSessionQuietly(DeviceRoutines& owner, bool& opened) {
  if (!opened) return;
  opened = false;
  try {
    owner.tmex().TMEndSession(owner.lSessionHandle);
  } catch (...) {
  }
}

bool RunTransaction(DeviceRoutines& owner, bool& opened, const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    EndSessionQuietly(owner, opened);
    owner.ShowTrap(e.what());
  } catch (...) {
    EndSessionQuietly(owner, opened);
    owner.ShowTrap("");
  }
  return false;
}

}  // namespace wm033::onewire
