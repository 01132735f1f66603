// The [MQTT] section: defaults, every bad value with its own line, and MQTT off without a host.
#include "mqtt/mqtt_settings.h"

#include <gtest/gtest.h>

#include "config/profile.h"

namespace wm033::mqtt {
namespace {

MqttSettingsResult Read(const std::string& section) {
  return ReadMqttSettings(config::Profile::FromText("abWM033ini2\r\n[MQTT]\r\n" + section), "shed");
}

TEST(MqttSettings, OffWithoutAHostAndSilentAboutTheRest) {
  const auto r = Read("Port=banana\r\n");
  EXPECT_FALSE(r.enabled);
  EXPECT_TRUE(r.errors.empty());
}

TEST(MqttSettings, DefaultsForAHostAlone) {
  const auto r = Read("Host=broker.lan\r\n");
  ASSERT_TRUE(r.enabled);
  EXPECT_EQ(r.settings.port, 1883);
  EXPECT_EQ(r.settings.topic, "wm033");
  EXPECT_EQ(r.settings.client_id, "wm033-shed");
  EXPECT_EQ(r.settings.discovery, "homeassistant");
  EXPECT_EQ(r.settings.interval_secs, 60);
  EXPECT_FALSE(r.settings.tls);
}

TEST(MqttSettings, TlsChangesTheDefaultPortAndEmptyDiscoveryTurnsItOff) {
  const auto r = Read("Host=h\r\nTLS=1\r\nCAFile=C:\\WM033\\ca.crt\r\nDiscovery=\r\n");
  ASSERT_TRUE(r.enabled);
  EXPECT_EQ(r.settings.port, 8883);
  EXPECT_EQ(r.settings.ca_file, "C:\\WM033\\ca.crt");
  EXPECT_EQ(r.settings.discovery, "");
  EXPECT_EQ(Read("Host=h\r\nTLS=1\r\nPort=18883\r\n").settings.port, 18883);
}

TEST(MqttSettings, EveryBadValueHasItsOwnLineAndMqttStaysOff) {
  const auto r = Read(
      "Host=h\r\nPort=70000\r\nTopic=a/#\r\nTLS=yes\r\nDiscovery=/ha\r\nInterval=0\r\n"
      "PasswordFile=pw.txt\r\n");
  EXPECT_FALSE(r.enabled);
  ASSERT_EQ(r.errors.size(), 6u);
  for (const std::string& e : r.errors) EXPECT_EQ(e.rfind("MQTT is off: [MQTT] ", 0), 0u) << e;
  EXPECT_NE(r.errors[0].find("TLS must be 0 or 1"), std::string::npos);
  EXPECT_NE(r.errors[1].find("Port must be a whole number from 1 to 65535, not \"70000\""),
            std::string::npos);
  EXPECT_NE(r.errors[2].find("wildcard"), std::string::npos);
  EXPECT_NE(r.errors[3].find("without a User"), std::string::npos);
  EXPECT_NE(r.errors[4].find("Discovery \"/ha\""), std::string::npos);
  EXPECT_NE(r.errors[5].find("Interval"), std::string::npos);
}

TEST(MqttSettings, HostsClientIdsAndCaFilesThatCannotWork) {
  EXPECT_FALSE(Read("Host=a b\r\n").enabled);
  EXPECT_FALSE(Read("Host=h\r\nClientId=a b\r\n").enabled);
  EXPECT_FALSE(Read("Host=h\r\nCAFile=ca.crt\r\n").enabled);  // TLS left at 0
  EXPECT_FALSE(Read("Host=h\r\nTopic=a//b\r\n").enabled);
}

TEST(MqttSettings, DefaultClientIdFromAnyHostName) {
  EXPECT_EQ(DefaultClientId("weather.example.org"), "wm033-weather");
  EXPECT_EQ(DefaultClientId(""), "wm033-station");
  EXPECT_EQ(DefaultClientId("a b+c"), "wm033-a-b-c");
  EXPECT_EQ(DefaultClientId("averyveryverylonghostname").size(), 23u);
}

TEST(MqttSettings, PasswordIsTheFirstLineOfItsFile) {
  std::string pw;
  EXPECT_TRUE(PasswordFromFileText("s3cret\r\nignored\r\n", pw));
  EXPECT_EQ(pw, "s3cret");
  EXPECT_TRUE(PasswordFromFileText("with blank ", pw));
  EXPECT_EQ(pw, "with blank ");
  EXPECT_FALSE(PasswordFromFileText("\n", pw));
  EXPECT_FALSE(PasswordFromFileText("", pw));
}

}  // namespace
}  // namespace wm033::mqtt
