// SIGINT and SIGTERM turned into a byte on a pipe, so that the event loop can run the Quit
// action for them at top level, as it would for a click.
#pragma once

namespace wm033 {

// Installs the handlers once per process; returns the pipe's read end (-1 on failure). SIGPIPE
// is ignored.
int InstallQuitSignals();
// Empties the pipe after it became readable.
void DrainQuitSignals(int fd);

}  // namespace wm033
