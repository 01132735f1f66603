// A round trip: the simulated station runs for a simulated day and more, the program starts
// again, and the pane redrawn from the data log matches the live one.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "datalog/history_decode.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

// Where a logged record of channels 0 to 9 puts its pixel, or false for other records.
bool PixelOf(TWM033f1& f, const std::string& line, int& x, int& y, Colour& colour) {
  if (line.size() < 12) return false;
  double t = 0;
  if (!StampToDateTime(line.substr(2, 10), t)) return false;
  x = f.TimeToX(t);
  const std::string code = line.substr(0, 2), field = line.substr(10);
  uint32_t count;
  int32_t analogue;
  double celsius;
  int channel = -1;
  if (code == "rf" || code == "ws" || code == "lt") {
    channel = code == "rf" ? 5 : code == "ws" ? 6 : 7;
    if (!ReadCounterField(field, count)) return false;
    y = f.wYCoord(count, channel);
  } else if (code == "bp" || code == "hm") {
    channel = code == "bp" ? 8 : 9;
    if (!ReadAnalogueField(field, analogue)) return false;
    y = f.AnalogueY(channel, analogue);
  } else if (code[0] == 't' && code[1] >= '0' && code[1] <= '4') {
    channel = code[1] - '0';
    if (!ReadTemperatureField(field, celsius)) return false;
    y = f.TemperatureY(channel, static_cast<float>(celsius));
  } else {
    return false;
  }
  colour = f.clChannel[static_cast<size_t>(channel)];
  return true;
}

TEST(HistoryRoundTrip, ReloadedPaneMatchesTheLiveOne) {
  // The data log on a memory file system when there is one: thousands of synced lines.
  const std::string drive =
      (std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path()) /
      ("wm033-roundtrip-" + std::to_string(::getpid()));
  std::filesystem::create_directories(drive);
  Station s({{"WM033_DRIVE_C", drive}, {"WM033_MICROLAN", "sim"}});
  s.CopyDemo();
  std::filesystem::copy(
      std::string(WM033_SOURCE_DIR) + "/demo", drive,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  s.Start();
  const int ticks = static_cast<int>(1.2 * 86400 / 1.6);
  s.Ticks(ticks);
  const display::Bitmap live = s.form->imMainGraphPane.Picture();

  s.form->buQuitClick();
  TWM033f1& f = s.Start();
  const display::Bitmap& reloaded = f.imMainGraphPane.Picture();

  struct Placed {
    int x, y;
    Colour colour;
  };
  std::vector<Placed> placed;
  std::map<std::pair<int, int>, std::set<Colour>> at;  // colours logged for each row and column
  std::ifstream in(drive + "/WM33DtLg.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Placed p;
    if (!PixelOf(f, line, p.x, p.y, p.colour) || p.x <= 2 || p.x >= 778) continue;
    placed.push_back(p);
    at[{p.x, p.y}].insert(p.colour);
  }
  // Records drawn on the same pixel cover each other (in time order live, newest first on
  // reload), so a pixel may show any of the readings logged there.
  auto logged_near = [&](int x, int y, Colour c, int reach) {
    for (int dx = -reach; dx <= reach; ++dx) {
      auto it = at.find({x + dx, y});
      if (it != at.end() && it->second.count(c)) return true;
    }
    return false;
  };
  int redrawn = 0, matched_live = 0;
  for (const Placed& p : placed) {
    redrawn += logged_near(p.x, p.y, reloaded.GetPixel(p.x, p.y), 0);
    bool near = false;
    for (int dx = -1; dx <= 1; ++dx) near |= logged_near(p.x, p.y, live.GetPixel(p.x + dx, p.y), 2);
    matched_live += near;
  }
  const int records = static_cast<int>(placed.size());
  std::filesystem::remove_all(drive);
  ASSERT_GT(records, 1000);
  EXPECT_GT(redrawn, records * 995 / 1000) << redrawn << " of " << records;
  // Live, readings that were plotted but not logged may cover a logged pixel as well.
  EXPECT_GT(matched_live, records * 97 / 100) << matched_live << " of " << records;
}

}  // namespace
}  // namespace wm033::testing
