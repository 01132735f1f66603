// The [MQTT] section of the settings file: the broker the station publishes its state, its
// availability and its discovery configs to. Without a Host, MQTT is off.
//
//   [MQTT]
//   Host=192.168.1.20        broker name or address; none: MQTT off
//   Port=1883                1883, or 8883 with TLS=1
//   Topic=wm033              prefix of <Topic>/state and <Topic>/availability
//   ClientId=wm033-shed      default: "wm033-" and the host name
//   User=station             optional
//   PasswordFile=C:\WM033\mqtt-password.txt   a file holding only the password
//   TLS=0                    1: TLS, checked against CAFile (or the system's authorities)
//   CAFile=                  certificate authority file for TLS
//   Discovery=homeassistant  discovery prefix; empty: no discovery configs
//   Interval=60              seconds between state messages when readings change
//
// Reading the section is a pure function; every bad value gives its own error line and leaves
// MQTT off, so that the rest of the station runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wm033::config {
class Profile;
}

namespace wm033::mqtt {

constexpr const char* kSection = "MQTT";
constexpr int kDefaultPort = 1883;
constexpr int kDefaultTlsPort = 8883;
constexpr const char* kDefaultTopic = "wm033";
constexpr const char* kDefaultDiscovery = "homeassistant";
constexpr int kDefaultIntervalSecs = 60;
constexpr int kMaxIntervalSecs = 86400;

struct MqttSettings {
  std::string host;
  int port = kDefaultPort;
  std::string topic = kDefaultTopic;
  std::string client_id;
  std::string user;
  std::string password_file;  // as written in the settings file
  std::string password;       // read from password_file by LoadPassword
  bool tls = false;
  std::string ca_file;  // as written in the settings file
  std::string discovery = kDefaultDiscovery;
  int interval_secs = kDefaultIntervalSecs;
};

struct MqttSettingsResult {
  bool enabled = false;  // a Host is given and every value read
  MqttSettings settings;
  std::vector<std::string> errors;  // one line per bad value
};

// Reads the [MQTT] section. `host_name` is this machine's name, for the default client id.
MqttSettingsResult ReadMqttSettings(const config::Profile& profile, std::string_view host_name);

// The default client id: "wm033-" and the host name, reduced to letters, digits, "-" and "_"
// and to the 23 characters every broker must accept.
std::string DefaultClientId(std::string_view host_name);

// A topic prefix we publish under: not empty, no wildcards, no NUL or control characters, no
// "/" at either end. Empty when it is good, else what is wrong with it.
std::string TopicProblem(std::string_view topic);

// The password from the text of a password file: its first line, without the line end.
// False when the file holds no password.
bool PasswordFromFileText(std::string_view text, std::string& password);

}  // namespace wm033::mqtt
