// The demo station in a fresh folder, started on the simulated MicroLan with a virtual clock, for
// benchmarks of whole cycles: what a cycle costs without bus or conversion time.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/wm033f1.h"
#include "tests/fake_platform.h"

namespace wm033::bench {

inline std::string DemoDir() {
  std::string here = __FILE__;  // bench/station_rig.h in the source tree
  return here.substr(0, here.rfind('/')) + "/../demo";
}

struct StationRig {
  std::string dir;
  Environment env;
  testing::FakePlatform platform;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;

  // `faults` as WM033_SIM_FAULTS; `settings_tail` is added to the settings file.
  explicit StationRig(const std::string& faults, const std::string& settings_tail = "") {
    dir = (std::filesystem::temp_directory_path() / "wm033-bench-station").string();
    std::filesystem::remove_all(dir);
    std::filesystem::copy(DemoDir(), dir, std::filesystem::copy_options::recursive);
    if (!settings_tail.empty())
      std::ofstream(dir + "/WM033/WM033ini2.txt", std::ios::app) << settings_tail;
    env = Environment::FromPairs(
        {{"WM033_DRIVE_C", dir}, {"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS", faults}}, dir);
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    form->FormCreate();
  }
  ~StationRig() {
    form.reset();
    std::filesystem::remove_all(dir);
  }
  void Tick() {
    platform.Advance(1600);
    form->Timer1Timer();
  }
};

}  // namespace wm033::bench
