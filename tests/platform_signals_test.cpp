// The end of the program always comes: SIGINT and SIGTERM reach the event loop through the pipe
// and arm the watchdog, and a watchdog that fires ends the process with the status it was given
// and one line on stderr. Each case runs in a child process, with real signals and a real alarm.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/signals.h"

namespace wm033 {
namespace {

struct ChildEnd {
  int status = -1;  // exit status, or -1 when it did not exit
  std::string stderr_text;
};

// Runs `body` in a child whose stderr is captured; the child's own return value is its status.
ChildEnd RunChild(const std::function<int()>& body) {
  int err[2];
  if (::pipe(err) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], STDERR_FILENO);
    ::close(err[0]);
    ::_exit(body());
  }
  ::close(err[1]);
  ChildEnd end;
  char buf[256];
  for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) end.stderr_text.append(buf, n);
  ::close(err[0]);
  int ws = 0;
  ::waitpid(pid, &ws, 0);
  if (WIFEXITED(ws)) end.status = WEXITSTATUS(ws);
  return end;
}

TEST(EndWatchdog, AQuitSignalReachesThePipeAndArmsTheGraceTime) {
  const ChildEnd end = RunChild([] {
    const int fd = InstallQuitSignals();
    if (fd < 0) return 90;
    ::raise(SIGTERM);
    char b = 0;
    if (::read(fd, &b, 1) != 1 || b != 'q') return 91;
    const unsigned left = ::alarm(0);  // the seconds still to run
    return left >= kQuitGraceSeconds - 2 && left <= kQuitGraceSeconds ? 0 : 92;
  });
  EXPECT_EQ(end.status, 0);
  EXPECT_EQ(end.stderr_text, "");
}

TEST(EndWatchdog, AnEndThatHangsEndsWithItsStatusAndOneLine) {
  const ChildEnd end = RunChild([] {
    InstallQuitSignals();
    ArmEndWatchdog(1, 3, "the teardown");
    for (;;) ::pause();  // a teardown that never returns
    return 0;
  });
  EXPECT_EQ(end.status, 3);
  EXPECT_EQ(end.stderr_text, "WM033: the teardown did not finish within 1 s; ending now.\n");
}

TEST(EndWatchdog, AnEndThatCameIsNotCutShortLater) {
  const ChildEnd end = RunChild([] {
    InstallQuitSignals();
    ::raise(SIGINT);
    DisarmEndWatchdog();
    if (::alarm(0) != 0) return 93;
    // A later run of the station arms it afresh from its own signal.
    ::raise(SIGTERM);
    return ::alarm(0) > 0 ? 0 : 94;
  });
  EXPECT_EQ(end.status, 0);
  EXPECT_EQ(end.stderr_text, "");
}

}  // namespace
}  // namespace wm033
