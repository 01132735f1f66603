// Reading WM033ini.txt at start-up and starting the sensor hardware it names.
#include "app/wm033f1.h"
#include "config/sensor_config.h"
#include "config/text_lines.h"

namespace wm033 {

namespace {
constexpr int kWindDirSlot = 10;
}  // namespace

// Reads and checks the sensor configuration file, shows every problem, and takes over the
// adapter and chip slot values. False (with termination requested) when the file is missing or
// fatally faulty.
bool TWM033f1::ReadSensorConfig() {
  const auto path = MapPath(env(), "WM033ini.txt");
  std::string bytes;
  config::SensorConfig r;
  if (!path || !FileExists(*path))
    r = config::MissingSensorConfig();
  else if (!config::ReadFileBytes(*path, bytes))
    r = config::UnreadableSensorConfig();
  else
    r = config::ParseSensorConfigText(bytes, bWindDirTable, bWindDirRotation);

  for (const config::ConfigNote& note : r.notes) {
    if (note.kind == config::ConfigNote::Kind::kErrorLine)
      ReportError(note.text);
    else
      platform().ShowMessage(note.text);
  }
  if (r.port_read) siPortNum = r.port_num;
  if (r.type_read) siPortType = r.port_type;
  if (r.slots_filled) {
    sChipId = r.chip_id;
    bChipEnabled = r.enabled;
    for (int slot : {5, 6, 7, 11, 12})
      bCounterPage[static_cast<size_t>(slot)] = r.counter_page[static_cast<size_t>(slot)];
    bWindDirTable = r.wind_table;
    bWindDirRotation = r.wind_rotation;
  }
  if (r.terminate) {
    bQuitting = true;
    platform().Terminate(kExitFatalConfig);
  }
  return r.valid;
}

// Reads the configuration, makes the ROM codes the device layer addresses chips with, and
// initialises the wind-direction ADC when its slot is in use.
void TWM033f1::StartSensorHardware() {
  if (!ReadSensorConfig()) return;
  for (size_t slot = 0; slot < static_cast<size_t>(kChannels); ++slot)
    bChipRom[slot] = config::ChipRomFromId(sChipId[slot]);
  if (bChipEnabled[kWindDirSlot]) {
    DML2450Init(kWindDirSlot, wQZRErr, liDallErr);
    bWindAdcReady = true;
    if (wQZRErr != 0) {
      ReportError(std::to_string(wQZRErr) +
                  " <QZR error during DMLInit2540ADC. Dallas err:" + std::to_string(liDallErr));
      bWindAdcReady = false;
    }
  }
}

}  // namespace wm033
