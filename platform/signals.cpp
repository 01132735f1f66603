#include "platform/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace wm033 {
namespace {

int g_write_fd = -1;
int g_read_fd = -1;

void OnQuitSignal(int) {
  const char b = 'q';
  if (g_write_fd >= 0) {
    if (::write(g_write_fd, &b, 1) < 0) { /* the pipe is full: a request is already there */
    }
  }
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
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

void DrainQuitSignals(int fd) {
  char buf[64];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
}

}  // namespace wm033
