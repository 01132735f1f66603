// Any bytes as WM033ini.txt: the reader must give a verdict with its reasons, never crash and
// never read outside a line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/sensor_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wm033::config;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const SensorConfig r = ParseSensorConfigText(text, 3, 9);
  if (!r.valid && (!r.terminate || r.notes.empty())) std::abort();
  if (r.valid && r.terminate) std::abort();
  if (r.wind_table > 6 || r.wind_rotation > 15) std::abort();
  if (r.port_read && (r.port_num < 0 || r.port_num > 9)) std::abort();
  for (int s = 0; s < kChipSlots; ++s) {
    const std::string& id = r.chip_id[static_cast<size_t>(s)];
    if (id.size() > 16) std::abort();
    (void)ChipRomFromId(id);
  }
  for (const ConfigNote& n : r.notes)
    if (n.text.empty()) std::abort();
  (void)ChipRomFromId(text);
  return 0;
}
