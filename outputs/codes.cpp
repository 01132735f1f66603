// Meanings of the failure codes, by the routine that gives them.
#include "outputs/codes.h"

#include "outputs/health.h"

namespace wm033::outputs {

namespace {

constexpr const char* kNoSession = "no session with the adapter (missing, unplugged or busy)";
constexpr const char* kNoSetup = "the adapter did not answer its set-up";
constexpr const char* kRomRefused = "the adapter refused the chip's ROM code";
constexpr const char* kSessionLost = "the adapter session was lost";
constexpr const char* kNotSelected =
    "the chip did not answer when selected: missing, or its wiring";
constexpr const char* kAdapterFailed = "the adapter failed while talking to the chip";
constexpr const char* kNoAnswer = "the chip did not answer (the line stayed high)";

// A byte sent by the thermometer and DS2438 routines fails with the first code of a pair when
// 255 comes back and with the second when the adapter fails.
std::string SentByte(uint16_t code, uint16_t first, const char* what) {
  return std::string(what) + ": " + (code == first ? kNoAnswer : kAdapterFailed);
}

std::string ScratchpadMeaning(uint16_t code) {
  switch (code) {
    case 1510:
      return kNoSession;
    case 1520:
      return kNoSetup;
    case 1530:
      return kRomRefused;
    case 3199:
      return kNotSelected;
    case 1542:
    case 1544:
      return SentByte(code, 1542, "Convert T command");
    case 1546:
      return "the strong pull-up for the conversion could not be switched on";
    case 1548:
      return "the strong pull-up could not be switched off after the conversion";
    case 1550:
    case 1552:
      return SentByte(code, 1550, "Read Scratchpad command");
    case 1574:
    case 1890:
      return "the scratchpad's CRC was wrong: noise on the line, or a failing chip";
    case 1576:
      return "the program asked for an operation the routine does not have";
    case 1600:
      return "the adapter session could not be ended";
    case 1620:
    case 1900:
    case 1910:
      return "the chip named for the line is not a thermometer the program reads (10, 28, 26)";
    case 1800:
    case 1802:
    case 1810:
    case 1812:
    case 1820:
    case 1822:
      return SentByte(code, code % 10 == 0 ? code : 0, "writing the DS2438 configuration");
    case 1840:
    case 1842:
      return SentByte(code, 1840, "DS2438 Convert T command");
    case 1850:
    case 1852:
      return SentByte(code, 1850, "DS2438 Convert V command");
    case 1860:
    case 1862:
    case 1864:
    case 1866:
      return SentByte(code, code % 4 == 0 ? code : 0, "DS2438 Recall Memory command");
    case 1870:
    case 1872:
    case 1874:
    case 1876:
      return SentByte(code, code % 4 == 2 ? code : 0, "DS2438 Read Scratchpad command");
  }
  if (code > 3199 && code <= 6200)
    return "the adapter failed while selecting the chip (adapter error " +
           std::to_string(code - 3200) + ")";
  if (code >= 1560 && code <= 1568)
    return "the adapter failed reading scratchpad byte " + std::to_string(code - 1560);
  if (code >= 1880 && code <= 1888)
    return "the adapter failed reading DS2438 scratchpad byte " + std::to_string(code - 1880);
  return {};
}

std::string CounterMeaning(uint16_t code) {
  switch (code) {
    case 14:
      return kNoSession;
    case 24:
      return kNoSetup;
    case 35:
      return kRomRefused;
    case 37:
      return kSessionLost;
    case 44:
      return kNotSelected;
    case 54:
      return std::string("Read Memory and Counter command: ") + kAdapterFailed;
    case 55:
      return std::string("Read Memory and Counter command: ") + kNoAnswer;
    case 64:
    case 74:
      return std::string("memory address: ") + kAdapterFailed;
    case 65:
    case 75:
      return std::string("memory address: ") + kNoAnswer;
    case 1652:
      return "the adapter failed reading the memory page before the counter";
    case 104:
    case 114:
    case 124:
      return "the adapter failed reading the counter";
  }
  return {};
}

std::string VaneMeaning(uint16_t code) {
  switch (code) {
    case 48:
    case 1112:
      return kNoSession;
    case 49:
    case 1120:
      return kNoSetup;
    case 43:
    case 1130:
      return kRomRefused;
    case 41:
    case 1014:
    case 1132:
    case 1282:
      return kSessionLost;
    case 51:
    case 1020:
    case 1140:
    case 1250:
      return kNotSelected;
    case 1110:
      return "the A/D converter was not set up at start, so the line was switched off";
    case 1210:
    case 1280:
      return "the strong pull-up for the conversion could not be switched";
    case 1220:
      return "the conversion never ended: the chip stayed busy";
    case kCodeNoPattern:
      return "the vane's four voltages form no pattern of the lookup table (a wire, the vane, "
             "or the table letter of line u)";
  }
  if (code >= 61 && code <= 254) return "writing the A/D set-up page failed";
  if (code >= 1010 && code <= 1038) return "switching the A/D converter to VCC power failed";
  if (code >= 1150 && code <= 1200) return "the convert command failed";
  if (code >= 1240 && code <= 1297) return "reading the converted values failed";
  return {};
}

}  // namespace

LineKind KindOfLine(int line) {
  if (line >= 0 && line <= 4) return LineKind::kThermometer;
  if (line == 8 || line == 9) return LineKind::kAnalogue;
  if (line == 10) return LineKind::kVane;
  return LineKind::kCounter;
}

std::string CodeMeaning(LineKind kind, uint16_t code) {
  if (code == kCodeUnexpected) return "an unexpected error was caught (see the error window)";
  std::string text;
  switch (kind) {
    case LineKind::kThermometer:
      if (code == kCodePowerOn)
        return "the chip gave its power-on value of 85 degrees: it lost power, or the "
               "conversion did not run";
      text = ScratchpadMeaning(code);
      break;
    case LineKind::kAnalogue:
      if (code == 1) return "the input voltage was outside 0 to 9.99 V";
      text = ScratchpadMeaning(code);
      break;
    case LineKind::kCounter:
      text = CounterMeaning(code);
      break;
    case LineKind::kVane:
      text = VaneMeaning(code);
      break;
  }
  return text.empty() ? "a failure the routine numbers " + std::to_string(code) : text;
}

}  // namespace wm033::outputs
