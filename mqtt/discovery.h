// Home Assistant MQTT discovery: one retained config message per entity, under
// <prefix>/<component>/<node>/<object>/config, that makes the station appear as one device with
// a sensor per channel and a diagnostic sensor per configuration line. Pure functions: the
// entities in, topics and JSON payloads out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wm033::mqtt {

struct DeviceInfo {
  std::string node;          // node id: letters, digits, "_" and "-"
  std::string name;          // shown as the device name
  std::string version;       // program version
  std::string state_topic;   // <Topic>/state
  std::string availability;  // <Topic>/availability
};

struct EntitySpec {
  std::string component = "sensor";  // or "binary_sensor"
  std::string object;                // object id, unique in the node
  std::string unique_id;             // unique in the hub, never changes for the same chip
  std::string name;
  std::string value_template;
  std::string unit;
  std::string device_class;
  std::string state_class;
  std::string entity_category;  // "diagnostic" or empty
  std::string icon;
  std::vector<std::string> options;  // for the "enum" device class
  int display_precision = -1;        // suggested_display_precision; -1: none
};

// A node or object id from any text: letters, digits, "_" and "-" kept, anything else "_".
std::string IdFrom(std::string_view text);

std::string ConfigTopic(std::string_view prefix, const DeviceInfo& device, const EntitySpec& e);
std::string ConfigPayload(const DeviceInfo& device, const EntitySpec& e);

}  // namespace wm033::mqtt
