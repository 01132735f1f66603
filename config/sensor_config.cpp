// Checking WM033ini.txt line by line, in the order that decides which problems are reported.
#include "config/sensor_config.h"

#include "config/text_lines.h"

namespace wm033::config {

namespace {

// Families: 10 DS18S20/DS1820, 28 DS18B20, 26 DS2438, 1D DS2423 counter, 20 DS2450 quad ADC.
constexpr std::string_view kTemperatureFamilies[] = {"10", "26", "28"};
constexpr std::string_view kCounterFamily = "1D";
constexpr std::string_view kBatteryMonitorFamily = "26";
constexpr std::string_view kQuadAdcFamily = "20";

constexpr int kWindDirSlot = 10;
constexpr int kCounterSlots[] = {5, 6, 7, 11, 12};

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kTableLetters = "ABCDEFG";
constexpr std::string_view kRotationLetters = "ABCDEFGHIJKLMNOP";

constexpr const char* kMissingFile =
    "An ini file is needed. It must be called WM033ini.txt and be in the same folder as "
    "WM033.exe.";
constexpr const char* kFatallyFaulty =
    "An ini file is needed. It must be called WM033ini.txt and be in the same folder as "
    "WM033.exe. It was present, but fatally faulty. (Check error messages).";
constexpr const char* kTerminating =
    "Program will now terminate... it may take as long as it takes your system to scan the old "
    "data.";
constexpr const char* kPortNotDigit =
    "3rd char of line \"h\" sets the port the adapter is on. It doesn't seem to be a digit. "
    "Application will terminate.";
constexpr const char* kTypeNotDigit =
    "3rd char of line \"i\" sets the adapter type code. It doesn't seem to be a digit. "
    "Application will terminate.";
constexpr const char* kPassiveAdapterWarning =
    "It may be that you can't read DS18x20s (i.e.1820, 18S20, 18B20...), or even some other "
    "sensor chips with a 'U-less' DS9097 (but 9097-U should be okay). Temperature may be "
    "returned as 0 deg C (32 deg F). If you can switch to a 9097-U, or other adapter, do. If "
    "not, you may find that other sensors work. Please investigate, and advise prgm author? "
    "Also: Are you using parasitic power, or have you given the 1820 external power?";
constexpr const char* kUnexpectedAdapterWarning =
    "Line \"i\" of your WM033ini.txt file says that you have\r"
    "an adapter type of something other than 1,5  or 6. This is\r"
    "unexpected. There is no harm in trying to run the program, but\r"
    "it may not work. If it DOES work, please contact the author, tell\r"
    "him the ID number for the type of adapter you are using sucessfully.";
constexpr const char* kTableLetterWrong =
    "Error in ini file. Third letter of line \"u\" parameter must be a,b,c,d,e,f or g. Sets "
    "which lookup table is used when translating wind direction reading to traditional "
    "direction names.";
constexpr const char* kRotationLetterWrong =
    "Error in ini file. Second letter of line \"u\" parameter must be a,b,c..m,n,o or p. "
    "Compensates for amount wind director sensor was rotated when it wa mounted.";

std::string IdentificationWrong() {
  return std::string(
             "The first line of WM033ini.txt (line \"a\") is not the one this version "
             "of the program reads.\rIt must be exactly: ") +
         kSensorConfigId;
}

std::string TooFewLines(size_t count) {
  const char missing = static_cast<char>('a' + count);
  return "WM033ini.txt has " + std::to_string(count) +
         " lines; it needs all 23 lines, \"a\" to \"w\". Line \"" + missing + "\" is missing.";
}

std::string PrefixWrong(char letter) {
  return std::string("Edit your WM033ini.txt file. The line that should have started with a \"") +
         letter + "\" and a space didn't.";
}

std::string EnableLetterWrong(char letter) {
  return std::string(
             "Edit your WM033ini.txt file. On lines k through w, the third character must "
             "always be an \"e\" or a \"d\" (for enable or disable). On line \"") +
         letter +
         "\" it was something else. Check the other lines, too, yourself, before "
         "running program again.";
}

std::string TooShort(char letter) {
  return std::string("Line \"") + letter + "\" is too short.";
}

// A byte that would not show in a message box (a control character, NUL, a byte that is not
// ASCII) is named by its hex value.
std::string Shown(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7F) return std::string(1, c);
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("byte ") + kHex[u >> 4] + kHex[u & 0xF] + " hex";
}

std::string InvalidIdChar(char letter, char c) {
  return std::string("On line \"") + letter + "\" there is an invalid character (" + Shown(c) +
         ") in the chip ID. (Only 0-9, a-f, A-F allowed.)";
}

std::string ChipTypeRefused(char letter) {
  return std::string(
             "The chip type, as defined by the last byte of the id specified, was not "
             "acceptable. This problem arose from line ") +
         letter +
         " of WM033ini.txt. The program will run, but this parameter will not be "
         "monitored.";
}

bool IsCounterSlot(int slot) {
  for (int s : kCounterSlots)
    if (s == slot) return true;
  return false;
}

// Position (0-based) of the upper case of c in `set`, or npos. A NUL byte is never found.
size_t FindUpper(std::string_view set, char c) {
  return c == '\0' ? std::string_view::npos : set.find(Upper(c));
}

int HexValue(char c) {
  const size_t p = FindUpper(kHexDigits, c);
  return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

}  // namespace

SensorConfig MissingSensorConfig() {
  SensorConfig r;
  r.valid = false;
  r.terminate = true;
  r.notes.push_back({ConfigNote::Kind::kMessage, kMissingFile});
  r.notes.push_back({ConfigNote::Kind::kMessage, kTerminating});
  return r;
}

SensorConfig UnreadableSensorConfig() {
  SensorConfig r;
  r.valid = false;
  r.terminate = true;
  r.notes.push_back({ConfigNote::Kind::kMessage,
                     "WM033ini.txt is there, but it could not be read (check its permissions)."});
  r.notes.push_back({ConfigNote::Kind::kMessage, kFatallyFaulty});
  r.notes.push_back({ConfigNote::Kind::kMessage, kTerminating});
  return r;
}

bool SlotAcceptsFamily(int slot, std::string_view family) {
  if (slot >= 0 && slot <= 4) {
    for (std::string_view f : kTemperatureFamilies)
      if (f == family) return true;
    return false;
  }
  if (IsCounterSlot(slot)) return family == kCounterFamily;
  if (slot == 8 || slot == 9) return family == kBatteryMonitorFamily;
  if (slot == kWindDirSlot) return family == kQuadAdcFamily;
  return false;
}

SensorConfig ParseSensorConfigText(std::string_view text, uint8_t wind_table,
                                   uint8_t wind_rotation) {
  SensorConfig r;
  r.wind_table = wind_table;
  r.wind_rotation = wind_rotation;
  auto message = [&r](std::string t) {
    r.notes.push_back({ConfigNote::Kind::kMessage, std::move(t)});
  };
  auto end_program = [&r, &message](bool fatal_fault_message) {
    if (fatal_fault_message) message(kFatallyFaulty);
    message(kTerminating);
    r.terminate = true;
  };

  const std::vector<std::string> lines = SplitTextLines(text);
  // Every line up to w is addressed below; a shorter file cannot be checked at all.
  if (lines.size() < static_cast<size_t>(kSensorConfigLines)) {
    message(TooFewLines(lines.size()));
    r.valid = false;
    end_program(true);
    return r;
  }
  auto line = [&lines](char letter) -> const std::string& {
    return lines[static_cast<size_t>(letter - 'a')];
  };

  if (line('a') != kSensorConfigId) {
    message(IdentificationWrong());
    r.terminate = true;
    r.valid = false;
  }

  // Lines h and i: a non-digit ends the reading at once, with no further message.
  const size_t port = kDigits.find(CharAt(line('h'), 3));
  if (CharAt(line('h'), 3) == '\0' || port == std::string_view::npos) {
    message(kPortNotDigit);
    r.terminate = true;
    r.valid = false;
    return r;
  }
  r.port_num = static_cast<int16_t>(port);
  r.port_read = true;
  const size_t type = kDigits.find(CharAt(line('i'), 3));
  if (CharAt(line('i'), 3) == '\0' || type == std::string_view::npos) {
    message(kTypeNotDigit);
    r.terminate = true;
    r.valid = false;
    return r;
  }
  r.port_type = static_cast<int16_t>(type);
  r.type_read = true;
  if (r.port_type == 1) message(kPassiveAdapterWarning);
  if (r.port_type != 1 && r.port_type != 5 && r.port_type != 6) message(kUnexpectedAdapterWarning);

  // Prefix check: only the first faulty line is reported.
  for (int slot = 0; slot < kChipSlots && r.valid; ++slot) {
    const char letter = static_cast<char>('k' + slot);
    const std::string& l = line(letter);
    if (Upper(CharAt(l, 1)) != Upper(letter) || CharAt(l, 2) != ' ') {
      message(PrefixWrong(letter));
      r.valid = false;
    }
  }

  // Content check: enable letter, length, then the identity's hex digits.
  for (int slot = 0; slot < kChipSlots; ++slot) {
    if (!r.valid) break;
    const char letter = static_cast<char>('k' + slot);
    const std::string& l = line(letter);
    const char enable = Upper(CharAt(l, 3));
    if (enable != 'E' && enable != 'D') {
      message(EnableLetterWrong(letter));
      r.valid = false;
    }
    if (l.size() < kChipLineMinLength) {
      message(TooShort(letter));
      r.valid = false;
    }
    for (size_t pos = 4; pos <= 19 && r.valid; ++pos) {
      if (HexValue(CharAt(l, pos)) < 0) {
        message(InvalidIdChar(letter, CharAt(l, pos)));
        r.valid = false;
      }
    }
  }

  // Slot filling, for every slot whatever the checks found.
  for (int slot = 0; slot < kChipSlots; ++slot) {
    const char letter = static_cast<char>('k' + slot);
    const std::string& l = line(letter);
    const size_t s = static_cast<size_t>(slot);
    r.chip_id[s] = l.size() > 3 ? l.substr(3, 16) : std::string();
    r.enabled[s] = Upper(CharAt(l, 3)) == 'E';
    const std::string family{Upper(CharAt(l, 18)), Upper(CharAt(l, 19))};
    if (r.enabled[s] && !SlotAcceptsFamily(slot, family)) {
      r.notes.push_back({ConfigNote::Kind::kErrorLine, ChipTypeRefused(letter)});
      r.enabled[s] = false;
    }
    if (IsCounterSlot(slot))
      r.counter_page[s] = CharAt(l, 22) == 'z' ? kCounterPageB : kCounterPageA;
    if (slot == kWindDirSlot && r.enabled[s]) {
      const size_t table = FindUpper(kTableLetters, CharAt(l, 22));
      if (table != std::string_view::npos)
        r.wind_table = static_cast<uint8_t>(table);
      else
        message(kTableLetterWrong);
      const size_t rotation = FindUpper(kRotationLetters, CharAt(l, 21));
      if (rotation != std::string_view::npos)
        r.wind_rotation = static_cast<uint8_t>(rotation);
      else
        message(kRotationLetterWrong);
    }
  }
  r.slots_filled = true;
  // Temperature channel 0 is always read.
  r.enabled[0] = true;

  if (!r.valid) end_program(true);
  return r;
}

std::array<uint8_t, 8> ChipRomFromId(std::string_view id) {
  std::array<uint8_t, 8> rom{};
  for (size_t pair = 0; pair < 8; ++pair) {
    const int hi = HexValue(CharAt(id, pair * 2 + 1));
    const int lo = HexValue(CharAt(id, pair * 2 + 2));
    if (hi >= 0 && lo >= 0) rom[7 - pair] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return rom;
}

}  // namespace wm033::config
