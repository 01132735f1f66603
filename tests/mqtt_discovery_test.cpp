// Discovery configs: which entities a station gets, their ids, classes and units, and payloads
// that any JSON reader takes whatever bytes the owner's labels hold.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

#include "mqtt/entities.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/publisher.h"

namespace wm033::mqtt {
namespace {

outputs::StationSnapshot Station() {
  outputs::StationSnapshot s;
  const char* labels[13] = {"Out(C)", "In(C)", "Shed(F)", "",      "Loft(C)", "RF", "WS",
                            "LT",     "BP",    "HM",      "WD(i)", "Door",    ""};
  for (int ch = 0; ch < 13; ++ch) {
    outputs::LineSnapshot& l = s.lines[static_cast<size_t>(ch)];
    l.channel = ch;
    l.line = static_cast<char>('k' + ch);
    l.label = labels[ch];
    l.unit = outputs::ValueUnit(ch);
    char rom[17];
    std::snprintf(rom, sizeof rom, "%02X00000533A0101D", ch);
    l.rom = rom;
  }
  return s;
}

QJsonObject Parse(const std::string& payload) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(payload.data(), static_cast<qsizetype>(payload.size())), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << payload;
  return doc.object();
}

const EntitySpec* Find(const std::vector<EntitySpec>& all, const std::string& object_end) {
  for (const EntitySpec& e : all)
    if (e.object.ends_with(object_end)) return &e;
  return nullptr;
}

TEST(MqttDiscovery, EveryChannelASensorAndEveryLineItsHealth) {
  const auto all = StationEntities(Station());
  EXPECT_EQ(all.size(), 13u * 3u);
  const EntitySpec* t0 = Find(all, "_t0");
  ASSERT_NE(t0, nullptr);
  EXPECT_EQ(t0->name, "Out");
  EXPECT_EQ(t0->unique_id, "wm033_0000000533a0101d_t0");
  EXPECT_EQ(t0->device_class, "temperature");
  EXPECT_EQ(t0->unit, "°C");
  EXPECT_EQ(t0->state_class, "measurement");
  EXPECT_EQ(t0->value_template, "{{ value_json.readings[0].value }}");
  EXPECT_EQ(Find(all, "_t2")->name, "Shed");
  EXPECT_EQ(Find(all, "_t3")->name, "Temperature 3");  // no label
  EXPECT_EQ(Find(all, "_rain")->name, "Rainfall");
  EXPECT_EQ(Find(all, "_rain")->state_class, "total_increasing");
  EXPECT_EQ(Find(all, "_onoff1")->name, "Door");
  EXPECT_EQ(Find(all, "_wind_direction")->state_class, "");
  const EntitySpec* health = Find(all, "_line_p_health");
  ASSERT_NE(health, nullptr);
  EXPECT_EQ(health->entity_category, "diagnostic");
  EXPECT_EQ(health->value_template, "{{ value_json.health[5].state }}");
  const EntitySpec* problem = Find(all, "_line_p_problem");
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->component, "binary_sensor");
  EXPECT_EQ(problem->device_class, "problem");
}

TEST(MqttDiscovery, CalibratedChannelsTakeTheirUnitsAndClasses) {
  outputs::StationSnapshot s = Station();
  s.lines[5].calibrated = outputs::Calibrated{1.4, "mm"};
  s.lines[6].calibrated = outputs::Calibrated{std::nullopt, "m/s"};
  s.lines[8].calibrated = outputs::Calibrated{1013.2, "hPa"};
  s.lines[9].calibrated = outputs::Calibrated{55.0, "%"};
  const auto all = StationEntities(s);
  const EntitySpec* rain = Find(all, "_rain");
  EXPECT_EQ(rain->device_class, "precipitation");
  EXPECT_EQ(rain->unit, "mm");
  EXPECT_EQ(rain->state_class, "total_increasing");
  EXPECT_EQ(rain->value_template, "{{ value_json.readings[5].calibrated }}");
  EXPECT_EQ(Find(all, "_wind")->device_class, "wind_speed");
  EXPECT_EQ(Find(all, "_wind")->state_class, "measurement");
  EXPECT_EQ(Find(all, "_pressure")->device_class, "atmospheric_pressure");
  EXPECT_EQ(Find(all, "_humidity")->unit, "%");
  EXPECT_EQ(Find(all, "_lightning")->unit, "count");
}

TEST(MqttDiscovery, DisabledChannelsKeepOnlyTheirHealthAndUnconfiguredLinesNothing) {
  outputs::StationSnapshot s = Station();
  s.lines[7].state = outputs::LineState::kDisabled;
  s.lines[12].state = outputs::LineState::kNotConfigured;
  s.lines[3].rom.clear();
  const auto all = StationEntities(s);
  EXPECT_EQ(Find(all, "_lightning"), nullptr);
  EXPECT_NE(Find(all, "_line_r_health"), nullptr);
  EXPECT_EQ(Find(all, "_onoff2"), nullptr);
  EXPECT_EQ(Find(all, "_line_w_health"), nullptr);
  EXPECT_EQ(Find(all, "_t3"), nullptr);
  EXPECT_EQ(all.size(), 13u * 3u - 1 - 3 - 3);
}

TEST(MqttDiscovery, TopicsAndPayloadsAreValidWhateverTheLabels) {
  MqttSettings settings;
  settings.topic = "home/weather station";
  const DeviceInfo device = StationDevice(settings, "Hill \"top\" <b>", "23Aug12c");
  EXPECT_EQ(device.node, "home_weather_station");
  outputs::StationSnapshot s = Station();
  s.lines[0].label = std::string("Caf\xE9 \x01\"\\", 8);  // Latin-1, a control byte, quotes
  for (const EntitySpec& e : StationEntities(s)) {
    const std::string topic = ConfigTopic("homeassistant", device, e);
    EXPECT_TRUE(topic.starts_with("homeassistant/" + e.component + "/home_weather_station/"));
    EXPECT_TRUE(topic.ends_with("/config"));
    EXPECT_EQ(topic.find_first_of("+# "), std::string::npos) << topic;
    const QJsonObject o = Parse(ConfigPayload(device, e));
    EXPECT_EQ(o["unique_id"].toString().toStdString(), e.unique_id);
    EXPECT_EQ(o["state_topic"].toString(), "home/weather station/state");
    EXPECT_EQ(o["availability_topic"].toString(), "home/weather station/availability");
    EXPECT_EQ(o["device"].toObject()["name"].toString(), "Hill \"top\" <b>");
    EXPECT_EQ(o["device"].toObject()["identifiers"].toArray()[0].toString(),
              "wm033_home_weather_station");
  }
  const QJsonObject t0 = Parse(ConfigPayload(device, StationEntities(s)[0]));
  EXPECT_EQ(t0["name"].toString(), QString::fromUtf8("Caf\u00e9 \u0001\"\\"));
}

TEST(MqttDiscovery, UniqueIdsAreUniqueAndFollowTheChipNotTheLine) {
  outputs::StationSnapshot s = Station();
  // Rain and wind on the two counters of one chip.
  s.lines[6].rom = s.lines[5].rom;
  const auto all = StationEntities(s);
  std::set<std::string> ids, objects;
  for (const EntitySpec& e : all) {
    EXPECT_TRUE(ids.insert(e.unique_id).second) << e.unique_id;
    EXPECT_TRUE(objects.insert(e.component + "/" + e.object).second) << e.object;
  }
  s.lines[0].label = "Renamed";
  EXPECT_EQ(StationEntities(s)[0].unique_id, all[0].unique_id);
}

}  // namespace
}  // namespace wm033::mqtt
