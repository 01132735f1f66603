// MQTT as members of the main form: the settings at start, the publisher started once the
// sensor configuration is known, the state message at every readings document and in between,
// the link's lines reported as error lines, and "offline" at Quit.
#include "mqtt/station_mqtt.h"

#include <unistd.h>

#include "app/wm033f1.h"
#include "config/profile.h"
#include "config/text_lines.h"
#include "mqtt/entities.h"
#include "outputs/readings.h"

namespace wm033 {

namespace {

constexpr int kStopWaitMs = 2000;

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

void TWM033f1::ReadMqttSettings(std::string_view settings_text) {
  Mqtt.settings = mqtt::ReadMqttSettings(config::Profile::FromText(settings_text), HostName());
  for (const std::string& line : Mqtt.settings.errors) ReportError(line);
}

void TWM033f1::StartMqtt() {
  if (!Mqtt.settings.enabled || Mqtt.publisher) return;
  mqtt::MqttSettings s = Mqtt.settings.settings;
  if (!s.password_file.empty()) {
    std::string why, text;
    const auto path = MapPath(env(), s.password_file, &why);
    if (!path || !config::ReadFileBytes(*path, text) ||
        !mqtt::PasswordFromFileText(text, s.password)) {
      ReportError("MQTT is off: [MQTT] PasswordFile " + s.password_file +
                  (why.empty() ? " cannot be read or holds no password." : ": " + why));
      return;
    }
  }
  if (!s.ca_file.empty()) {
    std::string why;
    const auto path = MapPath(env(), s.ca_file, &why);
    if (!path || !FileExists(*path)) {
      ReportError("MQTT is off: [MQTT] CAFile " + s.ca_file +
                  (why.empty() ? " is not there." : ": " + why));
      return;
    }
    s.ca_file = *path;
  }
  const mqtt::DeviceInfo device = mqtt::StationDevice(s, sTitlePrefix, kVersion);
  Mqtt.publisher = std::make_unique<mqtt::Publisher>(std::move(s), device);
  Mqtt.publisher->SetEntities(mqtt::StationEntities(TakeSnapshot()));
  Mqtt.publisher->Start();
  // Every readings document made for the readings file is the state message too.
  Outputs.on_readings.push_back([this](const std::string& document) {
    if (!Mqtt.publisher) return;
    Mqtt.publisher->PublishState(document, platform().Now() * 86400.0);
    Mqtt.sent_revision = Outputs.health.Revision();
  });
}

void TWM033f1::ServiceMqtt() {
  if (!Mqtt.publisher) return;
  for (const mqtt::LinkLine& line : Mqtt.publisher->TakeMessages()) {
    if (line.error)
      ReportError(line.text);
    else
      platform().Note(line.text);
  }
  // In between readings documents: a state message when a reading changed and the interval
  // has passed (the readings file may be off, or written less often).
  const uint64_t revision = Outputs.health.Revision();
  const double now_secs = platform().Now() * 86400.0;
  if (revision == Mqtt.sent_revision || !Mqtt.publisher->StateDue(now_secs)) return;
  const outputs::StationSnapshot snapshot = TakeSnapshot();
  // A line may have been switched off while running: its sensor goes.
  Mqtt.publisher->SetEntities(mqtt::StationEntities(snapshot));
  Mqtt.publisher->PublishState(outputs::ReadingsDocument(snapshot), now_secs);
  Mqtt.sent_revision = revision;
}

void TWM033f1::StopMqtt() {
  if (!Mqtt.publisher) return;
  Mqtt.publisher->Stop(kStopWaitMs);
  Mqtt.publisher.reset();
}

}  // namespace wm033
