// The environment variables a Linux user sets in place of what Windows gave the program, read
// once at start. Values that do not read are noted in `problems`, and their defaults are used.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wm033 {

struct Environment {
  std::string working_dir;                   // the current folder at start
  std::string drive_c;                       // WM033_DRIVE_C, or the working folder
  bool simulated_microlan = false;           // WM033_MICROLAN=sim
  std::string microlan;                      // WM033_MICROLAN as given
  bool headless_forced = false;              // WM033_HEADLESS=1
  double clock_rate = 1.0;                   // WM033_CLOCK_RATE
  std::optional<int64_t> clock_start_epoch;  // WM033_CLOCK_START as seconds since 1970 (local)
  std::optional<int32_t> stop_after_cycles;  // WM033_STOP_AFTER_CYCLES
  uint64_t sim_seed = 20120823;              // WM033_SIM_SEED
  std::string sim_faults;                    // WM033_SIM_FAULTS
  std::string sim_faults_file;               // WM033_SIM_FAULTS_FILE
  std::vector<std::string> problems;

  // Any other variable (drive letters, ports), looked up when needed.
  std::function<std::optional<std::string>(const std::string&)> lookup;
  std::optional<std::string> Get(const std::string& name) const {
    return lookup ? lookup(name) : std::nullopt;
  }

  // Reads the process environment.
  static Environment FromProcess();
  // Builds one from name/value pairs (tests).
  static Environment FromPairs(const std::vector<std::pair<std::string, std::string>>& pairs,
                               const std::string& working_dir);
};

// Maps a path as the program's texts write it to a local one: "C:\" and "C:/" (either case)
// go to drive_c, another letter X: to WM033_DRIVE_X; backslashes become slashes; absolute
// POSIX paths stand; relative paths are relative to the working folder. An unmapped drive
// gives nullopt and a message naming the variable to set.
std::optional<std::string> MapPath(const Environment& env, const std::string& path,
                                   std::string* error = nullptr);

bool FileExists(const std::string& local_path);
bool DirectoryExists(const std::string& local_path);

}  // namespace wm033
