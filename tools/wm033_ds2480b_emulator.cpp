// wm033-ds2480b-emulator: a DS2480B serial adapter (DS9097U) on a pseudo-terminal, with the
// simulated chips of the station in the current folder (WM033ini.txt) behind it. Its first line
// of output is the tty to give the program as WM033_PORT<n>. WM033_SIM_SEED, WM033_SIM_FAULTS,
// WM033_SIM_FAULTS_FILE and WM033_CLOCK_RATE are honoured as the simulated MicroLan does.
// It ends on SIGTERM or SIGINT, or when the tty, once opened, stays closed for
// WM033_EMULATOR_LINGER_MS (default 10000; -1 never).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "onewire/adapters/simulated_link.h"
#include "onewire/sim/serial_emulator.h"
#include "platform/environment.h"

using namespace wm033;
using namespace wm033::onewire;

namespace {
sim::EmulatorControls g_controls;
void OnSignal(int) {
  g_controls.stop.store(true);
}
}  // namespace

int main() {
  const Environment env = Environment::FromProcess();
  std::vector<std::string> lines;
  const std::string ini = env.working_dir + "/WM033ini.txt";
  if (!ReadLines(ini, lines)) {
    std::fprintf(stderr, "wm033-ds2480b-emulator: cannot read %s: run it in a station's folder.\n",
                 ini.c_str());
    return 1;
  }
  const StationConfig cfg = ParseStationConfig(lines);
  for (const std::string& p : cfg.problems)
    std::fprintf(stderr, "wm033-ds2480b-emulator: WM033ini.txt %s\n", p.c_str());

  std::string faults_file = env.sim_faults_file;
  if (!faults_file.empty()) {
    if (auto mapped = MapPath(env, faults_file)) faults_file = *mapped;
  }
  sim::WallClock clock(env.clock_rate);
  SimulatedLink station(sim::PlanFromConfig(cfg, env.sim_seed), clock, env.sim_faults, faults_file);
  for (const std::string& p : station.problems())
    std::fprintf(stderr, "wm033-ds2480b-emulator: fault list: %s\n", p.c_str());

  sim::PtyEmulator pty;
  std::string error;
  if (!pty.Open(error)) {
    std::fprintf(stderr, "wm033-ds2480b-emulator: %s\n", error.c_str());
    return 2;
  }
  std::printf("%s\n", pty.slave_path().c_str());
  std::fflush(stdout);

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);

  int linger = 10000;
  if (auto v = env.Get("WM033_EMULATOR_LINGER_MS")) linger = std::atoi(v->c_str());
  sim::Ds2480bEmulator chip(station.station().bus());
  pty.Run(chip, g_controls, linger, [&station] { station.OnSessionStart(); });
  return 0;
}
