// A whole run of the demo station on the simulated MicroLan, with chips that fail, come back and
// give bad values, compared with golden files: the page, the data log, the error log, the error
// window, the numeric display and the graph pane. Outputs added beside these (the readings file,
// the health page, the PNG) must leave every one of them exactly as it was.
// WM033_UPDATE_GOLDEN=1 rewrites the files in tests/golden/run/ instead of comparing.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <fstream>

#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

const std::string kGoldenDir = std::string(WM033_SOURCE_DIR) + "/tests/golden/run/";

void ExpectSameText(const std::string& name, const std::string& actual) {
  ExpectGoldenFile(kGoldenDir + name, actual);
}

void ExpectSamePane(const display::Bitmap& got) {
  const std::string path = kGoldenDir + "pane.png";
  const QImage image(reinterpret_cast<const uchar*>(got.Data()), got.Width(), got.Height(),
                     got.BytesPerLine(), QImage::Format_RGB32);
  if (std::getenv("WM033_UPDATE_GOLDEN")) {
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return;
  }
  const QImage want = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(want.size(), image.size()) << "missing or wrong " << path;
  int differ = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      if (want.pixel(x, y) != image.pixel(x, y) && differ++ < 5)
        ADD_FAILURE() << "pane pixel (" << x << ", " << y << ") differs";
  EXPECT_EQ(differ, 0);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(StationGolden, FaultyRunKeepsEveryOutputAsItWas) {
  Station s({{"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS_FILE", "faults.txt"}});
  s.CopyDemo();
  // Rain gauge missing, a thermometer with bad CRCs, one just powered up, a stuck vane; the
  // rain gauge comes back half-way through and the pressure chip goes missing instead.
  s.Write("faults.txt", "p=absent,n=badcrc,l=poweron,u=stuck\n");
  TWM033f1& f = s.Start();
  s.Ticks(400);
  s.Write("faults.txt", "s=absent,n=badcrc\n");
  s.Ticks(400);
  const display::Bitmap pane = f.imMainGraphPane.Picture();
  std::string display;
  for (Label* l : s.control.AllLabels()) display += l->Name() + "=" + l->Caption() + "\n";
  f.buQuitClick();

  ExpectSameText("WM033BC.htm", s.Read("web/WM033BC.htm"));
  ExpectSameText("WM33DtLg.txt", s.Read("WM33DtLg.txt"));
  ExpectSameText("WM33ErLg.txt", s.Read("WM33ErLg.txt"));
  ExpectSameText("error-window.txt", Joined(s.errdisp.Memo1.Lines()));
  ExpectSameText("numeric-display.txt", display);
  ExpectSameText("messages.txt", Joined(s.platform.messages));
  ExpectSamePane(pane);
  const QImage jpeg(QString::fromStdString(s.Path("web/WM033BC.jpg")));
  EXPECT_EQ(jpeg.width(), kGraphWidth);
  EXPECT_EQ(jpeg.height(), kGraphHeight);
}

}  // namespace
}  // namespace wm033::testing
