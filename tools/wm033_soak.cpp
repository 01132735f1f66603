// wm033-soak: runs a copy of a station folder for days of simulated time on the simulated
// MicroLan at a high clock rate, with chip faults that come and go, a full disk and a page
// folder that cannot be written for a while, kills at random moments (some followed by a
// record cut short, as a power cut leaves it), and checks the station's files and the
// program's figures after every run. One summary line; exit status 0 when every check passed,
// 1 when one failed, 2 when the soak itself could not run.
//
//   wm033-soak --days N [--seed S] [--rate R] [--station DIR] [--program PATH] [--work DIR]
//              [--start "YYYY-MM-DD HH:MM:SS"] [--max-minutes M] [--keep] [--verbose]
//              [--memory-report-only]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "config/settings.h"
#include "platform/environment.h"
#include "tools/soak/child.h"
#include "tools/soak/log_checks.h"
#include "tools/soak/plan.h"
#include "webpage/atomic_file.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace wm033;
using namespace wm033::soak;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kExitChecksFailed = 1;
constexpr int kExitCannotRun = 2;
constexpr double kUnixEpochDayCount = 25569;  // 1 Jan 1970 as a day count
constexpr double kReloadLimitMs = 50;
constexpr double kMemoryGrowthLimit = 0.10;
constexpr double kRefreshLimitSim = 1 * kHour;  // page and image after a fault cleared
constexpr int kStopTimeoutMs = 15000;
constexpr double kRunSettledRealS = 2;  // a run this old must have reloaded its history
constexpr const char* kDataLog = "WM33DtLg.txt";
constexpr const char* kErrorLog = "WM33ErLg.txt";
constexpr std::string_view kReloadNote = "WM033: history reloaded in ";
constexpr std::string_view kCyclesNote = " cycles; slowest cycle ";
constexpr std::string_view kMachineCycles = "(machine generated) Cycles since start:";

struct Options {
  int days = 0;
  uint64_t seed = 1;
  double rate = 2000;
  std::string station = ".";
  std::string program;
  std::string work;
  std::string start = "2024-06-01 00:00:00";
  double max_minutes = 0;
  bool keep = false;
  bool verbose = false;
  bool judge_memory = true;  // off for sanitizer builds, whose allocator holds freed memory
};

void Usage() {
  std::cerr << "usage: wm033-soak --days N [--seed S] [--rate R] [--station DIR] [--program PATH]"
               " [--work DIR] [--start \"YYYY-MM-DD HH:MM:SS\"] [--max-minutes M] [--keep]"
               " [--verbose] [--memory-report-only]\n";
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    try {
      if (a == "--days" && value(v))
        o.days = std::stoi(v);
      else if (a == "--seed" && value(v))
        o.seed = std::stoull(v);
      else if (a == "--rate" && value(v))
        o.rate = std::stod(v);
      else if (a == "--station" && value(v))
        o.station = v;
      else if (a == "--program" && value(v))
        o.program = v;
      else if (a == "--work" && value(v))
        o.work = v;
      else if (a == "--start" && value(v))
        o.start = v;
      else if (a == "--max-minutes" && value(v))
        o.max_minutes = std::stod(v);
      else if (a == "--keep")
        o.keep = true;
      else if (a == "--verbose")
        o.verbose = true;
      else if (a == "--memory-report-only")
        o.judge_memory = false;
      else
        return false;
    } catch (const std::exception&) {
      return false;
    }
  }
  return o.days > 0 && o.days <= 3650 && o.rate >= 1 && o.rate <= 100000;
}

// "YYYY-MM-DD HH:MM:SS" as UTC seconds since 1970 (the program runs with TZ=UTC0).
std::optional<int64_t> ParseStart(const std::string& text) {
  std::tm tm{};
  std::istringstream in(text);
  in >> std::get_time(&tm, "%Y-%m-%d %H:%M:%S");
  if (in.fail()) return std::nullopt;
  return static_cast<int64_t>(timegm(&tm));
}

std::string FormatUtc(int64_t epoch) {
  const std::time_t t = static_cast<std::time_t>(epoch);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

std::string ReadWhole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWhole(const fs::path& p, const std::string& text) {
  const fs::path tmp = p.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(tmp, p, ec);
  return !ec;
}

int64_t FileSize(const fs::path& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// Modification time in nanoseconds of the real clock, or -1.
int64_t MtimeNs(const fs::path& p) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

int64_t RealNowNs() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The enabled chips of a sensor configuration: lines k..w, "x e<16 hex digits>", family last.
std::vector<PlanChip> EnabledChips(const std::string& config) {
  std::vector<PlanChip> chips;
  std::istringstream in(config);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 19 || line[0] < 'k' || line[0] > 'w' || line[1] != ' ') continue;
    if (line[2] != 'e' && line[2] != 'E') continue;
    std::string family = line.substr(17, 2);
    for (char& c : family) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    chips.push_back({line[0], family});
  }
  return chips;
}

std::string DescribeStatus(int st) {
  if (WIFEXITED(st)) return "exit status " + std::to_string(WEXITSTATUS(st));
  if (WIFSIGNALED(st)) return std::string("signal ") + strsignal(WTERMSIG(st));
  return "status " + std::to_string(st);
}

// What one start of the program did.
struct Run {
  int index = 0;
  double sim_start = 0;
  Clock::time_point real_start;
  int64_t error_log_offset = 0;
  bool error_log_created = false;
  int64_t data_log_offset = 0;
  bool limited = false;
  std::vector<std::string> printed;  // error log lines the run printed, in order
  std::optional<double> reload_ms;
  int64_t cycles = -1;
  int64_t slowest_cycle_ms = -1;
  std::ofstream out;
};

// A fault that cleared: the page and the image must be written again after it.
struct PendingRefresh {
  double cleared_sim;
  int64_t since_ns;  // real time from which the program could have written them
};

class Soak {
 public:
  explicit Soak(Options o) : o_(std::move(o)) {}

  int Main() {
    if (!Setup()) return kExitCannotRun;
    const auto real_begin = Clock::now();
    const double max_real_s =
        o_.max_minutes > 0 ? o_.max_minutes * 60 : plan_.length / o_.rate * 3 + 120;
    if (!StartRun()) return kExitCannotRun;
    size_t next_kill = 0;
    int next_day = 1;
    std::vector<bool> started(plan_.episodes.size(), false), ended(started);
    bool timed_out = false;
    while (true) {
      ReadOutput(0);
      const double t = SimNow();
      if (next_day <= o_.days && t >= next_day * kDay) {
        const int64_t kb = child_.ResidentKb();
        if (kb > 0) memory_kb_.push_back(kb);
        ++next_day;
      }
      if (t >= plan_.length) break;
      if (std::chrono::duration<double>(Clock::now() - real_begin).count() > max_real_s) {
        timed_out = true;
        break;
      }
      if (!child_.Running()) {
        if (!EndedByItself()) return Finish(false);
        continue;
      }
      UpdateFaultsFile(t);
      for (size_t i = 0; i < plan_.episodes.size(); ++i) {
        const Episode& e = plan_.episodes[i];
        if (!started[i] && t >= e.start) {
          started[i] = true;
          BeginEpisode(e);
        }
        if (started[i] && !ended[i] && t >= e.end) {
          ended[i] = true;
          EndEpisode(e);
        }
      }
      if (next_kill < plan_.kills.size() && t >= plan_.kills[next_kill].at) {
        KillAndRestart(plan_.kills[next_kill++]);
        continue;
      }
      CheckRefreshes();
      ReadOutput(10);
    }
    if (timed_out) {
      Problem("time limit of " + std::to_string(static_cast<int>(max_real_s)) +
              " s reached at simulated day " + Fixed(SimNow() / kDay, 2));
    }
    EndRun(SIGTERM);
    return Finish(!timed_out);
  }

 private:
  bool Setup() {
    const auto start = ParseStart(o_.start);
    if (!start) {
      std::cerr << "wm033-soak: --start must be \"YYYY-MM-DD HH:MM:SS\"\n";
      return false;
    }
    start_epoch_ = *start;
    start_day_ = static_cast<double>(start_epoch_) / kDay + kUnixEpochDayCount;
    if (o_.program.empty()) {
      std::error_code ec;
      const fs::path self = fs::read_symlink("/proc/self/exe", ec);
      o_.program = (self.parent_path() / "wm033").string();
    }
    if (::access(o_.program.c_str(), X_OK) != 0) {
      std::cerr << "wm033-soak: no program at " << o_.program << " (use --program)\n";
      return false;
    }
    if (!fs::exists(fs::path(o_.station) / "WM033ini.txt")) {
      std::cerr << "wm033-soak: " << o_.station << " is not a station folder (no WM033ini.txt)\n";
      return false;
    }
    std::error_code ec;
    if (o_.work.empty()) {
      std::string tmpl = (fs::temp_directory_path() / "wm033-soak-XXXXXX").string();
      if (!::mkdtemp(tmpl.data())) {
        std::cerr << "wm033-soak: cannot make a work folder\n";
        return false;
      }
      work_ = tmpl;
    } else {
      work_ = o_.work;
      fs::create_directories(work_, ec);
    }
    work_ = fs::absolute(work_);
    station_ = work_ / "station";
    fs::remove_all(station_, ec);
    fs::copy(o_.station, station_, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
             ec);
    if (ec) {
      std::cerr << "wm033-soak: cannot copy the station: " << ec.message() << "\n";
      return false;
    }
    run_dir_ = work_ / "run";
    fs::create_directories(run_dir_, ec);
    fs::permissions(run_dir_, fs::perms::owner_all, ec);
    fs::create_directories(work_ / "logs", ec);
    faults_file_ = work_ / "faults.txt";
    WriteWhole(faults_file_, "");

    plan_ = MakePlan(o_.seed, o_.days, EnabledChips(ReadWhole(station_ / "WM033ini.txt")));
    FindPageFolder();
    error_log_at_start_ = std::max<int64_t>(0, FileSize(station_ / kErrorLog));
    log_ = DataLogChecker(ReadWhole(station_ / kDataLog));
    log_.MarkSoakStart();
    if (o_.verbose) {
      std::cerr << "wm033-soak: work folder " << work_ << ", " << plan_.episodes.size()
                << " episodes, " << plan_.kills.size() << " kills\n";
    }
    return true;
  }

  // Where the page and the image go, from the settings file as the program reads it.
  void FindPageFolder() {
    config::SettingsValues v;
    const fs::path ini2 = station_ / "WM033" / "WM033ini2.txt";
    if (fs::exists(ini2)) config::ApplySettingsText(ReadWhole(ini2), start_day_, v);
    const Environment env =
        Environment::FromPairs({{"WM033_DRIVE_C", station_.string()}}, station_.string());
    const auto folder = MapPath(env, v.page_folder);
    refresh_checked_ = v.page_interval_secs > 0 && v.image_interval_secs > 0 && folder;
    if (!folder) return;
    page_folder_ = fs::weakly_canonical(fs::path(*folder));
    page_file_ = page_folder_ / v.page_file;
    image_file_ = page_folder_ / v.image_file;
    // Only a folder of our own copy, and not the station folder itself, is ever taken away.
    const std::string f = page_folder_.string(), s = fs::weakly_canonical(station_).string();
    page_folder_movable_ = f.size() > s.size() + 1 && f.compare(0, s.size() + 1, s + "/") == 0;
  }

  // Simulated seconds since the soak began. Time runs on while the program is down, as it does
  // for a station after a power cut.
  double SimNow() const {
    if (runs_ == 0) return 0;
    return sim_base_ + std::chrono::duration<double>(Clock::now() - spawn_).count() * o_.rate;
  }

  std::vector<std::string> ChildEnvironment(double sim_start) const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string kv = *e;
      const std::string name = kv.substr(0, kv.find('='));
      if (name.rfind("WM033_", 0) == 0 || name == "XDG_RUNTIME_DIR" || name == "TZ" ||
          name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM")
        continue;
      env.push_back(kv);
    }
    const int64_t clock_start = start_epoch_ + static_cast<int64_t>(std::ceil(sim_start));
    env.push_back("WM033_HEADLESS=1");
    env.push_back("WM033_MICROLAN=sim");
    env.push_back("WM033_CLOCK_RATE=" + Fixed(o_.rate, 0));
    env.push_back("WM033_CLOCK_START=" + FormatUtc(clock_start));
    env.push_back("WM033_SIM_SEED=" + std::to_string(o_.seed));
    env.push_back("WM033_SIM_FAULTS_FILE=" + faults_file_.string());
    env.push_back("XDG_RUNTIME_DIR=" + run_dir_.string());
    env.push_back("TZ=UTC0");
    env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
  }

  bool StartRun() {
    const double t = SimNow();
    sim_base_ = t;
    spawn_ = Clock::now();
    UpdateFaultsFile(t);
    run_ = std::make_unique<Run>();
    run_->index = ++runs_;
    run_->sim_start = t;
    run_->error_log_offset = std::max<int64_t>(0, FileSize(station_ / kErrorLog));
    run_->error_log_created = FileSize(station_ / kErrorLog) < 0;
    run_->data_log_offset = std::max<int64_t>(0, FileSize(station_ / kDataLog));
    int64_t limit = -1;
    if (const Episode* e = EpisodeAt(plan_, EpisodeKind::kDiskFull, t)) {
      limit = run_->data_log_offset + e->extra;
      run_->limited = true;
    }
    char name[32];
    std::snprintf(name, sizeof name, "run-%04d.err", run_->index);
    run_->out.open(work_ / "logs" / name);
    run_->real_start = Clock::now();
    if (!child_.Start(o_.program, station_.string(), ChildEnvironment(t), limit)) {
      std::cerr << "wm033-soak: cannot start the program: " << child_.Error() << "\n";
      return false;
    }
    return true;
  }

  void ReadOutput(int wait_ms) {
    std::vector<std::string> lines;
    child_.Read(lines, wait_ms);
    Take(lines);
  }

  void Take(const std::vector<std::string>& lines) {
    for (const std::string& l : lines) {
      run_->out << l << '\n';
      if (l.rfind(kReloadNote, 0) == 0) {
        run_->reload_ms = std::atof(l.c_str() + kReloadNote.size());
      } else if (l.rfind("WM033: ", 0) == 0 && l.find(kCyclesNote) != std::string::npos) {
        run_->cycles = std::atoll(l.c_str() + 7);
        run_->slowest_cycle_ms = std::atoll(l.c_str() + l.find(kCyclesNote) + kCyclesNote.size());
      } else if (IsErrorLogLine(l)) {
        run_->printed.push_back(l);
      }
    }
  }

  // Ends the run with `sig`; checks how it ended and what it left.
  void EndRun(int sig) {
    const double t = SimNow();
    std::vector<std::string> lines;
    bool timed_out = false;
    const int st = child_.Stop(sig, kStopTimeoutMs, lines, &timed_out);
    Take(lines);
    last_stop_sim_ = t;
    const std::string who = "run " + std::to_string(run_->index);
    if (timed_out) Problem(who + " did not end within 15 s of " + strsignal(sig));
    if (sig == SIGKILL && !(WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL))
      Problem(who + " ended with " + DescribeStatus(st) + " before it was killed");
    const bool quit = sig == SIGTERM && WIFEXITED(st) && WEXITSTATUS(st) == 0;
    if (sig == SIGTERM && !quit)
      Problem(who + " ended with " + DescribeStatus(st) + " on SIGTERM, not with status 0");
    AfterRun(quit);
  }

  // The program ended without being asked: a fault. The soak carries on like the systemd unit
  // (a restart), unless it keeps ending at once.
  bool EndedByItself() {
    std::vector<std::string> lines;
    child_.Drain(lines);
    Take(lines);
    last_stop_sim_ = SimNow();
    const int st = child_.Status().value_or(0);
    const double lived = std::chrono::duration<double>(Clock::now() - run_->real_start).count();
    Problem("run " + std::to_string(run_->index) + " ended by itself with " + DescribeStatus(st) +
            " after " + Fixed(lived, 1) + " s (see " + RunLogName() + ")");
    AfterRun();
    quick_deaths_ = lived < kRunSettledRealS ? quick_deaths_ + 1 : 0;
    if (quick_deaths_ >= 3) {
      Problem("the program ended at once three times in a row; the soak stops");
      return false;
    }
    return StartRun();
  }

  std::string RunLogName() const {
    char name[32];
    std::snprintf(name, sizeof name, "run-%04d.err", run_->index);
    return (work_ / "logs" / name).string();
  }

  // `quit`: the run ended through Quit, which writes every count of repeated errors it owes.
  void AfterRun(bool quit = false) {
    Run& r = *run_;
    const double lived = std::chrono::duration<double>(Clock::now() - r.real_start).count();
    const std::string who = "run " + std::to_string(r.index);
    if (r.reload_ms) {
      slowest_start_ms_ = std::max(slowest_start_ms_, *r.reload_ms);
      if (*r.reload_ms >= kReloadLimitMs)
        Problem(who + " reloaded its history in " + Fixed(*r.reload_ms, 1) + " ms");
    } else if (lived >= kRunSettledRealS) {
      Problem(who + " ran " + Fixed(lived, 1) + " s without reloading its history");
    }
    if (r.slowest_cycle_ms >= 0)
      slowest_cycle_ms_ = std::max(slowest_cycle_ms_, r.slowest_cycle_ms);

    const std::string data = ReadWhole(station_ / kDataLog);
    log_.SetStampBounds(start_day_, start_day_ + (last_stop_sim_ + 10 * kMinute) / kDay);
    std::vector<std::string> found;
    log_.Check(data, found);
    if (r.cycles >= 0) {
      cycles_ += r.cycles;
    } else {
      // A killed run says nothing at its end; its machine comments tell how far it came.
      int64_t most = 0;
      for (size_t at = data.find(kMachineCycles, static_cast<size_t>(r.data_log_offset));
           at != std::string::npos; at = data.find(kMachineCycles, at + 1))
        most = std::max<int64_t>(most, std::atoll(data.c_str() + at + kMachineCycles.size()));
      cycles_ += most;
    }
    const std::string errors = ReadWhole(station_ / kErrorLog);
    if (static_cast<int64_t>(errors.size()) >= r.error_log_offset) {
      CheckErrorLogRun(std::string_view(errors).substr(r.error_log_offset), r.error_log_created,
                       r.limited, quit, r.printed, r.index, found);
    } else {
      found.push_back("error log, " + who + ": the log got shorter");
    }
    for (const std::string& f : found) Problem(f);
  }

  void KillAndRestart(const Kill& k) {
    EndRun(SIGKILL);
    ++kills_;
    if (k.cut) {
      if (const auto cut = log_.CutLastLine(static_cast<size_t>(k.keep))) {
        if (::truncate((station_ / kDataLog).c_str(), static_cast<off_t>(cut->size())) != 0)
          Problem("could not cut the data log short");
      }
    }
    if (!StartRun()) Problem("could not start the program again after a kill");
  }

  void BeginEpisode(const Episode& e) {
    ++faults_;
    switch (e.kind) {
      case EpisodeKind::kChipFault:
      case EpisodeKind::kBusShort:
        break;  // the faults file says it
      case EpisodeKind::kDiskFull:
        EndRun(SIGTERM);
        StartRun();
        break;
      case EpisodeKind::kPageFolderGone:
        TakePageFolderAway(e.extra == 1);
        break;
    }
  }

  void EndEpisode(const Episode& e) {
    switch (e.kind) {
      case EpisodeKind::kChipFault:
      case EpisodeKind::kBusShort:
        break;
      case EpisodeKind::kDiskFull:
        EndRun(SIGTERM);
        StartRun();
        break;
      case EpisodeKind::kPageFolderGone:
        BringPageFolderBack();
        break;
    }
    if (refresh_checked_) pending_.push_back({SimNow(), RealNowNs()});
  }

  void UpdateFaultsFile(double t) {
    const std::string faults = FaultsAt(plan_, t);
    if (faults == faults_text_) return;
    faults_text_ = faults;
    if (!WriteWhole(faults_file_, faults + "\n")) Problem("could not write the faults file");
    temp0_blocked_ =
        faults.find("k=") != std::string::npos || faults.find("bus=") != std::string::npos;
  }

  fs::path AwayPath() const { return page_folder_.string() + ".soak-away"; }

  void TakePageFolderAway(bool as_link) {
    if (!page_folder_movable_ || page_folder_gone_) return;
    std::error_code ec;
    fs::rename(page_folder_, AwayPath(), ec);
    if (ec) return Problem("could not move the page folder away: " + ec.message());
    if (as_link) {
      fs::create_symlink(page_folder_.string() + ".soak-nowhere", page_folder_, ec);
    } else {
      std::ofstream(page_folder_) << "not a folder\n";
    }
    page_folder_gone_ = true;
  }

  void BringPageFolderBack() {
    if (!page_folder_gone_) return;
    std::error_code ec;
    fs::remove(page_folder_, ec);
    fs::rename(AwayPath(), page_folder_, ec);
    if (ec) Problem("could not bring the page folder back: " + ec.message());
    page_folder_gone_ = false;
  }

  // Every cleared fault must be followed by a new page and a new image, once nothing stops the
  // program from writing them (a run under way past its start-up, the page folder there, no
  // file size limit, thermometer 0 readable).
  void CheckRefreshes() {
    if (pending_.empty()) return;
    const int64_t now = RealNowNs();
    const bool blocked = !run_->reload_ms || page_folder_gone_ || run_->limited || temp0_blocked_;
    const int64_t page = MtimeNs(page_file_), image = MtimeNs(image_file_);
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (blocked) {
        it->since_ns = now;
        ++it;
        continue;
      }
      const double waited_sim = static_cast<double>(now - it->since_ns) / 1e9 * o_.rate;
      if (page >= it->since_ns && image >= it->since_ns) {
        slowest_refresh_sim_ = std::max(slowest_refresh_sim_, waited_sim);
        ++refreshes_;
        it = pending_.erase(it);
      } else if (waited_sim > kRefreshLimitSim) {
        Problem("page and image not refreshed within " + Fixed(kRefreshLimitSim / kMinute, 0) +
                " simulated minutes after the fault that cleared at simulated day " +
                Fixed(it->cleared_sim / kDay, 3));
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Problem(const std::string& text) {
    if (problems_.size() < 1000) problems_.push_back(text);
    if (o_.verbose) std::cerr << "wm033-soak: FAILED: " << text << "\n";
  }

  static std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
  }

  int Finish(bool ran_to_end) {
    BringPageFolderBack();
    // The last run ended through Quit, and its first publish removed what killed runs had left.
    std::error_code dir_ec;
    for (const auto& e : fs::directory_iterator(page_folder_, dir_ec)) {
      const std::string name = e.path().filename().string();
      if (IsReplacementTempName(name))
        Problem("page folder: a temporary file of a publish was left there: " + name);
    }
    const int64_t error_log_grew =
        std::max<int64_t>(0, FileSize(station_ / kErrorLog)) - error_log_at_start_;
    // Wait out page refreshes still due: the last run has ended.
    for (const PendingRefresh& p : pending_)
      Problem("page and image not refreshed after the fault that cleared at simulated day " +
              Fixed(p.cleared_sim / kDay, 3));
    if (!log_.EndsWholeLine()) Problem("data log: the last line is not whole at the end");
    std::string memory = "memory n/a";
    if (!memory_kb_.empty()) {
      const int64_t first = memory_kb_.front();
      const int64_t most = *std::max_element(memory_kb_.begin(), memory_kb_.end());
      for (size_t d = 1; o_.judge_memory && d < memory_kb_.size(); ++d) {
        if (static_cast<double>(memory_kb_[d]) >
            static_cast<double>(first) * (1 + kMemoryGrowthLimit))
          Problem("resident memory at the end of day " + std::to_string(d + 1) + " was " +
                  std::to_string(memory_kb_[d]) + " kB, more than 10% over day 1's " +
                  std::to_string(first) + " kB");
      }
      memory = "memory day 1 " + Fixed(first / 1024.0, 1) + " MB max " + Fixed(most / 1024.0, 1) +
               " MB (+" + Fixed(100.0 * (most - first) / static_cast<double>(first), 1) + "%" +
               (o_.judge_memory ? ")" : ", not judged)");
    } else if (ran_to_end) {
      Problem("no memory figure was taken");
    }
    const bool ok = problems_.empty();
    for (size_t i = 0; i < problems_.size() && i < 50; ++i)
      std::cerr << "wm033-soak: FAILED: " << problems_[i] << "\n";
    if (problems_.size() > 50)
      std::cerr << "wm033-soak: ... and " << problems_.size() - 50 << " more\n";
    std::cout << "wm033-soak: seed " << o_.seed << ", " << Fixed(last_stop_sim_ / kDay, 2)
              << " simulated days, " << cycles_ << " cycles, " << faults_ << " faults, " << kills_
              << " kills (" << log_.Cuts() << " records cut short), " << runs_ << " starts, "
              << log_.LinesChecked() << " lines checked, error log +"
              << Fixed(error_log_grew / 1024.0, 1) << " kB, " << memory << ", slowest start "
              << Fixed(slowest_start_ms_, 1) << " ms, slowest cycle " << slowest_cycle_ms_
              << " ms, slowest refresh " << Fixed(slowest_refresh_sim_ / kMinute, 1) << " min ("
              << refreshes_ << (refresh_checked_ ? "" : ", page not checked")
              << (page_folder_movable_ ? "" : ", page folder never taken away")
              << "): " << (ok ? "PASS" : "FAIL") << std::endl;
    std::error_code ec;
    if (ok && !o_.keep && o_.work.empty()) {
      fs::remove_all(work_, ec);
    } else {
      std::cerr << "wm033-soak: the soak's files are in " << work_.string() << "\n";
    }
    return ok ? 0 : kExitChecksFailed;
  }

  Options o_;
  Plan plan_;
  fs::path work_, station_, run_dir_, faults_file_;
  fs::path page_folder_, page_file_, image_file_;
  bool page_folder_movable_ = false, page_folder_gone_ = false, refresh_checked_ = false;
  bool temp0_blocked_ = false;
  int64_t start_epoch_ = 0;
  int64_t error_log_at_start_ = 0;
  double start_day_ = 0;
  Child child_;
  std::unique_ptr<Run> run_;
  double sim_base_ = 0, last_stop_sim_ = 0;
  Clock::time_point spawn_;
  DataLogChecker log_;
  std::string faults_text_ = "\x01";  // never a real fault list: the first write happens
  std::vector<PendingRefresh> pending_;
  std::vector<int64_t> memory_kb_;
  std::vector<std::string> problems_;
  int runs_ = 0, kills_ = 0, faults_ = 0, quick_deaths_ = 0, refreshes_ = 0;
  int64_t cycles_ = 0, slowest_cycle_ms_ = 0;
  double slowest_start_ms_ = 0, slowest_refresh_sim_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    Usage();
    return kExitCannotRun;
  }
  return Soak(std::move(o)).Main();
}
