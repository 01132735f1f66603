// Discovery config topics and payloads.
#include "mqtt/discovery.h"

#include <cstdio>

namespace wm033::mqtt {

namespace {

void Field(std::string& out, const char* key, const std::string& value) {
  if (value.empty()) return;
  out += ",\"";
  out += key;
  out += "\":";
  out += JsonString(value);
}

// Length of the valid UTF-8 sequence at text[i], or 0.
size_t Utf8Length(std::string_view text, size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  size_t n = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else
    return 0;
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const auto c1 = static_cast<unsigned char>(text[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
      (c == 0xF4 && c1 > 0x8F))
    return 0;  // overlong, surrogate or beyond U+10FFFF
  return n;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else if (c >= 0x80) {
      const size_t n = Utf8Length(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
        ++i;
        continue;
      }
      out.append(text.substr(i, n));
      i += n;
      continue;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

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
