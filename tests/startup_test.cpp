#include <gtest/gtest.h>

#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

TEST(Startup, ErrorWindowHoldsTheTwoHeaderLines) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  const int n = s.errdisp.Memo1.Count();
  ASSERT_GE(n, 2);
  EXPECT_EQ(s.errdisp.Memo1.Line(n - 2).rfind("Errors since program last restarted....", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(n - 1).rfind("And \"WD(a)\"", 0), 0u);
  EXPECT_TRUE(f.bCycleReady);
  EXPECT_TRUE(f.Timer1.Enabled());
  EXPECT_EQ(f.Timer1.Interval(), 1600u);
  EXPECT_EQ(f.Caption(),
            "Demo station Weather monitor- WM033 Ver: 23Aug12c    (Use \"About\" to get component "
            "unit versions)");
}

}  // namespace
}  // namespace wm033::testing
