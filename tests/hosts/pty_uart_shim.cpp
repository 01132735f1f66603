// Preloaded into the 1-Wire hosts of tests/adapter_hosts.sh. A host that writes to a serial port
// and flushes its output right after still has those bytes sent: the UART has them in its FIFO
// (or the USB converter in a transfer already queued). A pseudo-terminal instead drops whatever
// the kernel has not yet passed to the reader (the master's flip buffer), so a short write just
// before a flush may never reach the emulator. Before a flush of output on a pseudo-terminal
// slave this waits a little, long enough for the kernel to pass those bytes on, and then flushes
// as asked. Nothing else changes.
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>

namespace {

bool IsPtySlave(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  return m >= 136 && m <= 143;  // Unix98 pseudo-terminal slaves
}

}  // namespace

extern "C" int tcflush(int fd, int queue_selector) {
  using Real = int (*)(int, int);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcflush"));
  if ((queue_selector == TCOFLUSH || queue_selector == TCIOFLUSH) && IsPtySlave(fd)) {
    timespec pause{0, 3'000'000};
    nanosleep(&pause, nullptr);
  }
  return real ? real(fd, queue_selector) : -1;
}
