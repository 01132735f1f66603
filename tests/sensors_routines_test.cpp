// The sensor routines driven through a TMEX whose chips answer with values the test sets: the
// log rules, the labels, the plotted pixels and the failure paths.
#include <gtest/gtest.h>

#include <deque>

#include "onewire/crc.h"
#include "onewire/tmex.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

// A bus with one answering chip: session calls succeed, bytes sent are echoed, and bytes read
// (255 sent) come from `reads`, 0 when it runs dry. `absent` makes the strong access fail.
class ReplyTmex : public onewire::Tmex {
 public:
  std::deque<uint8_t> reads;
  bool absent = false;
  int sessions = 0;

  int32_t TMExtendedStartSession(int16_t, int16_t, void*) override { return ++sessions; }
  int16_t TMSetup(int32_t) override { return 1; }
  int16_t TMRom(int32_t, uint8_t*, uint16_t*) override { return 1; }
  int16_t TMValidSession(int32_t) override { return 1; }
  int16_t TMStrongAccess(int32_t, uint8_t*) override { return absent ? 0 : 1; }
  int16_t TMTouchByte(int32_t, int16_t b) override {
    if (b != 255) return b;
    if (reads.empty()) return 0;
    const uint8_t v = reads.front();
    reads.pop_front();
    return v;
  }
  int16_t TMTouchReset(int32_t) override { return 1; }
  int16_t TMOneWireLevel(int32_t, int16_t, int16_t, int16_t) override { return 0; }
  int16_t TMEndSession(int32_t) override { return 1; }

  // The page and counter bytes of one DS2423 Read Memory + Counter.
  void Counter(uint32_t count) {
    for (int i = 0; i < 32; ++i) reads.push_back(0);
    for (int i = 0; i < 4; ++i) reads.push_back(static_cast<uint8_t>(count >> (8 * i)));
  }
  // A nine-byte scratchpad with its CRC8.
  void Scratchpad(std::array<uint8_t, 8> bytes) {
    for (uint8_t b : bytes) reads.push_back(b);
    reads.push_back(onewire::Crc8(bytes.data(), bytes.size()));
  }
  // A DS18B20 reading of whole degrees.
  void Ds18b20(int degrees) {
    const uint16_t raw = static_cast<uint16_t>(degrees * 16);
    Scratchpad({static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8), 0x4B, 0x46, 0x7F, 0xFF,
                0x0C, 0x10});
  }
  // A DS2438 page 0 with the voltage in hundredths.
  void Ds2438(uint16_t hundredths) {
    Scratchpad({0x08, 0x00, 0x19, static_cast<uint8_t>(hundredths),
                static_cast<uint8_t>(hundredths >> 8), 0, 0, 0});
  }
  // A DS2450 conversion and its four results.
  void Adc(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    reads.push_back(0);  // CRC16 of the convert command
    reads.push_back(0);
    reads.push_back(255);  // conversion done
    for (uint16_t v : {a, b, c, d}) {
      reads.push_back(static_cast<uint8_t>(v));
      reads.push_back(static_cast<uint8_t>(v >> 8));
    }
  }
};

struct SensorStation : Station {
  ReplyTmex* bus = nullptr;
  SensorStation() {
    CopyDemo();
    Start();
    auto t = std::make_unique<ReplyTmex>();
    bus = t.get();
    form->UseTmex(std::move(t));
    form->liCycleCount = 40;  // past the young-program hint
  }
  std::vector<std::string> Records(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : Lines("WM33DtLg.txt"))
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  // A column advance: the column-logged flags are cleared.
  void NewColumn() { form->bColumnLogged = {}; }
};

TEST(Counters, FirstCallLogsEachCounter) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->Counter(1234);
  f.LookAtWindSpeed();
  s.bus->Counter(7);
  f.LookAtAndDealWithRainfallCount();
  s.bus->Counter(3);
  f.LookLightning();
  EXPECT_EQ(s.Records("ws").back(), "ws" + f.MakeTimeStamp() + "000001234");
  EXPECT_EQ(s.Records("rf").size(), 1u);
  EXPECT_EQ(s.Records("lt").size(), 1u);
  EXPECT_EQ(s.control.laWS.Caption(), "1234");
  EXPECT_EQ(f.imMainGraphPane.Picture().GetPixel(779, f.wYCoord(1234, 6)), f.clChannel[6]);
}

TEST(Counters, WindIsLoggedOnlyWhenItGrewByMoreThan100) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->Counter(1000);
  f.LookAtWindSpeed();
  s.bus->Counter(1100);
  f.LookAtWindSpeed();
  EXPECT_EQ(s.Records("ws").size(), 1u);
  s.bus->Counter(1201);
  f.LookAtWindSpeed();
  EXPECT_EQ(s.Records("ws").size(), 2u);
}

TEST(Counters, ConstantRainIsLoggedByTheCallNumberAndEachColumn) {
  SensorStation s;
  TWM033f1& f = *s.form;
  std::vector<int> logged_at;
  for (int call = 1; call <= 201; ++call) {
    const size_t before = s.Records("rf").size();
    if (call == 150) s.NewColumn();
    s.bus->Counter(500);
    f.LookAtAndDealWithRainfallCount();
    if (s.Records("rf").size() > before) logged_at.push_back(call);
  }
  EXPECT_EQ(logged_at, (std::vector<int>{1, 101, 150, 201}));
}

TEST(Counters, AbsentChipShowsZeroAndLogsNineZerosFirst) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->absent = true;
  f.LookAtAndDealWithRainfallCount();
  EXPECT_EQ(s.control.laRF.Caption(), "0");
  EXPECT_EQ(s.Records("rf").back(), "rf" + f.MakeTimeStamp() + "000000000");
  EXPECT_NE(s.errdisp.Memo1.Line(0).find("During LookAtRain, wQZRErrReturned: 44 and Dallas error"),
            std::string::npos);
  f.LookAtAndDealWithRainfallCount();
  EXPECT_EQ(s.Records("rf").size(), 1u);
}

TEST(Counters, AWrappedCountIsNotAnIncrease) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->Counter(8388607);
  f.LookLightning();
  s.bus->Counter(0x800005);  // bit 23 set: the count wraps to 5
  f.LookLightning();
  EXPECT_EQ(f.lLightningCount, 5);
  EXPECT_EQ(s.Records("lt").size(), 1u);
}

TEST(WindDirection, TableOffsetAndNames) {
  SensorStation s;
  TWM033f1& f = *s.form;
  f.bWindAdcReady = true;
  f.bWindDirTable = 0;
  f.bWindDirRotation = 9;
  s.bus->Adc(65280, 0, 0, 0);  // pattern 2000
  f.LookAtWindDir();
  EXPECT_EQ(s.control.laWDr.Caption(), "2000");
  EXPECT_EQ(s.control.laWDb.Caption(), "0");
  EXPECT_EQ(s.control.laWDi.Caption(), "SSW");
  EXPECT_EQ(s.control.laADCa.Caption(), "65280");
  EXPECT_EQ(f.bDisplayedWindDir, 9);
  f.bWindDirRotation = 15;
  s.bus->Adc(65280, 0, 0, 300);  // 2001: raw 15
  f.LookAtWindDir();
  EXPECT_EQ(s.control.laWDi.Caption(), "NW");
  s.bus->Adc(3000, 3000, 3000, 3000);  // 1111: not in table a
  f.LookAtWindDir();
  EXPECT_EQ(s.control.laWDi.Caption(), "???");
  EXPECT_EQ(f.bDisplayedWindDir, 16);
  EXPECT_EQ(f.wWindDirTally[0], 1);
  EXPECT_EQ(f.wWindDirTally[15], 1);
  EXPECT_EQ(f.wWindDirTally[16], 1);
}

TEST(WindDirection, TalliesAreLoggedAfter181GoodReadings) {
  SensorStation s;
  TWM033f1& f = *s.form;
  f.bWindAdcReady = true;
  for (int i = 0; i < 180; ++i) {
    s.bus->Adc(65280, 0, 0, 0);
    f.LookAtWindDir();
  }
  s.bus->absent = true;  // failed readings do not count
  f.LookAtWindDir();
  s.bus->absent = false;
  f.LogWindTallies();
  EXPECT_TRUE(s.Records("wd").empty());
  EXPECT_EQ(s.control.laADCa.Caption(), "---");
  s.bus->Adc(65280, 0, 0, 0);
  f.LookAtWindDir();
  f.LogWindTallies();
  ASSERT_EQ(s.Records("wd").size(), 1u);
  EXPECT_EQ(s.Records("wd")[0], "wd" + f.MakeTimeStamp() + "B5" + std::string(32, '0'));
  EXPECT_EQ(f.wWindDirReadings, 0);
}

TEST(Analogue, RangeAndLogField) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->Ds2438(999);
  f.LookAtAndDealWithBaro();
  EXPECT_EQ(f.siBaroLatest, 998);  // 9.99 V passes; the single-precision product truncates
  EXPECT_EQ(s.Records("bp").back(), "bp" + f.MakeTimeStamp() + "0998");
  s.NewColumn();
  s.bus->Ds2438(0);
  f.LookAtAndDealWithHum();
  EXPECT_EQ(s.Records("hm").back(), "hm" + f.MakeTimeStamp() + "0000");
  EXPECT_EQ(s.control.laHum.Caption(), "0");
  s.bus->Ds2438(1000);  // 10.00 V: out of range, replaced, not used
  f.LookAtAndDealWithHum();
  EXPECT_NE(s.errdisp.Memo1.Line(0).find("rsHumLatest was >9.99 at line 4 of 10Aug03"),
            std::string::npos);
  EXPECT_FLOAT_EQ(f.rsHumLatest, 9.99f);
  EXPECT_EQ(f.nHumReadings, 1);
}

TEST(Analogue, BusHeldByATemperatureReadRefuses) {
  SensorStation s;
  TWM033f1& f = *s.form;
  f.bMicroLanInUse = 6;
  f.LookAtAndDealWithBaro();
  EXPECT_NE(
      s.errdisp.Memo1.Line(0).find("MicroLan already in use when LookAtAndDealWithBaro tried to "
                                   "call it. Err5May12A"),
      std::string::npos);
  EXPECT_EQ(s.bus->sessions, 0);
}

TEST(OnOff, ContinuousHighTraceAndEdges) {
  SensorStation s;
  TWM033f1& f = *s.form;
  const int low = f.OnOffY(11, 0), high = f.OnOffY(11, 10000);
  display::Bitmap& pane = f.imMainGraphPane.Picture();
  s.bus->Counter(10);
  f.LookOnOff(1);  // the first reading is neither drawn nor shown
  EXPECT_EQ(s.control.laOnOff1.Caption(), "9997999");
  EXPECT_EQ(pane.GetPixel(779, low), f.clWhite);
  f.ScrollGraph();
  s.bus->Counter(10);
  f.LookOnOff(1);  // quiet after quiet: low pixel
  EXPECT_EQ(pane.GetPixel(779, low), f.clChannel[11]);
  f.ScrollGraph();
  s.bus->Counter(11);
  f.LookOnOff(1);  // moving after quiet: an edge from low to one short of high
  for (int y = high + 1; y <= low; ++y) EXPECT_EQ(pane.GetPixel(779, y), f.clChannel[11]) << y;
  EXPECT_EQ(pane.GetPixel(779, high), f.clWhite);
  f.ScrollGraph();
  s.bus->Counter(12);
  f.LookOnOff(1);  // moving after moving: high pixel
  EXPECT_EQ(pane.GetPixel(779, high), f.clChannel[11]);
  EXPECT_EQ(pane.GetPixel(779, low), f.clWhite);
  EXPECT_EQ(s.control.laOnOff1.Caption(), "12");
}

TEST(Temperatures, ShownInTheUnitLoggedInCelsius) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->Ds18b20(20);
  f.LookAtTture(0);
  EXPECT_EQ(s.control.laTture0.Caption(), "68.0");
  EXPECT_EQ(s.Records("t0").back(), "t0" + f.MakeTimeStamp() + "+2000");
  s.NewColumn();
  s.bus->Ds18b20(-5);
  f.LookAtTture(0);
  EXPECT_EQ(s.Records("t0").back(), "t0" + f.MakeTimeStamp() + "-0500");
  s.NewColumn();
  s.bus->Ds18b20(0);
  f.LookAtTture(0);
  EXPECT_EQ(s.Records("t0").back(), "t0" + f.MakeTimeStamp() + "+0000");
  s.NewColumn();
  s.bus->Ds18b20(100);
  f.LookAtTture(0);
  EXPECT_EQ(s.Records("t0").back(), "t0" + f.MakeTimeStamp() + "+A000");
}

TEST(Temperatures, UnchangedReadingIsNotLoggedOnCalls121And122) {
  SensorStation s;
  TWM033f1& f = *s.form;
  for (int call = 1; call <= 120; ++call) {
    s.bus->Ds18b20(15);
    f.LookAtTture(1);
  }
  const size_t n = s.Records("t1").size();
  s.bus->Ds18b20(15);
  f.LookAtTture(1);
  s.bus->Ds18b20(15);
  f.LookAtTture(1);
  EXPECT_EQ(s.Records("t1").size(), n);
  f.nTtureCalls[1] = 240;
  s.bus->Ds18b20(16);
  f.LookAtTture(1);  // call 241, changed
  EXPECT_EQ(s.Records("t1").size(), n + 1);
}

TEST(Temperatures, FailuresLeaveTheChannelAlone) {
  SensorStation s;
  TWM033f1& f = *s.form;
  s.bus->absent = true;
  f.LookAtTture(2);
  EXPECT_EQ(s.control.laTture2.Caption(), "- - -");
  EXPECT_EQ(f.rsTtureLatest[2], 999.0f);
  EXPECT_TRUE(s.Records("t2").empty());
  f.LookAtTture(7);
  EXPECT_NE(s.errdisp.Memo1.Line(0).find("Case stmt needs expanding Err 1 of 3Oct03"),
            std::string::npos);
}

}  // namespace
}  // namespace wm033::testing
