// Which entity each channel and line becomes, and how it reads its value from the state message
// (the readings document: readings[channel] and health[line], in channel order).
#include "mqtt/entities.h"

#include <cctype>

#include "outputs/health_page.h"

namespace wm033::mqtt {

namespace {

// What a channel is to the hub; `role` is part of its ids and never changes.
struct ChannelKind {
  const char* role;
  const char* raw_class;        // device class of the raw value, if any
  const char* raw_state_class;  // state class of the raw value
  const char* cal_class;        // device class of the calibrated value
  const char* cal_state_class;  // state class of the calibrated value
  const char* icon;
  int precision;
};

constexpr ChannelKind kKinds[outputs::kLines] = {
    {"t0", "temperature", "measurement", "", "", "", 1},
    {"t1", "temperature", "measurement", "", "", "", 1},
    {"t2", "temperature", "measurement", "", "", "", 1},
    {"t3", "temperature", "measurement", "", "", "", 1},
    {"t4", "temperature", "measurement", "", "", "", 1},
    {"rain", "", "total_increasing", "precipitation", "total_increasing", "mdi:weather-rainy", -1},
    {"wind", "", "total_increasing", "wind_speed", "measurement", "mdi:weather-windy", -1},
    {"lightning", "", "total_increasing", "", "", "mdi:flash", -1},
    {"pressure", "", "measurement", "atmospheric_pressure", "measurement", "mdi:gauge", -1},
    {"humidity", "", "measurement", "humidity", "measurement", "mdi:water-percent", -1},
    // Averaging an angle means nothing: no state class, so no long-term statistics.
    {"wind_direction", "", "", "", "", "mdi:compass-outline", 0},
    {"onoff1", "", "total_increasing", "", "", "mdi:counter", -1},
    {"onoff2", "", "total_increasing", "", "", "mdi:counter", -1},
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Temperatures and on/off inputs are named by their display labels (the owner's names: "Out",
// "Shed", "Door"), without the "(C)"/"(F)" of the temperature captions; the other channels by
// what they measure, since their labels are abbreviations ("RF", "WS").
std::string EntityName(const outputs::LineSnapshot& l) {
  std::string name;
  if (l.channel <= 4 || l.channel >= 11) {
    name = l.label;
    if (l.channel <= 4 && (name.ends_with("(C)") || name.ends_with("(F)")))
      name.resize(name.size() - 3);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  }
  if (name.empty()) {
    name = outputs::ChannelName(l.channel);
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  return name;
}

EntitySpec ChannelEntity(const outputs::LineSnapshot& l) {
  const ChannelKind& k = kKinds[l.channel];
  const std::string rom = Lower(l.rom);
  const std::string index = std::to_string(l.channel);
  EntitySpec e;
  e.object = rom + "_" + k.role;
  e.unique_id = "wm033_" + e.object;
  e.name = EntityName(l);
  e.icon = k.icon;
  e.display_precision = k.precision;
  if (l.calibrated) {
    e.value_template = "{{ value_json.readings[" + index + "].calibrated }}";
    e.unit = l.calibrated->unit;
    e.device_class = k.cal_class;
    e.state_class = k.cal_state_class;
    e.display_precision = 1;
  } else {
    e.value_template = "{{ value_json.readings[" + index + "].value }}";
    e.unit = l.unit;
    e.device_class = k.raw_class;
    e.state_class = k.raw_state_class;
  }
  if (!e.device_class.empty()) e.icon.clear();  // the hub picks the icon of the class
  return e;
}

EntitySpec HealthEntity(const outputs::LineSnapshot& l) {
  const std::string letter(1, l.line);
  const std::string index = std::to_string(l.channel);
  EntitySpec e;
  e.object = Lower(l.rom) + "_line_" + letter + "_health";
  e.unique_id = "wm033_" + e.object;
  e.name = "Line " + letter + " health (" + std::string(outputs::ChannelName(l.channel)) + ")";
  e.value_template = "{{ value_json.health[" + index + "].state }}";
  e.device_class = "enum";
  e.options = {"ok", "failing", "disabled", "not configured"};
  e.entity_category = "diagnostic";
  e.icon = "mdi:heart-pulse";
  return e;
}

EntitySpec ProblemEntity(const outputs::LineSnapshot& l) {
  const std::string letter(1, l.line);
  const std::string index = std::to_string(l.channel);
  EntitySpec e;
  e.component = "binary_sensor";
  e.object = Lower(l.rom) + "_line_" + letter + "_problem";
  e.unique_id = "wm033_" + e.object;
  e.name = "Line " + letter + " failing (" + std::string(outputs::ChannelName(l.channel)) + ")";
  e.value_template = "{{ 'ON' if value_json.health[" + index + "].state == 'failing' else 'OFF' }}";
  e.device_class = "problem";
  e.entity_category = "diagnostic";
  return e;
}

}  // namespace

std::vector<EntitySpec> StationEntities(const outputs::StationSnapshot& s) {
  std::vector<EntitySpec> out;
  for (const outputs::LineSnapshot& l : s.lines) {
    if (l.rom.empty() || l.state == outputs::LineState::kNotConfigured) continue;
    if (l.state != outputs::LineState::kDisabled) out.push_back(ChannelEntity(l));
    out.push_back(HealthEntity(l));
    out.push_back(ProblemEntity(l));
  }
  return out;
}

}  // namespace wm033::mqtt
