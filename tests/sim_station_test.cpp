// The device routines on the simulated MicroLan of the demo station: believable readings, every
// injected fault turning into its error code, faults coming and going through the fault file,
// and every session ended.
#include <gtest/gtest.h>

#include <thread>

#include "onewire/link_tmex.h"
#include "onewire/sim/station_state.h"
#include "onewire/station_config.h"
#include "sensors/wind_vane.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

// Sets the form's chip fields from the demo's WM033ini.txt, as the configuration reader would.
void Configure(Station& st, TWM033f1& f) {
  std::vector<std::string> lines;
  ASSERT_TRUE(onewire::ReadLines(std::string(WM033_SOURCE_DIR) + "/demo/WM033ini.txt", lines));
  const onewire::StationConfig cfg = onewire::ParseStationConfig(lines);
  ASSERT_TRUE(cfg.problems.empty());
  f.siPortNum = cfg.port_num;
  f.siPortType = cfg.port_type;
  f.bWindDirTable = cfg.wind_dir_table;
  f.bWindDirRotation = cfg.wind_dir_rotation;
  for (int s = 0; s < kChannels; ++s) {
    f.sChipId[s] = cfg.chips[s].id;
    f.bChipRom[s] = *cfg.chips[s].rom;
    f.bChipEnabled[s] = cfg.chips[s].enabled;
    f.bCounterPage[s] = cfg.chips[s].counter_page;
  }
  f.liCycleCount = 100;
  (void)st;
}

bool SessionOpen(TWM033f1& f) {
  auto* t = dynamic_cast<onewire::LinkTmex*>(&f.tmex());
  return t && t->SessionOpen();
}

bool Reported(const Station& st, const std::string& text) {
  for (const std::string& l : st.platform.error_lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

TEST(SimStation, DemoChipsGiveBelievableReadings) {
  Station st({{"WM033_MICROLAN", "sim"}});
  TWM033f1& f = st.Create();
  Configure(st, f);
  for (uint8_t s : {0, 1, 2, 3, 4}) {
    const float t = f.ReadTtureChannel(s);
    EXPECT_GT(t, -30.0f) << int(s);
    EXPECT_LT(t, 45.0f) << int(s);
    EXPECT_FALSE(SessionOpen(f));
  }
  uint32_t first = 0, later = 0;
  uint16_t code = 1;
  int32_t dall = 0;
  f.DMLGetCount(6, f.bCounterPage[6], first, code, dall);
  EXPECT_EQ(code, 0);
  st.platform.Advance(10 * 60 * 1000);
  f.DMLGetCount(6, f.bCounterPage[6], later, code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_GT(later, first) << "the anemometer turns";
  float volts = 0, tture = 0;
  int16_t sd = 0;
  f.Read2438(8, volts, tture, code, sd);
  EXPECT_EQ(code, 0);
  EXPECT_GT(volts, 0.0f);
  EXPECT_LE(volts, 9.99f);
  f.DML2450Init(10, code, dall);
  ASSERT_EQ(code, 0);
  EXPECT_TRUE(f.bWindAdcReady);
  uint16_t v[4];
  f.DMLGet2540ADC(10, v[0], v[1], v[2], v[3], code, dall);
  ASSERT_EQ(code, 0);
  for (uint16_t x : v) EXPECT_TRUE(x == 256 || x == 3840 || x == 58624) << x;
  EXPECT_FALSE(SessionOpen(f));
  EXPECT_TRUE(st.platform.error_lines.empty());
}

TEST(SimStation, InjectedFaultsBecomeTheirCodes) {
  Station st({{"WM033_MICROLAN", "sim"},
              {"WM033_SIM_FAULTS", "p=absent,k=badcrc,u=stuck,l=poweron,m=absent,s=badcrc"}});
  TWM033f1& f = st.Create();
  Configure(st, f);
  uint32_t count = 5;
  uint16_t code = 0;
  int32_t dall = 0;
  f.DMLGetCount(5, 14, count, code, dall);
  EXPECT_EQ(code, 44);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(Reported(st, "Problem with DMLGetCount- 44"));

  EXPECT_EQ(f.ReadTtureChannel(0), 255.0f);
  EXPECT_TRUE(Reported(st, "Read tture failed. bWhichChip=0 wQZRErr=1574"));
  EXPECT_TRUE(Reported(st, "Err 12Aug12a. Read tture failed. wQZRErr=1574"));
  EXPECT_EQ(f.ReadTtureChannel(1), 254.0f) << "power-on 85 degrees";
  EXPECT_EQ(f.ReadTtureChannel(2), 255.0f);
  EXPECT_TRUE(Reported(st, "Err 12Aug12a. Read tture failed. wQZRErr=3199"));

  float volts, tture;
  int16_t sd;
  f.Read2438(8, volts, tture, code, sd);
  EXPECT_EQ(code, 1890);

  f.DML2450Init(10, code, dall);
  ASSERT_EQ(code, 0);
  uint16_t a, b, c, d;
  f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_EQ(code, 1220);
  EXPECT_EQ(a, 999);
  EXPECT_FALSE(SessionOpen(f));
}

TEST(SimStation, ShortedBusFailsEveryRoutine) {
  Station st({{"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS", "bus=short"}});
  TWM033f1& f = st.Create();
  Configure(st, f);
  uint32_t count;
  uint16_t code;
  int32_t dall;
  f.DMLGetCount(7, 15, count, code, dall);
  EXPECT_EQ(code, 24);
  EXPECT_EQ(f.ReadTtureChannel(4), 255.0f);
  f.DML2450Init(10, code, dall);
  EXPECT_NE(code, 0);
  EXPECT_FALSE(f.bWindAdcReady);
  EXPECT_FALSE(SessionOpen(f));
}

TEST(SimStation, FaultFileIsReadAgainWhenItChanges) {
  Station st({{"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS_FILE", "faults.txt"}});
  st.Write("faults.txt", "");
  TWM033f1& f = st.Create();
  Configure(st, f);
  uint32_t count = 0, before = 0;
  uint16_t code = 0;
  int32_t dall = 0;
  f.DMLGetCount(5, 14, before, code, dall);
  EXPECT_EQ(code, 0);
  st.Write("faults.txt", "p=absent\n");
  f.DMLGetCount(5, 14, count, code, dall);
  EXPECT_EQ(code, 44);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  st.Write("faults.txt", "p=reset");  // power lost, and back
  f.DMLGetCount(5, 14, count, code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_LT(count, before == 0 ? 1u : before);
  EXPECT_LE(count, 3u);
}

TEST(SimStation, WithoutAdapterOneClearMessage) {
  Station st;
  TWM033f1& f = st.Create();
  Configure(st, f);
  uint32_t count;
  uint16_t code;
  int32_t dall;
  f.DMLGetCount(5, 14, count, code, dall);
  EXPECT_EQ(code, 14);
  EXPECT_EQ(f.ReadTtureChannel(0), 255.0f);
  int notices = 0;
  for (const std::string& l : st.platform.error_lines)
    notices += l.find("WM033_MICROLAN=sim") != std::string::npos;
  EXPECT_EQ(notices, 1);
}

TEST(SimStation, NoSecondSessionWhileOneIsOpen) {
  Station st({{"WM033_MICROLAN", "sim"}});
  TWM033f1& f = st.Create();
  Configure(st, f);
  // A counter read started from an event during the 1100 ms conversion wait finds the port held.
  uint16_t inner_code = 0;
  st.platform.events.push_back([&] {
    uint32_t c;
    int32_t d;
    f.DMLGetCount(5, 14, c, inner_code, d);
  });
  EXPECT_LT(f.ReadTtureChannel(0), 250.0f);
  EXPECT_EQ(inner_code, 14);
  EXPECT_FALSE(SessionOpen(f));
}

// The wind-speed count (line q) as the device routine reads it.
uint32_t WindCount(TWM033f1& f) {
  uint32_t count = 0;
  uint16_t code = 1;
  int32_t dall = 0;
  f.DMLGetCount(6, f.bCounterPage[6], count, code, dall);
  EXPECT_EQ(code, 0);
  return count;
}

TEST(SimStation, CountersKeepCountingWhileTheProgramIsStopped) {
  // One station that runs all the time, one that is stopped for half a day in between.
  Station steady({{"WM033_MICROLAN", "sim"}});
  Station restarted({{"WM033_MICROLAN", "sim"}});
  for (Station* st : {&steady, &restarted}) Configure(*st, st->Create());
  const uint32_t start = WindCount(*steady.form);
  EXPECT_EQ(WindCount(*restarted.form), start);
  for (Station* st : {&steady, &restarted}) st->platform.AdvanceDays(0.25);
  const uint32_t before_stop = WindCount(*restarted.form);
  EXPECT_GT(before_stop, start);
  restarted.form.reset();  // the program ends; the counter chip keeps its count
  for (Station* st : {&steady, &restarted}) st->platform.AdvanceDays(0.5);
  Configure(restarted, restarted.Create());
  const uint32_t after_restart = WindCount(*restarted.form);
  EXPECT_GT(after_restart, before_stop);
  EXPECT_EQ(after_restart, WindCount(*steady.form)) << "as if it had never stopped";
  // Killed without a word: the counts saved an hour of the clock before still carry it.
  for (Station* st : {&steady, &restarted}) st->platform.AdvanceDays(0.3);
  WindCount(*restarted.form);
  restarted.Write("WM033SimChips.txt.keep", restarted.Read("WM033SimChips.txt"));
  for (Station* st : {&steady, &restarted}) st->platform.AdvanceDays(0.1);
  WindCount(*restarted.form);
  restarted.form.reset();  // its last counts are lost: the file is the one of 0.1 day before
  restarted.Write("WM033SimChips.txt", restarted.Read("WM033SimChips.txt.keep"));
  for (Station* st : {&steady, &restarted}) st->platform.AdvanceDays(0.3);
  Configure(restarted, restarted.Create());
  EXPECT_EQ(WindCount(*restarted.form), WindCount(*steady.form));
}

TEST(SimStation, DamagedCounterFileCostsOnlyItsBadLines) {
  using onewire::sim::ParseCounterStates;
  const auto states = ParseCounterStates(
      "heading\r\n"
      "1D1B1A0000533AB6 A 18000000 4000000000\r\n"
      "1d1b1a0000533ab6 B 18000000 7\r\n"
      "1D1B1A0000533AB6 C 18000000 7\r\n"
      "1D1B1A0000533A A 18000000 7\r\n"
      "1D1B1A0000533AB7 A 18000000 4294967296\r\n"
      "1D1B1A0000533AB8 A 18000000 -1\r\n"
      "1D1B1A0000533AB9 A x 1\r\n"
      "1D1B1A0000533ABA A 1 2 3\r\n");
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states.at({"1D1B1A0000533AB6", 'A'}).count, 4000000000u);
  EXPECT_EQ(states.at({"1D1B1A0000533AB6", 'B'}).minute, 18000000);
  // Written and read back unchanged.
  EXPECT_EQ(ParseCounterStates(onewire::sim::FormatCounterStates(states)), states);
}

TEST(SimStation, VaneIsTurnedBackByTheConfiguredOffset) {
  Station st({{"WM033_MICROLAN", "sim"}});
  TWM033f1& f = st.Create();
  Configure(st, f);
  ASSERT_EQ(f.bWindDirRotation, 9);  // the demo's line u: offset j
  const onewire::sim::WeatherModel weather(f.env().sim_seed);
  uint16_t code = 1;
  int32_t dall = 0;
  f.DML2450Init(10, code, dall);
  ASSERT_EQ(code, 0);
  for (int hour = 0; hour < 48; hour += 3) {
    // Early in a minute, so that the reading and the model see the same minute.
    st.platform.now = EncodeDayCount(2012, 8, 23, hour % 24, 0, 5) + hour / 24;
    uint16_t v[4];
    f.DMLGet2540ADC(10, v[0], v[1], v[2], v[3], code, dall);
    ASSERT_EQ(code, 0);
    const int raw = RawWindDirection(
        WindPattern(v[0], v[1], v[2], v[3], f.iWindLowThreshold, f.iWindHighThreshold),
        f.bWindDirTable);
    EXPECT_EQ(DisplayedWindDirection(raw, f.bWindDirRotation), weather.VaneSector(st.platform.now))
        << "hour " << hour;
  }
}

}  // namespace
}  // namespace wm033::testing
