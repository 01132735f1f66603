// What the soak checks in a station's files after each run: every data log line is a
// well-formed record of its type (apart from a record the soak itself cut short, which must
// stand alone on its line), what was in the log before a run is still there unchanged after it,
// and the error log's lines of a run are numbered on from 1, with summary lines that account
// for the numbers of repeated errors, and are the lines the run printed.
// Header-only: the soak tool and its tests include it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/error_repeats.h"
#include "datalog/history_decode.h"

namespace wm033::soak {

constexpr std::string_view kLogHeader1 = "cm Data Log File for WM033";
constexpr std::string_view kLogHeader2 = "cm created:(following is date/time, encoded) ";
constexpr std::string_view kStartRecordText = " ~ ~ ~ System started, WM033 version: ";
constexpr std::string_view kWindOptionsText = " ~ ~ ~ Wind Dir Offset:";
constexpr std::string_view kErrorLogHeader = "WM033 Error log. Created by the program ";
constexpr size_t kStampLength = 8;
constexpr size_t kTypeLength = 2;
constexpr size_t kTalliesDigits = 34;  // 17 tallies of at least two hex digits

inline bool AllOf(std::string_view s, bool (*pred)(char)) {
  for (char c : s)
    if (!pred(c)) return false;
  return true;
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline bool IsUpperHex(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F');
}
inline bool IsPrintable(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
}

// Day count of an 8-character stamp, or nullopt when it is not one.
inline std::optional<double> StampDay(std::string_view stamp) {
  if (stamp.size() != kStampLength) return std::nullopt;
  // The decoder takes two characters past the stamp and does not look at them.
  std::string text(stamp);
  text += "00";
  double day = 0;
  if (!StampToDateTime(text, day)) return std::nullopt;
  return day;
}

// Why one data log line (without its CR LF) is not a well-formed record of its type, or "" when
// it is. `first_day`/`last_day` bound the stamps (day counts; 0 for no bound).
inline std::string RecordProblem(std::string_view line, double first_day = 0, double last_day = 0) {
  if (line == kLogHeader1) return "";
  if (line.substr(0, kLogHeader2.size()) == kLogHeader2) {
    return StampDay(line.substr(kLogHeader2.size())) ? "" : "header line with a bad stamp";
  }
  if (line.size() < kTypeLength + kStampLength) return "too short for a record";
  const std::string_view type = line.substr(0, kTypeLength);
  const auto day = StampDay(line.substr(kTypeLength, kStampLength));
  if (!day) return "bad time stamp";
  // A minute's slack each way: stamps are cut to the minute.
  if (first_day > 0 && *day < first_day - 1.0 / 1440) return "time stamp before the run began";
  if (last_day > 0 && *day > last_day + 1.0 / 1440) return "time stamp after the run ended";
  const std::string_view field = line.substr(kTypeLength + kStampLength);
  if (type == "ws" || type == "rf" || type == "lt" || type == "b1" || type == "b2") {
    uint32_t count;
    return ReadCounterField(field, count) ? "" : "bad counter field";
  }
  if (type == "bp" || type == "hm") {
    int32_t value;
    return ReadAnalogueField(field, value) ? "" : "bad pressure or humidity field";
  }
  if (type.size() == 2 && type[0] == 't' && type[1] >= '0' && type[1] <= '4') {
    double celsius;
    return field.size() == 5 && ReadTemperatureField(field, celsius) ? "" : "bad temperature field";
  }
  if (type == "wd") {
    return field.size() >= kTalliesDigits && AllOf(field, IsUpperHex) ? "" : "bad tallies field";
  }
  if (type == "ss") {
    return field.size() > kStartRecordText.size() &&
                   field.substr(0, kStartRecordText.size()) == kStartRecordText
               ? ""
               : "bad start record";
  }
  if (type == "wo") {
    return field.substr(0, kWindOptionsText.size()) == kWindOptionsText ? ""
                                                                        : "bad wind options record";
  }
  if (type == "cm") return AllOf(field, IsPrintable) ? "" : "control character in a comment";
  return "unknown record type";
}

// The data log as the soak sees it across runs.
class DataLogChecker {
 public:
  // `existing` is the log as it was before the soak began; it is not judged, only kept.
  explicit DataLogChecker(std::string existing = "")
      : snapshot_(std::move(existing)), checked_to_(snapshot_.size()) {
    // A log that ends inside a line is judged from that line's start.
    while (checked_to_ > 0 && snapshot_[checked_to_ - 1] != '\n') --checked_to_;
  }

  void SetStampBounds(double first_day, double last_day) {
    first_day_ = first_day;
    last_day_ = last_day;
  }

  // Judges the log as it is now: the last snapshot must be a prefix of it, and every complete
  // line not judged before must be a record. Problems are appended to `problems`.
  void Check(const std::string& now, std::vector<std::string>& problems) {
    if (now.size() < snapshot_.size() || now.compare(0, snapshot_.size(), snapshot_) != 0) {
      size_t at = 0;
      while (at < snapshot_.size() && at < now.size() && snapshot_[at] == now[at]) ++at;
      problems.push_back(
          "data log: what was there before changed or was lost (first difference "
          "at byte " +
          std::to_string(at) + ", " + std::to_string(snapshot_.size()) + " bytes before, " +
          std::to_string(now.size()) + " now)");
    } else {
      size_t start = checked_to_;
      while (true) {
        const size_t nl = now.find('\n', start);
        if (nl == std::string::npos) break;
        JudgeLine(now, start, nl, problems);
        start = nl + 1;
      }
      checked_to_ = start;
    }
    snapshot_ = now;
  }

  // Cuts the last complete line short as a power failure would: `keep` characters of its text
  // stay (keep >= its length keeps the whole text and drops `keep - length` fewer line-end
  // bytes: length + 1 leaves the CR, length the text alone). Returns the log as cut, which the
  // caller writes back; nothing when there is no line to cut.
  std::optional<std::string> CutLastLine(size_t keep) {
    const std::string& s = snapshot_;
    if (s.size() < 2 || s[s.size() - 1] != '\n' || s[s.size() - 2] != '\r') return std::nullopt;
    size_t begin = s.rfind('\n', s.size() - 2);
    begin = begin == std::string::npos ? 0 : begin + 1;
    if (begin < checked_from_soak_start_) return std::nullopt;
    const size_t length = s.size() - 2 - begin;
    if (length == 0) return std::nullopt;
    const size_t kept = std::min(keep, length + 1);
    // A line cut to nothing is simply gone; the next record may start where it began.
    if (kept > 0) fragments_[begin] = s.substr(begin, std::min(kept, length));
    snapshot_ = s.substr(0, begin + kept);
    checked_to_ = begin;
    ++cuts_;
    return snapshot_;
  }

  // Marks where the soak's own records begin (lines before it are the station's old log).
  void MarkSoakStart() { checked_from_soak_start_ = snapshot_.size(); }

  const std::string& Snapshot() const { return snapshot_; }
  int64_t LinesChecked() const { return lines_checked_; }
  int Cuts() const { return cuts_; }
  // The log ends with a whole line.
  bool EndsWholeLine() const { return snapshot_.empty() || snapshot_.back() == '\n'; }

 private:
  void JudgeLine(const std::string& s, size_t begin, size_t nl,
                 std::vector<std::string>& problems) {
    ++lines_checked_;
    std::string_view line(s.data() + begin, nl - begin);
    if (line.empty() || line.back() != '\r') {
      problems.push_back("data log line at byte " + std::to_string(begin) +
                         " does not end with CR LF: " + Shown(line));
      return;
    }
    line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos) {
      problems.push_back("data log line at byte " + std::to_string(begin) +
                         " holds a CR inside: " + Shown(line));
      return;
    }
    const auto cut = fragments_.find(begin);
    if (cut != fragments_.end()) {
      // A record cut short may stay as it is, or be whole, but nothing may follow it on its line.
      if (line == cut->second) return;
      problems.push_back("data log line at byte " + std::to_string(begin) + " was cut short to \"" +
                         cut->second + "\" and a record was glued on: " + Shown(line));
      return;
    }
    const std::string why = RecordProblem(line, first_day_, last_day_);
    if (!why.empty()) {
      problems.push_back("data log line at byte " + std::to_string(begin) + ": " + why + ": " +
                         Shown(line));
    }
  }

  static std::string Shown(std::string_view line) {
    std::string out;
    for (char c : line.substr(0, 120)) {
      if (IsPrintable(c)) {
        out += c;
      } else {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const auto u = static_cast<unsigned char>(c);
        out += std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
      }
    }
    return "\"" + out + (line.size() > 120 ? "...\"" : "\"");
  }

  std::string snapshot_;
  size_t checked_to_ = 0;                    // lines before this offset were judged
  size_t checked_from_soak_start_ = 0;       // never cut the station's old lines
  std::map<size_t, std::string> fragments_;  // line offset -> the text left by a cut
  double first_day_ = 0, last_day_ = 0;
  int64_t lines_checked_ = 0;
  int cuts_ = 0;
};

// The number of an error line "N: text stamp", or -1.
inline int64_t ErrorLineNumber(std::string_view line) {
  size_t i = 0;
  int64_t n = 0;
  while (i < line.size() && i < 12 && IsDigit(line[i])) n = n * 10 + (line[i++] - '0');
  if (i == 0 || i + 1 >= line.size() || line[i] != ':' || line[i + 1] != ' ') return -1;
  return n;
}

// Whether a line the program printed belongs in the error log: a numbered error line or the
// summary of an error's repeats.
inline bool IsErrorLogLine(std::string_view line) {
  return ErrorLineNumber(line) >= 0 ||
         line.substr(0, kRepeatSummaryStart.size()) == kRepeatSummaryStart;
}

// Judges the error log lines that one run appended (`appended`: the bytes after the log's size
// at the run's start; `with_header` when the run created the log) against the error log lines
// the run printed, in their order (`printed`). Within a run:
//  - the lines are the printed ones in the printed order; a run whose file writes were limited
//    (`writes_limited`) may miss some, and a killed one the last;
//  - numbered lines count on from 1 (16-bit, so 65535 is followed by 0); a gap in the numbers
//    is made of repeats of an error that were counted, not written;
//  - a summary of repeats follows the first line of its error (same text, "since number" its
//    number), its counts run on from the error's previous summary, and no numbered line after
//    it has a number at or below its last repeat's;
//  - the summaries never count more repeats than the gaps hold, and after a Quit (`quit`), when
//    every count owed has been written, exactly as many.
inline void CheckErrorLogRun(std::string_view appended, bool with_header, bool writes_limited,
                             bool quit, const std::vector<std::string>& printed, int run,
                             std::vector<std::string>& problems) {
  const std::string where = "error log, run " + std::to_string(run) + ": ";
  if (!appended.empty() && appended.back() != '\n') {
    problems.push_back(where + "the last line is not whole");
  }
  constexpr int64_t kWrap = 65536;
  // The smallest number above `floor` that reads as `shown` in 16 bits.
  auto unwrap = [&](int64_t shown, int64_t floor) {
    return floor + 1 + ((shown - (floor + 1)) % kWrap + kWrap) % kWrap;
  };
  struct Episode {
    int64_t first = 0, last = 0;  // numbers, unwrapped
    uint64_t in_all = 1;
  };
  std::map<std::string, Episode> episodes;  // by error text
  int64_t last_numbered = 0, floor = 0, numbered = 0;
  uint64_t counted = 0;  // repeats the summaries count
  size_t next_printed = 0;
  bool first = true;
  size_t start = 0;
  auto head = [](std::string_view l) { return l.substr(0, l.find('\r')); };
  while (start < appended.size()) {
    size_t nl = appended.find("\r\n", start);
    if (nl == std::string_view::npos) break;
    const std::string_view line = appended.substr(start, nl - start);
    start = nl + 2;
    if (first && with_header) {
      first = false;
      if (line.substr(0, kErrorLogHeader.size()) != kErrorLogHeader)
        problems.push_back(where + "the new log does not start with its header line");
      continue;
    }
    first = false;
    const std::string shown(line.substr(0, 80));
    // The line must be the next one printed (a text with a line break inside was printed over
    // several lines: its first must match).
    size_t at = next_printed;
    while (at < printed.size() && head(printed[at]) != head(line) && writes_limited) ++at;
    if (at >= printed.size() || head(printed[at]) != head(line)) {
      problems.push_back(where + "a line that was not printed there: " + shown);
    } else {
      next_printed = at + 1;
    }

    RepeatSummary sum;
    if (ParseRepeatSummaryLine(line, sum)) {
      auto it = episodes.find(sum.text);
      if (it == episodes.end() || it->second.first % kWrap != sum.first_number) {
        problems.push_back(where + "a summary of repeats without its first line: " + shown);
        continue;
      }
      Episode& e = it->second;
      if (sum.more == 0 || sum.in_all != e.in_all + sum.more)
        problems.push_back(where + "a summary whose counts do not run on: " + shown);
      e.in_all = sum.in_all;
      e.last = unwrap(sum.last_number, e.last);
      floor = std::max(floor, e.last);
      counted += sum.more;
      continue;
    }
    const int64_t n = ErrorLineNumber(line);
    if (n < 0) {
      problems.push_back(where + "a line without a number: " + shown);
      continue;
    }
    const int64_t above = std::max(last_numbered, floor);
    const int64_t u = unwrap(n, above);
    if (numbered == 0 && u != 1 && !writes_limited)
      problems.push_back(where + "the first line is " + std::to_string(n) + ", not 1");
    // Summaries come hourly, so a true gap is far shorter than half the 16-bit range: a number
    // that far on is one that went back.
    if (u - above > kWrap / 2)
      problems.push_back(where + "line " + std::to_string(n) + " out of turn");
    last_numbered = u;
    ++numbered;
    // "N: text stamp": a new episode of this text.
    const size_t colon = line.find(": ");
    if (line.size() >= colon + 2 + 1 + kStampLength) {
      const std::string text(line.substr(colon + 2, line.size() - colon - 2 - 1 - kStampLength));
      episodes[text] = Episode{u, u, 1};
    }
  }
  // Numbers used and not on a numbered line are repeats.
  const int64_t used = std::max(last_numbered, floor);
  const uint64_t gaps = static_cast<uint64_t>(std::max<int64_t>(0, used - numbered));
  if (!writes_limited && counted > gaps)
    problems.push_back(where + "the summaries count " + std::to_string(counted) +
                       " repeats, the numbers leave room for " + std::to_string(gaps));
  if (!writes_limited && quit && counted != gaps)
    problems.push_back(where + "after Quit " + std::to_string(gaps) +
                       " numbers are missing but the summaries count " + std::to_string(counted));
}

}  // namespace wm033::soak
