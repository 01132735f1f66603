#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace wm033 {
namespace {

// Makes the folder (mode 0700) or checks that an existing one is ours and private.
bool PrivateFolder(const std::string& dir, std::string& error) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    error = dir + " is not a folder of this user";
    return false;
  }
  if ((st.st_mode & 077) != 0) ::chmod(dir.c_str(), 0700);
  return true;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size());
  return true;
}

}  // namespace

std::string SingleInstance::Folder() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return std::string(xdg) + "/wm033";
  return "/tmp/wm033-" + std::to_string(::getuid());
}

SingleInstance::~SingleInstance() {
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    ::unlink(socket_path_.c_str());
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

SingleInstance::Result SingleInstance::Acquire(const std::string& name) {
  name_ = name;
  const std::string dir = Folder();
  if (!PrivateFolder(dir, error_)) return Result::Unguarded;
  const std::string lock_path = dir + "/" + name + ".lock";
  socket_path_ = dir + "/" + name + ".sock";
  lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd_ < 0) {
    error_ = lock_path + ": " + std::strerror(errno);
    return Result::Unguarded;
  }
  if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_fd_);
    lock_fd_ = -1;
    if (errno != EWOULDBLOCK) {
      error_ = lock_path + ": " + std::strerror(errno);
      return Result::Unguarded;
    }
    // A first copy runs: send it the message and leave.
    sockaddr_un addr;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && FillAddress(socket_path_, addr) &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      const std::string msg = name + "\n";
      if (::write(fd, msg.data(), msg.size()) < 0) { /* the first copy may be ending */
      }
    }
    if (fd >= 0) ::close(fd);
    return Result::SecondNotified;
  }
  // We are the first copy: a socket left by a copy that died is replaced.
  ::unlink(socket_path_.c_str());
  sockaddr_un addr;
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd_ < 0 || !FillAddress(socket_path_, addr) ||
      ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 4) != 0) {
    error_ = socket_path_ + ": " + std::strerror(errno);
    if (listen_fd_ >= 0) ::close(listen_fd_);
    listen_fd_ = -1;
  } else {
    ::chmod(socket_path_.c_str(), 0600);
  }
  return Result::First;
}

bool SingleInstance::ReadMessages() {
  bool got = false;
  if (listen_fd_ < 0) return false;
  for (;;) {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) break;
    // The sender writes its few bytes and closes; wait briefly for them.
    timeval tv{0, 200000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0 && std::string(buf, static_cast<size_t>(n)).rfind(name_, 0) == 0) got = true;
    ::close(fd);
  }
  return got;
}

}  // namespace wm033
