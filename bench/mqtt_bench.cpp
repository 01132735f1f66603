// What MQTT costs the window thread: a whole cycle of the demo station with MQTT off, with a
// broker that is up (a real mosquitto on loopback, when installed) and with a broker that is
// down; and handing one state message to the link. The network work runs on the link's own
// thread, so a cycle should cost the same in all three.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "bench/station_rig.h"
#include "mqtt/publisher.h"
#include "tests/mqtt_broker.h"

namespace wm033 {
namespace {

using bench::StationRig;

// A broker for the whole benchmark run, or none when mosquitto is not installed.
int BrokerPort() {
  static int port = [] {
    if (!testing::BrokerInstalled()) return 0;
    static std::string folder = [] {
      char tmpl[] = "/tmp/wm033-mqtt-bench-XXXXXX";
      return std::string(mkdtemp(tmpl));
    }();
    static testing::Broker broker(folder);
    return broker.Start() ? broker.port() : 0;
  }();
  return port;
}

std::string MqttSection(int port) {
  return "\r\n[MQTT]\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) + "\r\n";
}

// Arg 0: MQTT off; 1: broker up; 2: broker down (a port nobody listens on).
void BM_CycleWithMqtt(benchmark::State& state) {
  std::string tail;
  const char* label = "MQTT off";
  if (state.range(0) == 1) {
    const int port = BrokerPort();
    if (port == 0) {
      state.SkipWithError("mosquitto is not installed");
      return;
    }
    tail = MqttSection(port);
    label = "broker up";
  } else if (state.range(0) == 2) {
    tail = MqttSection(testing::FreePort());
    label = "broker down";
  }
  StationRig rig("", tail);
  if (state.range(0) == 1)
    testing::WaitFor([&] { return rig.form->Mqtt.publisher->Connected(); }, 5000);
  for (auto _ : state) rig.Tick();
  state.SetLabel(label);
}
BENCHMARK(BM_CycleWithMqtt)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(63 * 20)
    ->Unit(benchmark::kMicrosecond);

// Handing the demo station's readings document to the link, broker up.
void BM_MqttStateMessage(benchmark::State& state) {
  const int port = BrokerPort();
  if (port == 0) {
    state.SkipWithError("mosquitto is not installed");
    return;
  }
  StationRig rig("", MqttSection(port));
  for (int i = 0; i < 200; ++i) rig.Tick();
  const std::string document = rig.form->ReadingsDocument();
  mqtt::Publisher& p = *rig.form->Mqtt.publisher;
  double t = 0;
  for (auto _ : state) {
    t += 1;
    p.PublishState(document + std::to_string(t), t);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
}
BENCHMARK(BM_MqttStateMessage)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace wm033
