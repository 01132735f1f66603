// The MQTT link against a real mosquitto broker on loopback: retained messages and availability,
// a broker that is down, restarted without persistence, refusing a password or speaking TLS, the
// last will of a killed process, and orphaned retained messages.
#include "mqtt/mqtt_link.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/mqtt_broker.h"

namespace wm033::mqtt {
namespace {

namespace fs = std::filesystem;
using testing::Broker;
using testing::Subscriber;
using testing::WaitFor;

class MqttLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::BrokerInstalled()) GTEST_SKIP() << "mosquitto is not installed";
    char tmpl[] = "/tmp/wm033-mqtt-XXXXXX";
    folder_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    if (!folder_.empty()) fs::remove_all(folder_);
  }

  LinkOptions Options(int port) {
    LinkOptions o;
    o.host = "127.0.0.1";
    o.port = port;
    o.client_id = "wm033-test";
    o.availability_topic = "st/availability";
    o.retry_max_secs = 2;
    return o;
  }

  static bool Has(const std::vector<LinkLine>& lines, const std::string& part) {
    for (const LinkLine& l : lines)
      if (l.text.find(part) != std::string::npos) return true;
    return false;
  }

  std::string folder_;
};

TEST_F(MqttLinkTest, RetainedMessagesAndAvailabilityReachTheBroker) {
  Broker broker(folder_);
  ASSERT_TRUE(broker.Start());
  MqttLink link(Options(broker.port()));
  link.Retain("st/state", "{\"a\":1}");
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Connected(); }, 5000));
  link.Retain("st/state", "{\"a\":2}");
  link.Retain("ha/sensor/st/x/config", "{}");

  Subscriber sub(broker.port());
  ASSERT_TRUE(sub.WaitPayload("st/state", "{\"a\":2}", 5000));
  ASSERT_TRUE(sub.WaitPayload("st/availability", "online", 5000));
  ASSERT_TRUE(sub.WaitPayload("ha/sensor/st/x/config", "{}", 5000));
  // A subscriber that comes later is given everything as retained messages.
  Subscriber later(broker.port());
  ASSERT_TRUE(later.WaitPayload("st/state", "{\"a\":2}", 5000));
  ASSERT_TRUE(later.WaitPayload("st/availability", "online", 5000));
  ASSERT_TRUE(later.WaitPayload("ha/sensor/st/x/config", "{}", 5000));
  for (const auto& [topic, seen] : later.Snapshot()) EXPECT_TRUE(seen.retained) << topic;
  EXPECT_TRUE(Has(link.TakeMessages(), "connected to 127.0.0.1:"));

  // Stop says "offline" itself; the will is not needed.
  link.Stop(3000);
  EXPECT_TRUE(sub.WaitPayload("st/availability", "offline", 3000));
}

TEST_F(MqttLinkTest, ABrokerThatComesLaterGetsEverythingAndOneLineSaysSo) {
  const int port = testing::FreePort();
  MqttLink link(Options(port));
  link.Retain("st/state", "early");
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return !link.TakeMessages().empty(); }, 5000));
  // Several failed tries, but no more lines for the same reason.
  ASSERT_TRUE(WaitFor([&] { return link.Counts().failures >= 3; }, 10000));
  EXPECT_TRUE(link.TakeMessages().empty());

  Broker broker(folder_, {}, port);
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Connected(); }, 12000));
  Subscriber sub(port);
  EXPECT_TRUE(sub.WaitPayload("st/state", "early", 5000));
  EXPECT_TRUE(sub.WaitPayload("st/availability", "online", 5000));
  const auto lines = link.TakeMessages();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].text.find("again after"), std::string::npos) << lines[0].text;
}

TEST_F(MqttLinkTest, ABrokerRestartedWithoutPersistenceHasEverythingAgain) {
  Broker broker(folder_);
  ASSERT_TRUE(broker.Start());
  const int port = broker.port();
  MqttLink link(Options(port));
  link.Retain("st/state", "s1");
  link.Retain("ha/sensor/st/t0/config", "c1");
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Connected(); }, 5000));
  link.TakeMessages();

  broker.Kill();
  ASSERT_TRUE(WaitFor([&] { return !link.Connected(); }, 5000));
  link.Retain("st/state", "s2");  // while the broker is down
  Broker again(folder_, {}, port);
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Connected(); }, 12000));
  Subscriber sub(port);
  EXPECT_TRUE(sub.WaitPayload("st/state", "s2", 5000));
  EXPECT_TRUE(sub.WaitPayload("ha/sensor/st/t0/config", "c1", 5000));
  EXPECT_TRUE(sub.WaitPayload("st/availability", "online", 5000));
  const auto lines = link.TakeMessages();
  EXPECT_TRUE(Has(lines, "lost the connection")) << lines.size();
  EXPECT_TRUE(Has(lines, "again after"));
}

TEST_F(MqttLinkTest, AWrongPasswordIsSaidOnceAndTriedAgain) {
  const std::string pw = folder_ + "/passwd";
  ASSERT_EQ(
      std::system(("mosquitto_passwd -c -b " + pw + " station right >/dev/null 2>&1").c_str()), 0);
  Broker broker(folder_, {"password_file " + pw});
  ASSERT_TRUE(broker.Start());
  LinkOptions o = Options(broker.port());
  o.user = "station";
  o.password = "wrong";
  MqttLink link(o);
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Counts().failures >= 2; }, 10000));
  const auto lines = link.TakeMessages();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].text.find("not authorised"), std::string::npos) << lines[0].text;
  EXPECT_FALSE(link.Connected());

  LinkOptions right = o;
  right.password = "right";
  right.client_id = "wm033-test2";
  MqttLink good(right);
  good.Retain("st/state", "ok");
  ASSERT_TRUE(good.Start());
  EXPECT_TRUE(WaitFor([&] { return good.Connected(); }, 5000));
}

TEST_F(MqttLinkTest, TlsWithACertificateAuthorityMadeHere) {
  // A CA and a server certificate for 127.0.0.1, made with openssl.
  const std::string d = folder_;
  const std::string script =
      "cd " + d +
      " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 "
      "-subj /CN=wm033-test-ca"
      " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr "
      "-subj /CN=127.0.0.1"
      " && printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > ext.cnf"
      " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
      "-out server.crt -days 2 -extfile ext.cnf"
      " && openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.crt -days 2 "
      "-subj /CN=another-ca";
  ASSERT_EQ(std::system(("(" + script + ") >/dev/null 2>&1").c_str()), 0);
  const int tls_port = testing::FreePort();
  Broker broker(folder_,
                {"listener " + std::to_string(tls_port) + " 127.0.0.1", "cafile " + d + "/ca.crt",
                 "certfile " + d + "/server.crt", "keyfile " + d + "/server.key"});
  ASSERT_TRUE(broker.Start());
  ASSERT_TRUE(WaitFor([&] { return testing::PortOpen(tls_port); }, 5000));

  LinkOptions o = Options(tls_port);
  o.tls = true;
  o.ca_file = d + "/ca.crt";
  MqttLink link(o);
  link.Retain("st/state", "over tls");
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Connected(); }, 5000));
  Subscriber sub(broker.port());  // the plain listener
  EXPECT_TRUE(sub.WaitPayload("st/state", "over tls", 5000));

  LinkOptions wrong = o;
  wrong.client_id = "wm033-test-wrong-ca";
  wrong.ca_file = d + "/other.crt";
  MqttLink bad(wrong);
  ASSERT_TRUE(bad.Start());
  ASSERT_TRUE(WaitFor([&] { return bad.Counts().failures >= 1; }, 5000));
  const auto lines = bad.TakeMessages();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].text.find("TLS"), std::string::npos) << lines[0].text;
  EXPECT_FALSE(bad.Connected());
}

TEST_F(MqttLinkTest, TheWillSaysOfflineWhenTheProcessIsKilled) {
  Broker broker(folder_);
  ASSERT_TRUE(broker.Start());
  Subscriber sub(broker.port());
  const pid_t child = fork();
  if (child == 0) {
    MqttLink link(Options(broker.port()));
    link.Start();
    pause();
    _exit(0);
  }
  ASSERT_TRUE(sub.WaitPayload("st/availability", "online", 5000));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(sub.WaitPayload("st/availability", "offline", 5000));
}

TEST_F(MqttLinkTest, RetainedMessagesOfOursThatWeNoLongerPublishAreCleared) {
  Broker broker(folder_);
  ASSERT_TRUE(broker.Start());
  {
    // An earlier run published two configs.
    MqttLink earlier(Options(broker.port()));
    earlier.Retain("ha/sensor/st/old/config", "old");
    earlier.Retain("ha/sensor/st/kept/config", "kept");
    earlier.Retain("ha/sensor/other/x/config", "not ours");
    earlier.Start();
    ASSERT_TRUE(WaitFor([&] { return earlier.Counts().published >= 4; }, 5000));
    earlier.Stop(3000);
  }
  LinkOptions o = Options(broker.port());
  o.owned = {"ha/sensor/st/+/config"};
  MqttLink link(o);
  link.Retain("ha/sensor/st/kept/config", "kept2");
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Counts().orphans_cleared == 1; }, 5000));

  Subscriber sub(broker.port());
  ASSERT_TRUE(sub.WaitPayload("ha/sensor/st/kept/config", "kept2", 5000));
  ASSERT_TRUE(sub.WaitPayload("ha/sensor/other/x/config", "not ours", 5000));
  // Cleared: not retained any more (a subscriber that came early saw the empty message).
  EXPECT_EQ(sub.Payload("ha/sensor/st/old/config").value_or(""), "");

  // Clearing one ourselves removes it from the broker too.
  link.Retain("ha/sensor/st/kept/config", "");
  EXPECT_TRUE(WaitFor(
      [&] {
        Subscriber fresh(broker.port());
        if (!fresh.WaitPayload("ha/sensor/other/x/config", "not ours", 5000)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return fresh.Payload("ha/sensor/st/kept/config").value_or("").empty();
      },
      3000));
}

TEST_F(MqttLinkTest, StopReturnsPromptlyWhenNoBrokerAnswers) {
  MqttLink link(Options(testing::FreePort()));
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return link.Counts().failures >= 1; }, 5000));
  const auto t0 = std::chrono::steady_clock::now();
  link.Stop(2000);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace wm033::mqtt
