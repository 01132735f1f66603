// Discovery config topics and payloads.
#include "mqtt/discovery.h"

#include "outputs/text_forms.h"

namespace wm033::mqtt {

using outputs::JsonString;

namespace {

void Field(std::string& out, const char* key, const std::string& value) {
  if (value.empty()) return;
  out += ",\"";
  out += key;
  out += "\":";
  out += JsonString(value);
}

}  // namespace

std::string IdFrom(std::string_view text) {
  std::string id;
  for (char c : text) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    id += keep ? c : '_';
  }
  return id.empty() ? "_" : id;
}

std::string ConfigTopic(std::string_view prefix, const DeviceInfo& device, const EntitySpec& e) {
  std::string t(prefix);
  t += "/" + e.component + "/" + device.node + "/" + e.object + "/config";
  return t;
}

std::string ConfigPayload(const DeviceInfo& device, const EntitySpec& e) {
  std::string out = "{\"name\":" + JsonString(e.name);
  Field(out, "unique_id", e.unique_id);
  Field(out, "state_topic", device.state_topic);
  Field(out, "value_template", e.value_template);
  Field(out, "availability_topic", device.availability);
  Field(out, "device_class", e.device_class);
  Field(out, "unit_of_measurement", e.unit);
  Field(out, "state_class", e.state_class);
  Field(out, "entity_category", e.entity_category);
  Field(out, "icon", e.icon);
  if (e.display_precision >= 0)
    out += ",\"suggested_display_precision\":" + std::to_string(e.display_precision);
  if (!e.options.empty()) {
    out += ",\"options\":[";
    for (size_t i = 0; i < e.options.size(); ++i) out += (i ? "," : "") + JsonString(e.options[i]);
    out += "]";
  }
  out += ",\"device\":{\"identifiers\":[" + JsonString("wm033_" + device.node) + "]";
  Field(out, "name", device.name);
  Field(out, "model", std::string("1-Wire weather station"));
  Field(out, "sw_version", device.version);
  out += "}}";
  return out;
}

}  // namespace wm033::mqtt
