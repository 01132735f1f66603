// What the station sends to an MQTT broker, and when: the readings document as the retained
// state message, "online"/"offline" on the availability topic, and the discovery configs of
// its entities. The window thread calls it; nothing here waits for the network.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mqtt/discovery.h"
#include "mqtt/mqtt_link.h"
#include "mqtt/mqtt_settings.h"

namespace wm033::mqtt {

class Publisher {
 public:
  // `settings` with the password already loaded; `device` names the station's device.
  Publisher(MqttSettings settings, DeviceInfo device);
  ~Publisher();

  // The entities to announce; entities announced before and missing now are cleared, and so are
  // retained configs of this node that an earlier run left behind.
  void SetEntities(const std::vector<EntitySpec>& entities);

  // Starts the connection (it comes up in the background).
  void Start();

  // The readings document as the retained state message; `now_secs` is the program's clock in
  // seconds.
  void PublishState(const std::string& document, double now_secs);
  // Whether the settings' Interval has passed since the last state message.
  bool StateDue(double now_secs) const;

  // The link's lines since the last call.
  std::vector<LinkLine> TakeMessages();

  // "offline", a clean disconnect, the network thread ended (waits at most `wait_ms`).
  void Stop(int wait_ms);

  const MqttSettings& settings() const { return settings_; }
  const DeviceInfo& device() const { return device_; }
  bool Connected() const;

 private:
  MqttSettings settings_;
  DeviceInfo device_;
  std::unique_ptr<MqttLink> link_;
  std::vector<std::string> announced_;  // config topics set in this run
  double last_state_secs_ = -1e300;
};

// The device of a station: node id from the topic prefix, the title prefix as its name.
DeviceInfo StationDevice(const MqttSettings& settings, const std::string& title_prefix,
                         const std::string& version);

}  // namespace wm033::mqtt
