// The sensor configuration file WM033ini.txt: 23 lettered lines with fixed character positions.
//
//   a      identification line, exactly kSensorConfigId
//   b-g    free text
//   h      character 3: adapter port number, one digit
//   i      character 3: adapter type code, one digit (1 DS9097, 5 DS9097U, 6 DS9490)
//   j      free text
//   k-w    chip lines, one per chip slot 0..12, at least 22 characters:
//            1 the line's letter, 2 a space, 3 "e" or "d",
//            4-19 the ROM code as 16 hex digits, CRC byte first, family code last,
//            21 (line u) vane rotation a..p, 22 (counter lines) "z" = page 15, else page 14,
//            22 (line u) lookup table a..g
//
// The checking is a pure function of the file's bytes, so that tests and the fuzzer can drive it;
// the main form shows the notes it returns and takes over the values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wm033::config {

constexpr const char* kSensorConfigId = "WM033 sensor configuration file, format 23Aug12";
constexpr int kChipSlots = 13;
constexpr int kSensorConfigLines = 23;  // lines a to w
constexpr size_t kChipLineMinLength = 22;

// DS2423 counter memory pages: the counter of input A follows page 14, of input B page 15.
constexpr uint8_t kCounterPageA = 14;
constexpr uint8_t kCounterPageB = 15;

// Something the reader has to tell the operator: a message box or a numbered error line.
struct ConfigNote {
  enum class Kind { kMessage, kErrorLine };
  Kind kind;
  std::string text;
  bool operator==(const ConfigNote&) const = default;
};

struct SensorConfig {
  bool valid = true;          // the file is usable
  bool terminate = false;     // the program must end (set bQuitting, request termination)
  bool port_read = false;     // line h gave port_num
  bool type_read = false;     // line i gave port_type
  bool slots_filled = false;  // the slot values below were filled from lines k to w
  int16_t port_num = 0;
  int16_t port_type = 0;
  std::array<std::string, kChipSlots> chip_id{};
  std::array<bool, kChipSlots> enabled{};
  std::array<uint8_t, kChipSlots> counter_page{};  // counter slots 5, 6, 7, 11, 12 only
  uint8_t wind_table = 0;
  uint8_t wind_rotation = 9;
  std::vector<ConfigNote> notes;  // in the order they arose
};

// The result for a configuration file that is not there.
SensorConfig MissingSensorConfig();
// The result for a configuration file that is there but cannot be read (permissions, I/O).
SensorConfig UnreadableSensorConfig();

// Checks the bytes of a configuration file and fills the slots. `wind_table` and
// `wind_rotation` are the values to keep when line u does not give them.
SensorConfig ParseSensorConfigText(std::string_view text, uint8_t wind_table,
                                   uint8_t wind_rotation);

// The 8-byte ROM code of a chip identity written CRC first: pair 1 becomes byte 7, pair 8 (the
// family code) byte 0. A pair that is missing or not hexadecimal gives 0.
std::array<uint8_t, 8> ChipRomFromId(std::string_view id);

// Whether a slot accepts a chip family (two upper-case hex digits).
bool SlotAcceptsFamily(int slot, std::string_view family);

}  // namespace wm033::config
