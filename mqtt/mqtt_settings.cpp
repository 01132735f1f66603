// Reading and checking the [MQTT] section of the settings file.
#include "mqtt/mqtt_settings.h"

#include "config/profile.h"

namespace wm033::mqtt {

namespace {

constexpr size_t kMaxClientIdChars = 23;
constexpr size_t kMaxTextChars = 256;

std::string Bad(const std::string& what) {
  return "MQTT is off: [MQTT] " + what;
}

bool HasControlChars(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

// A whole number in [low, high] from a key, or the default when the key is missing.
bool ReadRange(const config::Profile& p, const char* key, int low, int high, int& value,
               std::vector<std::string>& errors) {
  const auto text = p.Find(kSection, key);
  if (!text) return true;
  int32_t n = 0;
  if (!config::ParseWholeNumber(*text, n) || n < low || n > high) {
    errors.push_back(Bad(std::string(key) + " must be a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not \"" + *text + "\"."));
    return false;
  }
  value = n;
  return true;
}

}  // namespace

std::string DefaultClientId(std::string_view host_name) {
  std::string id = "wm033-";
  for (char c : host_name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    if (c == '.') break;  // the short host name
    id += keep ? c : '-';
  }
  if (id.size() == 6) id += "station";
  if (id.size() > kMaxClientIdChars) id.resize(kMaxClientIdChars);
  return id;
}

std::string TopicProblem(std::string_view topic) {
  if (topic.empty()) return "is empty";
  if (topic.size() > kMaxTextChars) return "is longer than 256 characters";
  if (topic.find_first_of("+#") != std::string_view::npos) return "holds a wildcard (+ or #)";
  if (HasControlChars(topic)) return "holds a control character";
  if (topic.front() == '/' || topic.back() == '/') return "begins or ends with \"/\"";
  if (topic.find("//") != std::string_view::npos) return "holds an empty level (\"//\")";
  return {};
}

bool PasswordFromFileText(std::string_view text, std::string& password) {
  const size_t end = text.find_first_of("\r\n");
  password.assign(text.substr(0, end));
  return !password.empty();
}

MqttSettingsResult ReadMqttSettings(const config::Profile& p, std::string_view host_name) {
  MqttSettingsResult r;
  MqttSettings& s = r.settings;
  s.host = p.ReadString(kSection, "Host", "");
  if (s.host.empty()) return r;  // MQTT off, nothing to say
  std::vector<std::string>& errors = r.errors;

  if (s.host.size() > kMaxTextChars || HasControlChars(s.host) ||
      s.host.find_first_of(" \t/") != std::string::npos)
    errors.push_back(Bad("Host \"" + s.host + "\" is not a host name or address."));

  const std::string tls = p.ReadString(kSection, "TLS", "0");
  if (tls == "1")
    s.tls = true;
  else if (tls != "0")
    errors.push_back(Bad("TLS must be 0 or 1, not \"" + tls + "\"."));
  s.port = s.tls ? kDefaultTlsPort : kDefaultPort;
  ReadRange(p, "Port", 1, 65535, s.port, errors);

  s.topic = p.ReadString(kSection, "Topic", kDefaultTopic);
  if (const std::string why = TopicProblem(s.topic); !why.empty())
    errors.push_back(Bad("Topic \"" + s.topic + "\" " + why + "."));

  s.client_id = p.ReadString(kSection, "ClientId", "");
  if (s.client_id.empty())
    s.client_id = DefaultClientId(host_name);
  else if (s.client_id.size() > kMaxTextChars || HasControlChars(s.client_id) ||
           s.client_id.find(' ') != std::string::npos)
    errors.push_back(Bad("ClientId \"" + s.client_id +
                         "\" must be up to 256 characters without blanks or control characters."));

  s.user = p.ReadString(kSection, "User", "");
  if (HasControlChars(s.user)) errors.push_back(Bad("User holds a control character."));
  s.password_file = p.ReadString(kSection, "PasswordFile", "");
  if (!s.password_file.empty() && s.user.empty())
    errors.push_back(Bad("PasswordFile is given without a User."));

  s.ca_file = p.ReadString(kSection, "CAFile", "");
  if (!s.ca_file.empty() && !s.tls)
    errors.push_back(Bad("CAFile is given but TLS is 0 (set TLS=1 to use it)."));

  s.discovery = p.ReadString(kSection, "Discovery", kDefaultDiscovery);
  if (!s.discovery.empty())
    if (const std::string why = TopicProblem(s.discovery); !why.empty())
      errors.push_back(Bad("Discovery \"" + s.discovery + "\" " + why + "."));

  ReadRange(p, "Interval", 1, kMaxIntervalSecs, s.interval_secs, errors);

  r.enabled = errors.empty();
  return r;
}

}  // namespace wm033::mqtt
