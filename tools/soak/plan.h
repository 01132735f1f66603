// The soak's timetable, drawn from a seed so that a failing soak can be run again exactly:
// chip faults that come and go, bus shorts, a full disk and a page folder that cannot be
// written for a while, and kills at random moments (some followed by a record cut short, as a
// power cut leaves it). Times are simulated seconds from the soak's start. Header-only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace wm033::soak {

constexpr double kDay = 86400;
constexpr double kHour = 3600;
constexpr double kMinute = 60;
// No restart in the last hours of a day, so that the memory taken at the day's end is that of a
// copy that has been running for a while.
constexpr double kQuietBeforeDayEnd = 2 * kHour;
// Nothing happens in the first and last stretch of the soak: the first start settles, and the
// page has time to be refreshed after the last fault clears.
constexpr double kQuietStart = 10 * kMinute;
constexpr double kQuietEnd = 1 * kHour;

enum class EpisodeKind { kChipFault, kBusShort, kDiskFull, kPageFolderGone };

struct Episode {
  EpisodeKind kind;
  double start, end;
  char letter = 0;    // chip faults: the configuration line
  std::string fault;  // chip faults: absent, badcrc, stuck, poweron, reset
  int64_t extra = 0;  // disk full: bytes allowed past the log's size; page folder: 0 file, 1 link
};

struct Kill {
  double at;
  bool cut = false;  // cut the last record short before the next start
  int64_t keep = 0;  // characters of its text kept (see DataLogChecker::CutLastLine)
};

struct Plan {
  std::vector<Episode> episodes;
  std::vector<Kill> kills;
  double length = 0;
};

// A chip the soak may break: its configuration line letter and family code (two hex digits).
struct PlanChip {
  char letter;
  std::string family;
};

// The faults that fit a chip of a family.
inline std::vector<std::string> FaultsFor(const std::string& family) {
  if (family == "10" || family == "28") return {"absent", "badcrc", "stuck", "poweron"};
  if (family == "26") return {"absent", "badcrc", "stuck", "poweron"};
  if (family == "1D") return {"absent", "badcrc", "reset"};
  if (family == "20") return {"absent", "badcrc", "stuck"};
  return {"absent"};
}

// A small generator of our own, so that a seed gives the same soak with any library.
class SoakRandom {
 public:
  explicit SoakRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  uint64_t Next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(Next() >> 11) / 9007199254740992.0;
  }
  int64_t Below(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(Next() % n); }

 private:
  uint64_t state_;
};

// True when a restart at `t` would fall in the quiet time before a day's end.
inline bool InQuietBeforeDayEnd(double t) {
  const double into_day = t - kDay * static_cast<int64_t>(t / kDay);
  return into_day > kDay - kQuietBeforeDayEnd;
}

// Moves a restart out of the quiet time before a day's end, to just after the day begins.
inline double OutOfQuiet(double t) {
  if (!InQuietBeforeDayEnd(t)) return t;
  return kDay * (static_cast<int64_t>(t / kDay) + 1) + 5 * kMinute;
}

inline Plan MakePlan(uint64_t seed, int days, const std::vector<PlanChip>& chips) {
  SoakRandom rnd(seed);
  Plan plan;
  plan.length = kDay * days;
  const double first = kQuietStart, last = plan.length - kQuietEnd;
  if (last <= first) return plan;
  auto fits = [&](double s, double e) { return s >= first && e <= last; };

  // Chip faults, about three a day, never two at once on the same chip.
  if (!chips.empty()) {
    for (int i = 0; i < 3 * days; ++i) {
      const PlanChip& chip = chips[rnd.Below(static_cast<int64_t>(chips.size()))];
      const auto faults = FaultsFor(chip.family);
      Episode e{EpisodeKind::kChipFault,
                0,
                0,
                chip.letter,
                faults[rnd.Below(static_cast<int64_t>(faults.size()))],
                0};
      e.start = rnd.Uniform(first, last);
      e.end = e.start + rnd.Uniform(20 * kMinute, 4 * kHour);
      bool clash = !fits(e.start, e.end);
      for (const Episode& o : plan.episodes)
        if (o.letter == e.letter && e.start < o.end + kMinute && o.start < e.end + kMinute)
          clash = true;
      if (!clash) plan.episodes.push_back(e);
    }
  }
  // A short on the bus now and then.
  for (int i = 0; i < (days + 3) / 4; ++i) {
    Episode e{EpisodeKind::kBusShort, 0, 0, 0, "", 0};
    e.start = rnd.Uniform(first, last);
    e.end = e.start + rnd.Uniform(5 * kMinute, 20 * kMinute);
    if (fits(e.start, e.end)) plan.episodes.push_back(e);
  }
  // A full disk (the data log may not grow) for a while; it starts and ends with a restart.
  const int disk_fulls = std::max(1, days / 4);
  for (int i = 0, tries = 0; i < disk_fulls && tries < 100; ++tries) {
    Episode e{EpisodeKind::kDiskFull, 0, 0, 0, "", 0};
    e.start = OutOfQuiet(rnd.Uniform(first, last));
    e.end = OutOfQuiet(e.start + rnd.Uniform(30 * kMinute, 3 * kHour));
    e.extra = rnd.Below(40);
    bool clash = !fits(e.start, e.end);
    for (const Episode& o : plan.episodes)
      if (o.kind == EpisodeKind::kDiskFull && e.start < o.end + kHour && o.start < e.end + kHour)
        clash = true;
    if (clash) continue;
    plan.episodes.push_back(e);
    ++i;
  }
  // A page folder that cannot be written: replaced by a plain file, or by a dangling link.
  const int page_gones = std::max(1, days / 2);
  for (int i = 0, tries = 0; i < page_gones && tries < 100; ++tries) {
    Episode e{EpisodeKind::kPageFolderGone, 0, 0, 0, "", 0};
    e.start = rnd.Uniform(first, last);
    e.end = e.start + rnd.Uniform(20 * kMinute, 2 * kHour);
    e.extra = rnd.Below(2);
    bool clash = !fits(e.start, e.end);
    for (const Episode& o : plan.episodes)
      if (o.kind == EpisodeKind::kPageFolderGone && e.start < o.end + kMinute &&
          o.start < e.end + kMinute)
        clash = true;
    if (clash) continue;
    plan.episodes.push_back(e);
    ++i;
  }
  // Kills, about four a day; four in ten leave the last record cut short.
  const int kills = std::max(2, 4 * days);
  for (int i = 0; i < kills; ++i) {
    Kill k;
    k.at = OutOfQuiet(rnd.Uniform(first, last));
    if (k.at > last) continue;
    k.cut = rnd.Below(10) < 4;
    k.keep = rnd.Below(24);
    plan.kills.push_back(k);
  }
  if (!plan.kills.empty() &&
      std::none_of(plan.kills.begin(), plan.kills.end(), [](const Kill& k) { return k.cut; }))
    plan.kills.front().cut = true;
  std::sort(plan.kills.begin(), plan.kills.end(),
            [](const Kill& a, const Kill& b) { return a.at < b.at; });
  std::sort(plan.episodes.begin(), plan.episodes.end(),
            [](const Episode& a, const Episode& b) { return a.start < b.start; });
  return plan;
}

// The fault list (in the form the simulated MicroLan reads) in force at `t`.
inline std::string FaultsAt(const Plan& plan, double t) {
  std::map<char, std::string> by_letter;
  bool short_now = false;
  for (const Episode& e : plan.episodes) {
    if (t < e.start || t >= e.end) continue;
    if (e.kind == EpisodeKind::kChipFault) by_letter[e.letter] = e.fault;
    if (e.kind == EpisodeKind::kBusShort) short_now = true;
  }
  std::string out;
  for (const auto& [letter, fault] : by_letter) {
    if (!out.empty()) out += ',';
    out += std::string(1, letter) + "=" + fault;
  }
  if (short_now) out += std::string(out.empty() ? "" : ",") + "bus=short";
  return out;
}

// The episode of `kind` in force at `t`, or null.
inline const Episode* EpisodeAt(const Plan& plan, EpisodeKind kind, double t) {
  for (const Episode& e : plan.episodes)
    if (e.kind == kind && t >= e.start && t < e.end) return &e;
  return nullptr;
}

}  // namespace wm033::soak
