// The main form's share of MQTT: the [MQTT] settings as read at start, the publisher while one
// runs, and what was last sent. The routines are members of the main form
// (mqtt/station_mqtt.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "mqtt/mqtt_settings.h"
#include "mqtt/publisher.h"

namespace wm033::mqtt {

struct StationMqtt {
  MqttSettingsResult settings;
  std::unique_ptr<Publisher> publisher;  // null while MQTT is off
  uint64_t sent_revision = 0;            // the health revision of the last state message
};

}  // namespace wm033::mqtt
