#include "platform/environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace wm033 {
namespace {

std::optional<double> ReadDouble(const std::string& s) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s.c_str(), &end);
  if (errno != 0 || end == s.c_str() || *end != '\0') return std::nullopt;
  return v;
}

std::optional<long long> ReadInteger(const std::string& s) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end == s.c_str() || *end != '\0') return std::nullopt;
  return v;
}

// "YYYY-MM-DD HH:MM:SS" in local time to seconds since 1970.
std::optional<int64_t> ReadLocalTime(const std::string& s) {
  int y, mo, d, h = 0, mi = 0, se = 0;
  char tail = 0;
  const int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &se, &tail);
  if (n != 3 && n != 6) return std::nullopt;
  if (y < 1900 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
      se < 0 || se > 60)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = se;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(t);
}

void Fill(Environment& env) {
  auto get = [&](const char* name) { return env.Get(name); };
  env.drive_c = env.working_dir;
  if (auto v = get("WM033_DRIVE_C"); v && !v->empty()) env.drive_c = *v;
  if (auto v = get("WM033_MICROLAN")) {
    env.microlan = *v;
    env.simulated_microlan = (*v == "sim");
    if (!v->empty() && *v != "sim")
      env.problems.push_back("WM033_MICROLAN=" + *v +
                             " is not known; use \"sim\" or leave it unset.");
  }
  if (auto v = get("WM033_HEADLESS")) env.headless_forced = (*v == "1");
  if (auto v = get("WM033_CLOCK_RATE"); v && !v->empty()) {
    auto r = ReadDouble(*v);
    if (r && *r > 0 && *r <= 1e6)
      env.clock_rate = *r;
    else
      env.problems.push_back("WM033_CLOCK_RATE=" + *v +
                             " is not a speed-up from 0 to 1000000; 1 is used.");
  }
  if (auto v = get("WM033_CLOCK_START"); v && !v->empty()) {
    env.clock_start_epoch = ReadLocalTime(*v);
    if (!env.clock_start_epoch)
      env.problems.push_back("WM033_CLOCK_START=" + *v +
                             " is not a local time YYYY-MM-DD HH:MM:SS; the real time is used.");
  }
  if (auto v = get("WM033_STOP_AFTER_CYCLES"); v && !v->empty()) {
    auto n = ReadInteger(*v);
    if (n && *n > 0 && *n < 2147483647)
      env.stop_after_cycles = static_cast<int32_t>(*n);
    else
      env.problems.push_back("WM033_STOP_AFTER_CYCLES=" + *v +
                             " is not a positive whole number; ignored.");
  }
  if (auto v = get("WM033_SIM_SEED"); v && !v->empty()) {
    auto n = ReadInteger(*v);
    if (n)
      env.sim_seed = static_cast<uint64_t>(*n);
    else
      env.problems.push_back("WM033_SIM_SEED=" + *v +
                             " is not a whole number; the fixed seed is used.");
  }
  if (auto v = get("WM033_SIM_FAULTS")) env.sim_faults = *v;
  if (auto v = get("WM033_SIM_FAULTS_FILE")) env.sim_faults_file = *v;
}

}  // namespace

Environment Environment::FromProcess() {
  Environment env;
  char buf[4096];
  if (getcwd(buf, sizeof buf)) env.working_dir = buf;
  env.lookup = [](const std::string& name) -> std::optional<std::string> {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
  };
  Fill(env);
  return env;
}

Environment Environment::FromPairs(const std::vector<std::pair<std::string, std::string>>& pairs,
                                   const std::string& working_dir) {
  Environment env;
  env.working_dir = working_dir;
  env.lookup = [pairs](const std::string& name) -> std::optional<std::string> {
    for (const auto& [k, v] : pairs)
      if (k == name) return v;
    return std::nullopt;
  };
  Fill(env);
  return env;
}

std::optional<std::string> MapPath(const Environment& env, const std::string& path,
                                   std::string* error) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
    std::string root;
    if (letter == 'C') {
      root = env.drive_c;
    } else {
      const std::string var = std::string("WM033_DRIVE_") + letter;
      auto v = env.Get(var);
      if (!v || v->empty()) {
        if (error)
          *error = "The path \"" + path + "\" is on drive " + letter +
                   ":, which is not mapped. Set " + var + " to the folder that stands for it.";
        return std::nullopt;
      }
      root = *v;
    }
    std::string rest = p.substr(2);
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    if (root.empty()) root = ".";
    if (root.back() != '/') root += '/';
    return root + rest;
  }
  if (!p.empty() && p[0] == '/') return p;
  std::string base = env.working_dir.empty() ? "." : env.working_dir;
  if (base.back() != '/') base += '/';
  return base + p;
}

bool FileExists(const std::string& local_path) {
  struct stat st;
  return ::stat(local_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& local_path) {
  struct stat st;
  return ::stat(local_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace wm033
