// The station's MQTT messages on top of an MqttLink.
#include "mqtt/publisher.h"

#include <algorithm>

#include "mqtt/mqtt_link.h"

namespace wm033::mqtt {

namespace {

constexpr const char* kComponents[] = {"sensor", "binary_sensor"};

LinkOptions OptionsFor(const MqttSettings& s, const DeviceInfo& d) {
  LinkOptions o;
  o.host = s.host;
  o.port = s.port;
  o.client_id = s.client_id;
  o.user = s.user;
  o.password = s.password;
  o.tls = s.tls;
  o.ca_file = s.ca_file;
  o.availability_topic = d.availability;
  if (!s.discovery.empty())
    for (const char* component : kComponents)
      o.owned.push_back(s.discovery + "/" + component + "/" + d.node + "/+/config");
  return o;
}

}  // namespace

DeviceInfo StationDevice(const MqttSettings& settings, const std::string& title_prefix,
                         const std::string& version) {
  DeviceInfo d;
  d.node = IdFrom(settings.topic);
  d.name = title_prefix.empty() ? "WM033 weather station" : title_prefix;
  d.version = version;
  d.state_topic = settings.topic + "/state";
  d.availability = settings.topic + "/availability";
  return d;
}

Publisher::Publisher(MqttSettings settings, DeviceInfo device)
    : settings_(std::move(settings)),
      device_(std::move(device)),
      link_(std::make_unique<MqttLink>(OptionsFor(settings_, device_))) {}

Publisher::~Publisher() {
  Stop(2000);
}

void Publisher::SetEntities(const std::vector<EntitySpec>& entities) {
  if (settings_.discovery.empty()) return;
  std::vector<std::string> now;
  for (const EntitySpec& e : entities) {
    const std::string topic = ConfigTopic(settings_.discovery, device_, e);
    link_->Retain(topic, ConfigPayload(device_, e));
    now.push_back(topic);
  }
  for (const std::string& topic : announced_)
    if (std::find(now.begin(), now.end(), topic) == now.end()) link_->Retain(topic, "");
  announced_ = std::move(now);
}

void Publisher::Start() {
  link_->Start();
}

void Publisher::PublishState(const std::string& document, double now_secs) {
  last_state_secs_ = now_secs;
  link_->Retain(device_.state_topic, document);
}

bool Publisher::StateDue(double now_secs) const {
  return now_secs - last_state_secs_ >= settings_.interval_secs;
}

std::vector<LinkLine> Publisher::TakeMessages() {
  return link_->TakeMessages();
}

void Publisher::Stop(int wait_ms) {
  link_->Stop(wait_ms);
}

bool Publisher::Connected() const {
  return link_->Connected();
}

}  // namespace wm033::mqtt
