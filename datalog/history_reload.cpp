// Redrawing the graph from the data log at start-up: the log's recent part is read back in one
// block, newest line first, and every record is drawn where its stamp places it, as the live
// routines drew it. A record that is cut short or damaged is skipped with an error line; it
// never stops the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/wm033f1.h"
#include "datalog/history_decode.h"

namespace wm033 {

namespace {

constexpr int64_t kWindowBytes = 800000;   // read back at most this far from the end
constexpr int64_t kSlackBytes = 4096;      // room for the line that crosses the window's edge
constexpr int64_t kChunkBytes = 65536;     // further reading when a line is longer still
constexpr int64_t kLongestLine = 1 << 20;  // a "line" longer than this is not looked at
constexpr double kNoTime = 999999;
constexpr int kMaxSkipReports = 20;  // damaged records reported one by one per reload

enum class Kind { None, Rain, Lightning, Wind, OnOff1, OnOff2, Baro, Hum, WindDir, Tture };

Kind KindOf(std::string_view line, int& tture_channel) {
  if (line.size() < 2) return Kind::None;
  const char a = line[0], b = line[1];
  if (a == 'r' && b == 'f') return Kind::Rain;
  if (a == 'l' && b == 't') return Kind::Lightning;
  if (a == 'w' && b == 's') return Kind::Wind;
  if (a == 'b' && b == '1') return Kind::OnOff1;
  if (a == 'b' && b == '2') return Kind::OnOff2;
  if (a == 'b' && b == 'p') return Kind::Baro;
  if (a == 'h' && b == 'm') return Kind::Hum;
  if (a == 'w' && b == 'd') return Kind::WindDir;
  if (a == 't' && b >= '0' && b <= '4') {
    tture_channel = b - '0';
    return Kind::Tture;
  }
  return Kind::None;
}

// The text that names a record whose value does not read. Such a record is skipped and the
// reload goes on; the texts of the records that once ended the program say so.
const char* BadValueText(Kind k, int tture_channel) {
  switch (k) {
    case Kind::Rain:
      return "Problem with val call, old rainfall datum. Datum skipped over.";
    case Kind::Lightning:
      return "Problem with Val call, old lightning datum. Datum skipped over.";
    case Kind::Wind:
      return "Problem with val call, old windspeed datum. Datum skipped over.";
    case Kind::OnOff1:
    case Kind::OnOff2:
      return "Problem with val call, old on/off datum. Datum skipped over, the program goes on.";
    case Kind::Baro:
      return "Problem with val call, old barometric pressure datum. Datum skipped over, the "
             "program goes on.";
    case Kind::Hum:
      return "Problem with val call, 30Aug03a, old humidity datum. Datum skipped over, the "
             "program goes on.";
    case Kind::WindDir:
      return "Problem with val call, 10Aug03a, old wind direction datum. Datum skipped over, the "
             "program goes on.";
    case Kind::Tture:
      if (tture_channel <= 1)
        return "Err 15Jun03c.. Old temperature datum skipped over, the program goes on.";
      if (tture_channel == 2)
        return "Err 15Jun03ca.. Old temperature datum skipped over, the program goes on.";
      if (tture_channel == 3)
        return "Err 15Jun03cb.. Old temperature datum skipped over, the program goes on.";
      return "Err 15Jun03cc.. Old temperature datum skipped over, the program goes on.";
    case Kind::None:
      break;
  }
  return "";
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Reads [from, to) of the file into out; false on a read error.
bool ReadRange(int fd, int64_t from, int64_t to, std::vector<char>& out) {
  out.resize(static_cast<size_t>(to - from));
  int64_t done = 0;
  while (from + done < to) {
    const ssize_t n = ::pread(fd, out.data() + done, static_cast<size_t>(to - from - done),
                              static_cast<off_t>(from + done));
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

void TWM033f1::ReloadHistory() {
  bReloadStop = false;
  const double now = platform_.Now();
  dtReference = now;
  rsDayMarker = static_cast<float>(std::floor(now));
  if (fDataLog.IsOpen()) CloseDataLog();
  bReloadInProgress = false;
  iReloadSkipped = 0;
  iReloadLongTallies = 0;
  bReloadTalliesTaken = false;
  const auto path = MapPath(env_, sDataLogName);
  if (!path) return;
  const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;  // no data log yet: nothing to redraw
  iReloadFd = fd;
  bReloadInProgress = true;

  struct stat st;
  const int64_t size = ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  int64_t base = std::max<int64_t>(0, size - kWindowBytes - kSlackBytes);
  std::vector<char> buf;
  bool ok = size > 0 && ReadRange(fd, base, size, buf);
  auto at = [&](int64_t pos) { return buf[static_cast<size_t>(pos - base)]; };

  int64_t end = size;
  while (ok && end > base && IsLineEnd(at(end - 1))) --end;
  while (ok && !bReloadStop && end > 0 && bReloadInProgress) {
    int64_t start = end;
    for (;;) {
      while (start > base && !IsLineEnd(at(start - 1))) --start;
      if (start > base || base == 0 || end - start > kLongestLine) break;
      // The line goes on before what was read: read further back.
      const int64_t more = std::max<int64_t>(0, base - kChunkBytes);
      std::vector<char> earlier;
      if (!ReadRange(fd, more, base, earlier)) {
        ok = false;
        break;
      }
      earlier.insert(earlier.end(), buf.begin(), buf.end());
      buf.swap(earlier);
      base = more;
    }
    if (!ok) break;
    // The file's first two bytes belong to the header comment, never to a record.
    const int64_t from = std::max<int64_t>(start, 2);
    if (from < end && end - from <= kLongestLine)
      DecodeHistoryRecord(std::string_view(&buf[static_cast<size_t>(from - base)],
                                           static_cast<size_t>(end - from)));
    end = start;
    while (end > base && IsLineEnd(at(end - 1))) --end;
    // Everything read from the end counts, line ends included; the line that crossed the
    // window's edge was the last.
    if (size - end > kWindowBytes) break;
  }
  if (iReloadLongTallies > 1)
    ReportError(std::to_string(iReloadLongTallies - 1) +
                " older \"wd\" records were not 44 characters long either; the wind direction "
                "tallies come from the newest one that is.");
  if (iReloadSkipped > kMaxSkipReports)
    ReportError(std::to_string(iReloadSkipped - kMaxSkipReports) +
                " more damaged records of the data log were skipped while redrawing the graph.");
  if (iReloadFd >= 0) ::close(iReloadFd);
  iReloadFd = -1;
  bReloadInProgress = false;
  if (bErrorLogOn) fErrorLog.Sync();  // the error lines of the pass, all at once
  bOnOffSeen[1] = bOnOffSeen[2] = false;
  imMainGraphPane.Repaint();
}

void TWM033f1::DecodeHistoryRecord(std::string_view line) {
  int n = 0;
  const Kind kind = KindOf(line, n);
  if (kind == Kind::None) return;  // comments, start-up records, header lines
  auto skip = [&](const std::string& text) {
    if (++iReloadSkipped <= kMaxSkipReports) ReportError(text);
  };
  const std::string stamp_text(line.substr(2, 10));
  if (kind == Kind::WindDir && line.size() != 44) {
    // Tallies of 256 and more make the record longer, and it cannot be split into its 17
    // counts. Such records are normal after a day's running, so the newest is named and the
    // rest only counted.
    if (++iReloadLongTallies == 1)
      ReportError(std::string(line.substr(0, 9)) + " Length was: " + std::to_string(line.size()));
    return;
  }
  if (stamp_text.size() != 10) {
    skip(
        "QZDTtoVars was called with length not 10, which is not allowed. Record skipped, the "
        "program goes on: " +
        std::string(line.substr(0, 40)));
    return;
  }
  double record_time = kNoTime;
  if (!StampToDateTime(stamp_text, record_time)) {
    skip(std::string(BadValueText(kind, n)) +
         " The stamp is not a valid date and time: " + stamp_text);
    return;
  }
  // Records of the current minute (x = 780) and records stamped after the reference time
  // (clocks put back) lie right of the pane: they are read like the others, so that they feed
  // the bars' phases and the on/off state, and what they would draw is clipped.
  const int x = TimeToX(record_time);
  const std::string_view field = line.substr(10);
  display::Bitmap& pane = imMainGraphPane.Picture();
  const auto bar = [&](int channel, int64_t height) {
    if (height > 0)
      DrawBar(clChannel[static_cast<size_t>(channel)], x,
              static_cast<int>(std::min<int64_t>(height, kGraphHeight)));
  };
  const int phase = x % 4;

  uint32_t count = 0;
  int32_t analogue = 0;
  double celsius = 0;
  std::array<uint16_t, 17> tallies{};
  bool good = true;
  switch (kind) {
    case Kind::Rain:
    case Kind::Lightning:
    case Kind::Wind:
    case Kind::OnOff1:
    case Kind::OnOff2:
      good = ReadCounterField(field, count);
      break;
    case Kind::Baro:
    case Kind::Hum:
      good = ReadAnalogueField(field, analogue);
      break;
    case Kind::Tture:
      good = ReadTemperatureField(field, celsius);
      break;
    case Kind::WindDir:
      good = ReadTalliesField(field, tallies);
      break;
    case Kind::None:
      break;
  }
  if (!good) {
    skip(std::string(BadValueText(kind, n)) + " " + stamp_text);
  } else {
    switch (kind) {
      case Kind::Rain:
        if (boBarGraph[5]) {
          if (phase == 1) bRainBarDrawn = false;
          if (phase == 2 && !bRainBarDrawn) {
            if (lLastRainBar != kNoneYet) bar(5, int64_t{lLastRainBar} - count);
            bRainBarDrawn = true;
            lLastRainBar = count;
          }
          if (phase == 3 && lLastRainBar == kNoneYet) lLastRainBar = count;
        }
        pane.SetPixel(x, wYCoord(count, 5), clChannel[5]);
        break;
      case Kind::Lightning:
        if (boBarGraph[7]) {
          if (phase == 0) bLightningBarDrawn = false;
          if (phase == 1 && !bLightningBarDrawn) {
            if (lLastLightningBar != kNoneYet) bar(7, int64_t{lLastLightningBar} - count);
            bLightningBarDrawn = true;
            lLastLightningBar = count;
          }
          if (phase == 2 && lLastLightningBar == kNoneYet) lLastLightningBar = count;
        }
        pane.SetPixel(x, wYCoord(count, 7), clChannel[7]);
        break;
      case Kind::Wind:
        if (boBarGraph[6]) {
          if (phase == 1) lLastWindBar = count;
          if (phase == 0 && lLastWindBar != kNoneYet && wWindDivisor != 0)
            bar(6, (int64_t{lLastWindBar} - count) / wWindDivisor);
        }
        pane.SetPixel(x, wYCoord(count, 6), clChannel[6]);
        break;
      case Kind::OnOff1:
      case Kind::OnOff2:
        ApplyOnOffReading(kind == Kind::OnOff1 ? 1 : 2, x, static_cast<int32_t>(count));
        break;
      case Kind::Baro:
        pane.SetPixel(x, AnalogueY(8, analogue), clChannel[8]);
        break;
      case Kind::Hum:
        pane.SetPixel(x, AnalogueY(9, analogue), clChannel[9]);
        break;
      case Kind::Tture:
        pane.SetPixel(x, TemperatureY(n, static_cast<float>(celsius)),
                      clChannel[static_cast<size_t>(n)]);
        break;
      case Kind::WindDir:
        // The tallies are cumulative: the newest record (the first one read) holds them all.
        if (!bReloadTalliesTaken) wWindDirTally = tallies;
        bReloadTalliesTaken = true;
        WM033fControl.laWDa.SetCaption("XXX");
        break;
      case Kind::None:
        break;
    }
  }
  if (x == 0) bReloadStop = true;
  if (record_time < static_cast<double>(rsDayMarker)) {
    DrawDayLine(rsDayMarker);
    rsDayMarker = static_cast<float>(std::floor(record_time));
  }
}

}  // namespace wm033
