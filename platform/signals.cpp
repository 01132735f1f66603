#include "platform/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace wm033 {
namespace {

int g_write_fd = -1;
int g_read_fd = -1;

// What the watchdog writes and the status it ends with; set before alarm() arms it, read only in
// the SIGALRM handler.
char g_end_line[160];
volatile sig_atomic_t g_end_line_size = 0;
volatile sig_atomic_t g_end_status = kExitOk;
volatile sig_atomic_t g_quit_armed = 0;

const char kQuitLine[] =
    "WM033: the end asked for by a signal did not come within 30 s; ending now.\n";
static_assert(kQuitGraceSeconds == 30, "kQuitLine names the grace time");

void OnQuitSignal(int) {
  const char b = 'q';
  if (g_write_fd >= 0) {
    if (::write(g_write_fd, &b, 1) < 0) { /* the pipe is full: a request is already there */
    }
  }
  if (!g_quit_armed) {
    g_quit_armed = 1;
    std::memcpy(g_end_line, kQuitLine, sizeof kQuitLine - 1);
    g_end_line_size = sizeof kQuitLine - 1;
    g_end_status = kExitOk;
    ::alarm(kQuitGraceSeconds);
  }
}

// The end did not come in time: say so and end without running anything else of the program.
void OnEndWatchdog(int) {
  if (::write(STDERR_FILENO, g_end_line, static_cast<size_t>(g_end_line_size)) < 0) {
  }
  ::_exit(g_end_status);
}

void InstallEndWatchdog() {
  struct sigaction wd {};
  wd.sa_handler = OnEndWatchdog;
  sigemptyset(&wd.sa_mask);
  sigaction(SIGALRM, &wd, nullptr);
}

}  // namespace

int InstallQuitSignals() {
  if (g_read_fd >= 0) return g_read_fd;  // once per process
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  g_read_fd = fds[0];
  g_write_fd = fds[1];
  struct sigaction sa {};
  sa.sa_handler = OnQuitSignal;
  sigemptyset(&sa.sa_mask);
  sigaddset(&sa.sa_mask, SIGALRM);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  InstallEndWatchdog();
  signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

void DrainQuitSignals(int fd) {
  char buf[64];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
}

void ArmEndWatchdog(unsigned seconds, int status, const char* what) {
  ::alarm(0);
  InstallEndWatchdog();
  const int n = std::snprintf(g_end_line, sizeof g_end_line,
                              "WM033: %s did not finish within %u s; ending now.\n", what, seconds);
  g_end_line_size = n < 0 ? 0 : std::min<int>(n, sizeof g_end_line - 1);
  g_end_status = status;
  g_quit_armed = 1;  // a later signal does not shorten or lengthen this
  ::alarm(seconds);
}

void DisarmEndWatchdog() {
  ::alarm(0);
  g_quit_armed = 0;
}

}  // namespace wm033
