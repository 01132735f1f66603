// A station for tests: a fresh folder that stands for drive C: and is the working folder, the
// fake platform, and the forms. Files are written into the folder before Start() runs the
// start-up sequence.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/wm033f1.h"
#include "tests/fake_platform.h"
#include "tests/text_files.h"

namespace wm033::testing {

class Station {
 public:
  using EnvPairs = std::vector<std::pair<std::string, std::string>>;
  Station() : Station(EnvPairs{}) {}
  explicit Station(std::initializer_list<std::pair<std::string, std::string>> pairs)
      : Station(EnvPairs(pairs)) {}
  explicit Station(EnvPairs env_pairs) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "station";
    for (char& c : name)
      if (c == '/') c = '_';
    dir = (std::filesystem::temp_directory_path() /
           ("wm033-test-" + name + "-" + std::to_string(::getpid())))
              .string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    env_pairs.push_back({"WM033_DRIVE_C", dir});
    // Unless a test names its own, every serial port is a device that is not there: tests never
    // open this machine's serial ports (a real adapter may be plugged in; a VM's /dev/ttyS0
    // costs a detection timeout at every start).
    for (int n = 1; n <= 10; ++n) {
      const std::string name = "WM033_PORT" + std::to_string(n);
      if (std::none_of(env_pairs.begin(), env_pairs.end(),
                       [&](const auto& pair) { return pair.first == name; }))
        env_pairs.push_back({name, dir + "/no-serial-port"});
    }
    env = Environment::FromPairs(env_pairs, dir);
  }
  ~Station() {
    form.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  std::string Path(const std::string& rel) const { return dir + "/" + rel; }
  void Write(const std::string& rel, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << content;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Lines of a file, without their CR LF.
  std::vector<std::string> Lines(const std::string& rel) const { return SplitLines(Read(rel)); }
  // Copies the demo station's files into the folder.
  void CopyDemo() {
    std::filesystem::copy(std::string(WM033_SOURCE_DIR) + "/demo", dir,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }
  // Creates the main form (not yet started).
  TWM033f1& Create() {
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    return *form;
  }
  // Creates the main form and runs the start-up sequence.
  TWM033f1& Start() {
    Create();
    form->FormCreate();
    return *form;
  }
  // Delivers timer ticks, each one cycle when the program is ready, moving the clock 1600 ms.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      platform.Advance(1600);
      form->Timer1Timer();
    }
  }

  std::string dir;
  Environment env;
  FakePlatform platform;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;
};

}  // namespace wm033::testing
