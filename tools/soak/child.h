// One run of the monitor under the soak: started in the station folder with its environment,
// optionally with a limit on file sizes (a full disk: writes past it fail with EFBIG instead of
// killing the program, as SIGXFSZ is ignored), its standard error read line by line, its
// resident memory read from /proc, and its end (kill, SIGTERM, or by itself) collected.
// Header-only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace wm033::soak {

class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Reap(true);
    }
    if (fd_ >= 0) ::close(fd_);
  }

  // Starts `program` in `folder` with `env` (NAME=value entries) as its whole environment.
  // `file_size_limit` >= 0 sets RLIMIT_FSIZE in the child. False with the reason in Error().
  bool Start(const std::string& program, const std::string& folder,
             const std::vector<std::string>& env, int64_t file_size_limit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return Fail("pipe");
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return Fail("fork");
    }
    if (pid == 0) {
      // Only async-signal-safe calls from here to exec.
      ::dup2(fds[1], STDERR_FILENO);
      ::dup2(fds[1], STDOUT_FILENO);
      const int null_fd = ::open("/dev/null", O_RDONLY);
      if (null_fd >= 0) ::dup2(null_fd, STDIN_FILENO);
      ::signal(SIGXFSZ, SIG_IGN);
      if (file_size_limit >= 0) {
        struct rlimit rl;
        rl.rlim_cur = rl.rlim_max = static_cast<rlim_t>(file_size_limit);
        ::setrlimit(RLIMIT_FSIZE, &rl);
      }
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    fd_ = fds[0];
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    status_.reset();
    partial_.clear();
    return true;
  }

  // Reads what the program printed since the last call; whole lines go to `lines`. Waits up to
  // `wait_ms` for something to read.
  void Read(std::vector<std::string>& lines, int wait_ms = 0) {
    if (fd_ < 0) return;
    struct pollfd p = {fd_, POLLIN, 0};
    if (wait_ms > 0) ::poll(&p, 1, wait_ms);
    char buf[65536];
    while (true) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n > 0) {
        partial_.append(buf, static_cast<size_t>(n));
        continue;
      }
      if (n == 0) {  // every writer has gone
        ::close(fd_);
        fd_ = -1;
        if (!partial_.empty()) partial_ += '\n';
      }
      break;
    }
    size_t start = 0, nl;
    while ((nl = partial_.find('\n', start)) != std::string::npos) {
      lines.push_back(partial_.substr(start, nl - start));
      start = nl + 1;
    }
    partial_.erase(0, start);
  }

  // True while the program runs (collects its status once it has ended).
  bool Running() {
    if (pid_ <= 0) return false;
    Reap(false);
    return pid_ > 0;
  }

  // Ends the program with `sig` and waits up to `timeout_ms` for it (then SIGKILL). Everything
  // it printed is read into `lines`. Returns the wait status.
  int Stop(int sig, int timeout_ms, std::vector<std::string>& lines, bool* timed_out = nullptr) {
    if (timed_out) *timed_out = false;
    if (pid_ > 0) ::kill(pid_, sig);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Running()) {
      Read(lines, 5);
      if (std::chrono::steady_clock::now() > deadline) {
        if (timed_out) *timed_out = true;
        ::kill(pid_, SIGKILL);
        Reap(true);
      }
    }
    Drain(lines);
    return status_.value_or(0);
  }

  // Reads to the end of the output once the program has ended. Another process that inherited
  // the pipe could hold it open: we give up after a second.
  void Drain(std::vector<std::string>& lines) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (fd_ >= 0 && std::chrono::steady_clock::now() < until) Read(lines, 20);
  }

  std::optional<int> Status() const { return status_; }
  pid_t Pid() const { return pid_; }

  // VmRSS of the running program in kB, or -1.
  int64_t ResidentKb() const {
    if (pid_ <= 0) return -1;
    std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6);
    }
    return -1;
  }

  const std::string& Error() const { return error_; }

 private:
  void Reap(bool block) {
    int st = 0;
    const pid_t r = ::waitpid(pid_, &st, block ? 0 : WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD)) {
      status_ = st;
      pid_ = -1;
    }
  }
  bool Fail(const char* what) {
    error_ = std::string(what) + ": " + std::strerror(errno);
    return false;
  }

  pid_t pid_ = -1;
  int fd_ = -1;
  std::string partial_;
  std::optional<int> status_;
  std::string error_;
};

}  // namespace wm033::soak
