// SIGINT and SIGTERM turned into a byte on a pipe, so that the event loop can run the Quit
// action for them at top level, as it would for a click; and a watchdog, so that an end that
// was asked for always comes, even when the window system stops answering.
#pragma once

namespace wm033 {

// Seconds that the Quit action of SIGINT or SIGTERM may take before the process ends anyway.
inline constexpr unsigned kQuitGraceSeconds = 30;
// Seconds that the toolkit may take to tear down after the logs are closed.
inline constexpr unsigned kTeardownSeconds = 10;

// Installs the handlers once per process; returns the pipe's read end (-1 on failure). SIGPIPE
// is ignored. The first SIGINT or SIGTERM also arms the watchdog for kQuitGraceSeconds.
int InstallQuitSignals();
// Empties the pipe after it became readable.
void DrainQuitSignals(int fd);

// Ends the process with `status` if it still runs `seconds` from now, after one line on stderr
// that says `what` did not finish. Replaces an earlier arming.
void ArmEndWatchdog(unsigned seconds, int status, const char* what);
// Cancels the watchdog (the end came by itself).
void DisarmEndWatchdog();

}  // namespace wm033
