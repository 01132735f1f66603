// The services the program asks of its surroundings: clock, tick counter, event processing,
// modal dialogs, ending the program, help viewer and random numbers. Three implementations:
// Qt (real windows), headless (texts on stderr) and a fake for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wm033 {

enum class DialogAnswer { Yes, No, Cancel };

// Exit statuses of the program.
constexpr int kExitOk = 0;           // Quit, a closed window, SIGINT/SIGTERM, a second copy
constexpr int kExitFatalConfig = 1;  // a file the program needs is missing or fatally faulty
constexpr int kExitInternal = 2;     // an unexpected internal error

class Platform {
 public:
  virtual ~Platform() = default;

  // Local date-time as days since 30 Dec 1899 (fraction = time of day), on the program's clock.
  virtual double Now() = 0;
  // 32-bit millisecond counter on the program's clock; wraps.
  virtual uint32_t GetTickCount() = 0;
  // The program's clock speed-up (1 = real time); waits and timers divide by it.
  virtual double ClockRate() const { return 1.0; }

  // Runs the events that are pending and returns at once.
  virtual void ProcessMessages() = 0;
  // Blocks until an event arrives or `tick_ms` ticks of the program's clock pass, then runs the
  // pending events. Never spins.
  virtual void WaitForEvents(uint32_t tick_ms) = 0;

  // Modal message box; the position, when given, is the box's top-left corner.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void ShowMessageAt(const std::string& text, int x, int y) {
    (void)x, (void)y, ShowMessage(text);
  }
  // Input box; nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& default_text) = 0;
  virtual DialogAnswer YesNoCancel(const std::string& text, int x, int y) = 0;

  // Posts the end of the program with an exit status; never stops the running handler. The
  // first non-zero status posted is the one the program ends with.
  virtual void Terminate(int status) = 0;
  virtual bool TerminateRequested() const = 0;

  // Shows a help file; false when it could not be shown.
  virtual bool OpenHelp(const std::string& path) = 0;

  // A note for the operator of a headless run (stderr); windows ignore it.
  virtual void Note(const std::string& text) { (void)text; }
  // An error line as it is reported (headless runs print it on stderr).
  virtual void EchoErrorLine(const std::string& line) { (void)line; }

  // Pseudo-random numbers, seeded from the clock by SeedRandom.
  virtual void SeedRandom() = 0;
  virtual uint32_t Random(uint32_t n) = 0;  // uniform 0 .. n-1 (0 when n is 0)

  virtual bool Headless() const = 0;
};

}  // namespace wm033
