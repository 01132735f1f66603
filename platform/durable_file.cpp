#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wm033 {

bool DurableFile::OpenAppend(const std::string& path, bool create) {
  Close();
  path_ = path;
  int flags = O_WRONLY | O_APPEND | O_CLOEXEC;
  if (create) flags |= O_CREAT;
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  error_.clear();
  return true;
}

bool DurableFile::WriteLine(const std::string& text, bool sync) {
  if (fd_ < 0) {
    error_ = "file not open";
    return false;
  }
  const std::string line = text + "\r\n";
  struct stat st;
  const bool have_size = ::fstat(fd_, &st) == 0;
  const ssize_t n = ::write(fd_, line.data(), line.size());
  if (n != static_cast<ssize_t>(line.size())) {
    const int err = (n < 0) ? errno : ENOSPC;
    // Take back a partly written line, so that the file ends on a whole line.
    if (n > 0 && have_size) {
      if (::ftruncate(fd_, st.st_size) != 0) { /* the reload skips a cut-short record */
      }
    }
    error_ = std::strerror(err);
    return false;
  }
  return !sync || Sync();
}

bool DurableFile::Sync() {
  if (fd_ < 0) return false;
  if (::fdatasync(fd_) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  return true;
}

void DurableFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace wm033
