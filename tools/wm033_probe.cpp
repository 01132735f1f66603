// wm033-probe: for the people who wire a station. Run in the station's folder, it opens the
// adapter that WM033ini.txt names (or the simulated MicroLan when WM033_MICROLAN=sim), searches
// the bus and prints every chip found: its identity as a configuration line needs it (16
// hexadecimal digits, family code last), its family, one reading, and the line of WM033ini.txt
// that names it; then the configured chips that were not found.
// Exit status: 0 when the bus was searched, 1 when WM033ini.txt cannot be read, 2 when the
// adapter cannot be opened or the search fails.
// Qt's keyword macros ("slots") would clash with names of the simulated station.
#define QT_NO_KEYWORDS
#include <QCoreApplication>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "onewire/device_routines.h"
#include "onewire/rom.h"
#include "onewire/station_config.h"
#include "onewire/temperature_math.h"
#include "onewire/tmex.h"
#include "onewire/tmex_factory.h"
#include "platform/headless_platform.h"

using namespace wm033;
using namespace wm033::onewire;

namespace {

constexpr int kExitNoConfig = 1;
constexpr int kExitNoAdapter = 2;

// The device routines as the probe runs them: what they report goes to stderr.
class ProbeRoutines : public DeviceRoutines {
 public:
  using DeviceRoutines::DeviceRoutines;
  void ReportError(const std::string& message) override {
    WriteStderrLine("wm033-probe: " + message);
  }
  void ReportDallasError(const std::string& message, uint16_t code, int32_t value) override {
    ReportError(message + std::to_string(code) + " and Dallas error " + std::to_string(value));
  }
  void ShowTrap(const std::string& what) override {
    ReportError("unexpected error during " + sExceptionTag + (what.empty() ? "" : ": " + what));
  }
};

// Puts a chip into a slot of the right kind for one reading, and back afterwards.
class SlotLoan {
 public:
  SlotLoan(DeviceRoutines& f, int slot, const Rom& rom)
      : f_(f), slot_(slot), rom_(f.bChipRom[slot]), id_(f.sChipId[slot]) {
    f.bChipRom[slot] = rom;
    f.sChipId[slot] = FormatChipId(rom);
  }
  ~SlotLoan() {
    f_.bChipRom[slot_] = rom_;
    f_.sChipId[slot_] = id_;
  }

 private:
  DeviceRoutines& f_;
  int slot_;
  Rom rom_;
  std::string id_;
};

std::string Degrees(float t) {
  if (t == 255.0f) return "temperature: read failed";
  if (t == 254.0f) return "temperature: 85 C (power-on value, no conversion yet)";
  return "temperature: " + FloatText(t) + " C";
}

std::string Reading(DeviceRoutines& f, const Rom& rom) {
  switch (rom[0]) {
    case kFamilyDS18S20:
    case kFamilyDS18B20: {
      SlotLoan loan(f, 0, rom);
      return Degrees(f.ReadTtureChannel(0));
    }
    case kFamilyDS2438: {
      SlotLoan loan(f, 8, rom);
      float volts = 0, t = 0;
      uint16_t code = 0;
      int16_t dall = 0;
      f.Read2438(8, volts, t, code, dall);
      if (code != 0) return "read failed (code " + std::to_string(code) + ")";
      return "voltage: " + FloatText(volts) + " V, temperature: " + FloatText(t) + " C";
    }
    case kFamilyDS2423: {
      SlotLoan loan(f, 5, rom);
      uint32_t a = 0, b = 0;
      uint16_t code_a = 0, code_b = 0;
      int32_t dall = 0;
      f.DMLGetCount(5, 14, a, code_a, dall);
      f.DMLGetCount(5, 15, b, code_b, dall);
      auto text = [](uint32_t v, uint16_t code) {
        return code ? "failed (code " + std::to_string(code) + ")" : std::to_string(v);
      };
      return "counter A: " + text(a, code_a) + ", counter B: " + text(b, code_b);
    }
    case kFamilyDS2450: {
      SlotLoan loan(f, 10, rom);
      const bool ready = f.bWindAdcReady;
      const bool enabled = f.bChipEnabled[10];
      uint16_t code = 0;
      int32_t dall = 0;
      f.bWindAdcReady = false;
      f.DML2450Init(10, code, dall);
      std::string out;
      if (code != 0) {
        out = "initialisation failed (code " + std::to_string(code) + ")";
      } else {
        uint16_t a, b, c, d;
        f.DMLGet2540ADC(10, a, b, c, d, code, dall);
        out = code ? "conversion failed (code " + std::to_string(code) + ")"
                   : "inputs A: " + std::to_string(a) + ", B: " + std::to_string(b) +
                         ", C: " + std::to_string(c) + ", D: " + std::to_string(d);
      }
      f.bWindAdcReady = ready;
      f.bChipEnabled[10] = enabled;
      return out;
    }
    default:
      return "no reading for this family";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Environment env = Environment::FromProcess();
  QCoreApplication app(argc, argv);

  std::vector<std::string> lines;
  const std::string ini = env.working_dir + "/WM033ini.txt";
  if (!ReadLines(ini, lines)) {
    std::fprintf(stderr, "wm033-probe: cannot read %s: run the probe in the station's folder.\n",
                 ini.c_str());
    return kExitNoConfig;
  }
  const StationConfig cfg = ParseStationConfig(lines);
  for (const std::string& p : cfg.problems)
    std::fprintf(stderr, "wm033-probe: WM033ini.txt %s\n", p.c_str());

  HeadlessPlatform platform(env);
  ProbeRoutines form(platform);
  form.siPortNum = cfg.port_num;
  form.siPortType = cfg.port_type;
  std::array<Rom, kChipSlots> roms{};
  std::array<std::string, kChipSlots> ids;
  std::array<uint8_t, kChipSlots> pages{};
  for (int slot = 0; slot < kChipSlots; ++slot) {
    const ConfiguredChip& c = cfg.chips[slot];
    form.sChipId[slot] = ids[slot] = c.id;
    form.bChipRom[slot] = roms[slot] = c.rom.value_or(Rom{});
    form.bChipEnabled[slot] = c.enabled;
    pages[slot] = c.counter_page;
  }
  const sim::StationPlan plan =
      PlanFromChips(env.sim_seed, cfg.wind_dir_table, cfg.wind_dir_rotation, roms, ids, pages);
  form.UseTmex(MakeTmex(
      env, platform, [plan] { return plan; },
      [&form](const std::string& text) { form.ReportError(text); }));

  std::printf("Adapter: port %d, type %d%s\n", cfg.port_num, cfg.port_type,
              env.simulated_microlan ? " (simulated MicroLan)" : "");
  Tmex& tmex = form.tmex();
  const int32_t h = tmex.TMExtendedStartSession(cfg.port_num, cfg.port_type, nullptr);
  if (h < 1) {
    std::fprintf(stderr, "wm033-probe: the adapter could not be opened (result %d).\n", h);
    return kExitNoAdapter;
  }
  std::vector<Rom> found;
  const int n = tmex.Search(h, found);
  tmex.TMEndSession(h);
  if (n < 0) {
    std::fprintf(stderr, "wm033-probe: the search of the bus failed (result %d)%s.\n", n,
                 n == -3 ? ": the bus is shorted" : "");
    return kExitNoAdapter;
  }

  std::printf("%d chip%s found:\n", n, n == 1 ? "" : "s");
  for (const Rom& rom : found) {
    std::string where;
    for (const ConfiguredChip& c : cfg.chips) {
      if (c.rom && *c.rom == rom) {
        where += std::string(where.empty() ? "" : ", ") + "line " + c.line + " (" +
                 SlotRole(c.line - 'k') + (c.enabled ? "" : ", disabled") + ")";
      }
    }
    if (where.empty()) where = "not named in WM033ini.txt";
    std::printf("  %s  %-26s %s  [%s]%s\n", FormatChipId(rom).c_str(), FamilyName(rom[0]).c_str(),
                Reading(form, rom).c_str(), where.c_str(),
                RomCrcOk(rom) ? "" : "  (ROM CRC wrong)");
  }

  int missing = 0;
  for (const ConfiguredChip& c : cfg.chips) {
    if (!c.rom) continue;
    bool seen = false;
    for (const Rom& rom : found) seen = seen || rom == *c.rom;
    if (seen) continue;
    if (missing++ == 0) std::printf("Configured but not found:\n");
    std::printf("  line %c  %s  %s (%s%s)\n", c.line, c.id.c_str(), FamilyName((*c.rom)[0]).c_str(),
                SlotRole(c.line - 'k').c_str(), c.enabled ? "" : ", disabled");
  }
  if (missing == 0) std::printf("Every configured chip was found.\n");
  return 0;
}
