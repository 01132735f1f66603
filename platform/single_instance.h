// One running copy per user. A lock file held with flock() stands for the named mutex "MyApp"
// (the kernel drops it when the holder dies, so a copy that died never blocks the next start);
// a Unix socket beside it, reachable by this user only, carries the "MyApp" message with which
// a second copy asks the first to come to the front.
#pragma once

#include <string>

namespace wm033 {

class SingleInstance {
 public:
  enum class Result { First, SecondNotified, Unguarded };

  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock named `name`, or tells the holder and returns SecondNotified. Unguarded
  // when the lock could not be made at all (the reason is in Error()); the program then runs.
  Result Acquire(const std::string& name);
  // The listening socket of the first copy (-1 when none).
  int ListenFd() const { return listen_fd_; }
  // Reads what waits on the socket; true when a "MyApp" message arrived.
  bool ReadMessages();
  const std::string& Error() const { return error_; }
  // The lock is held (a second copy will not run beside this one).
  bool Locked() const { return lock_fd_ >= 0; }
  // The folder of the lock and the socket: $XDG_RUNTIME_DIR/wm033, or /tmp/wm033-<uid>.
  static std::string Folder();

 private:
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  std::string socket_path_;
  std::string name_;
  std::string error_;
};

}  // namespace wm033
