// The opening steps of every bus transaction: start a session, set it up, hand TMEX the slot's
// ROM code and select the chip with a strong access. Each step runs only while no failure has
// been recorded; the first failing step sets its own code and the TMEX value.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace wm033::onewire {

class DeviceRoutines;

// Error codes of the steps, one set per routine.
struct SelectCodes {
  uint16_t start, setup, rom;
  uint16_t valid;   // 0: the routine has no TMValidSession step
  uint16_t access;  // the temperature rule uses 3199 / 3200 + n whatever this says
};

enum class AccessRule {
  ExactlyOne,   // counter and ADC routines: TMStrongAccess must give 1; an exception inside
                // TMRom is dropped and the step counts as passed
  Temperature,  // 0 gives 3199; a negative v gives 3200 + min(-v, 3000) and TMEX value
                // min(-v, 3000); any positive value passes
};

struct SelectResult {
  uint16_t code = 0;
  bool opened = false;  // a session was opened (and must be ended)
};

// Runs the steps for chip slot `slot` with the given state buffer and its ROM buffer. The TMEX
// value of a failing step goes into `dallErr` (with the temperature rule, a successful strong
// access's result too). `tag_before_rom`, when given, becomes sExceptionTag just before TMRom.
SelectResult SelectChip(DeviceRoutines& owner, uint8_t slot, std::vector<uint8_t>& state,
                        std::array<uint16_t, 8>& rom_buf, const SelectCodes& codes, AccessRule rule,
                        int32_t& dallErr, const char* tag_before_rom = nullptr);

// Ends the session of `owner` when `opened`, swallowing whatever happens; used after failures.
void EndSessionQuietly(DeviceRoutines& owner, bool& opened);

// Runs one bus transaction. Whatever `body` throws ends the session it left open and is shown
// as a trap (with the exception's text when it has one); nothing escapes. False after a trap.
bool RunTransaction(DeviceRoutines& owner, bool& opened, const std::function<void()>& body);

// The strong-access rule of the temperature routines: {code, TMEX value} for a result.
struct AccessVerdict {
  uint16_t code;
  int32_t value;
};
AccessVerdict TemperatureAccessVerdict(int16_t result);

}  // namespace wm033::onewire
