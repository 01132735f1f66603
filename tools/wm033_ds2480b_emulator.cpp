// wm033-ds2480b-emulator: a DS2480B serial adapter (DS9097U) on a pseudo-terminal, with the
// simulated chips of the station in the current folder (WM033ini.txt) behind it. Its first line
// of output is the tty to give the program as WM033_PORT<n> (or any other 1-Wire host as its
// DS9097U port). WM033_SIM_SEED, WM033_SIM_FAULTS, WM033_SIM_FAULTS_FILE and WM033_CLOCK_RATE
// are honoured as the simulated MicroLan does. Settings of its own:
//   WM033_EMULATOR_LINGER_MS   end when the tty, once opened, stays closed this long (default
//                              10000; -1 never)
//   WM033_EMULATOR_LATENCY_MS  delay added to every reply, as a USB-serial converter adds (0)
//   WM033_EMULATOR_VPP=1       a 12 V programming supply is present (reset replies ED, not CD)
//   WM033_EMULATOR_TRUTH=file  written every second: what each chip measures, one line each
//   WM033_EMULATOR_TRACE=file  every byte in and out, with its time in milliseconds
// It ends on SIGTERM or SIGINT.
#include <unistd.h>

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

// Replaces `path` in one step, so a reader never sees half a file.
void WriteTruth(const std::string& path, const std::vector<std::string>& lines) {
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return;
  for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
  std::fclose(f);
  std::rename(tmp.c_str(), path.c_str());
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

  int linger = 10000;
  if (auto v = env.Get("WM033_EMULATOR_LINGER_MS")) linger = std::atoi(v->c_str());
  if (auto v = env.Get("WM033_EMULATOR_LATENCY_MS"))
    g_controls.latency_us = static_cast<int>(std::atof(v->c_str()) * 1000);
  std::string truth;
  if (auto v = env.Get("WM033_EMULATOR_TRUTH")) truth = *v;

  FILE* trace = nullptr;
  if (auto v = env.Get("WM033_EMULATOR_TRACE")) trace = std::fopen(v->c_str(), "w");
  pty.set_trace(trace);

  sim::Ds2480bEmulator chip(station.station().bus());
  if (auto v = env.Get("WM033_EMULATOR_VPP")) chip.set_vpp(*v == "1");

  std::printf("%s\n", pty.slave_path().c_str());
  std::fflush(stdout);

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);

  auto every_second = [&station, &truth] {
    station.OnSessionStart();  // the fault lists
    if (!truth.empty()) WriteTruth(truth, station.station().Truth());
  };
  every_second();
  pty.Run(chip, g_controls, linger, every_second);
  if (trace) std::fclose(trace);
  return 0;
}
