// Any bytes as the data log at start-up: the history reload of the start-up sequence reads them
// into the graph pane, once with the built-in settings and once with the rain, wind and lightning
// bars on and the on/off channels in one of their plot styles. It must never crash, hang, end
// the program or leave the log open, and it reports at most a bounded number of lines.
//
// Making a main window costs far more than a reload, so two are made once and every input gets
// the state that the start-up sequence gives them before its reload.
#include <unistd.h>

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/wm033f1.h"
#include "tests/fake_platform.h"

namespace {

using namespace wm033;

struct Station {
  testing::FakePlatform platform;
  Environment env;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;

  explicit Station(const std::string& dir) {
    env = Environment::FromPairs({{"WM033_DRIVE_C", dir}}, dir);
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    form->SetDefaultSettings();
    form->imMainGraphPane.NewPicture(780, 237);
  }

  // The start-up's state before the reload, then the reload itself, and its verdict.
  void Reload(bool bars, uint8_t plot_style) {
    TWM033f1& f = *form;
    platform = testing::FakePlatform();
    errdisp.Memo1.Clear();
    f.InitState();
    f.lOnOffCount = f.lOnOffPrev = f.nOnOffCalls = {};
    f.bOnOffSeen = f.bOnOffPrevChanged = {};
    f.bRainBarDrawn = f.bLightningBarDrawn = true;
    f.errRepeats = ErrorRepeats();
    f.vsEarlyErrorLines.clear();
    f.dtColumnPeriod = 0.012;
    // The reload only draws on the pane, never reads it: what earlier inputs drew can stay.
    f.boBarGraph[5] = f.boBarGraph[6] = f.boBarGraph[7] = bars;
    f.bPlotStyle[11] = f.bPlotStyle[12] = plot_style;
    f.ReloadHistory();
    if (f.bReloadInProgress || f.iReloadFd != -1) std::abort();
    if (platform.terminated || f.bQuitting) std::abort();
    if (f.imMainGraphPane.Picture().Width() != 780 || f.imMainGraphPane.Picture().Height() != 237)
      std::abort();
    // Twenty damaged records one by one, then one line for the rest; the long "wd" records: two.
    if (platform.error_lines.size() > 23) std::abort();
  }
};

std::string* g_dir = nullptr;
Station* g_plain = nullptr;
Station* g_bars = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  static std::string dir = (base / ("wm033-fuzz-reload-" + std::to_string(::getpid()))).string();
  g_dir = &dir;
  std::filesystem::create_directories(dir);
  std::atexit([] { std::filesystem::remove_all(*g_dir); });
  static Station plain(dir), bars(dir);
  g_plain = &plain;
  g_bars = &bars;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(*g_dir + "/WM33DtLg.txt", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  g_plain->Reload(false, 0);
  g_bars->Reload(true, static_cast<uint8_t>(size % 4));
  return 0;
}
