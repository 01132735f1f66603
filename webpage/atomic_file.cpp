#include "webpage/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

namespace wm033 {

namespace {

constexpr size_t kTempSuffixLength = 6;  // the XXXXXX that mkostemp fills in
constexpr const char* kTempSuffix = ".XXXXXX";

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

mode_t ModeForNewFile() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

bool WriteAll(int fd, std::string_view data, int& err) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    if (n == 0) {
      err = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view data, std::string& error) {
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) {
    error = "no file name";
    return false;
  }
  const std::string folder = FolderOf(path);
  std::string temp = folder + "/." + name + kTempSuffix;
  std::vector<char> temp_buf(temp.begin(), temp.end());
  temp_buf.push_back('\0');
  const int fd = ::mkostemp(temp_buf.data(), O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  temp.assign(temp_buf.data());

  // A size limit on the process raises SIGXFSZ; a write that hits it must fail, not kill us.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previous);

  int err = 0;
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : ModeForNewFile();
  // The temporary file stays private (mkostemp makes it 0600) until it is complete, so a publish
  // killed half-way leaves nothing that others can read; the final mode is set just before the
  // rename.
  bool ok = WriteAll(fd, data, err);
  ok = ok && (::fsync(fd) == 0 || (err = errno, false));
  ok = ok && (::fchmod(fd, mode) == 0 || (err = errno, false));
  if (::close(fd) != 0 && ok) {
    err = errno;
    ok = false;
  }
  ok = ok && (::rename(temp.c_str(), path.c_str()) == 0 || (err = errno, false));
  ::sigaction(SIGXFSZ, &previous, nullptr);
  if (!ok) {
    ::unlink(temp.c_str());
    error = std::strerror(err);
    return false;
  }
  // Make the rename itself durable.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  error.clear();
  return true;
}

bool IsReplacementTempName(std::string_view name) {
  // "." + at least one character of the name + "." + the six random characters.
  if (name.size() < 2 + 1 + kTempSuffixLength || name.front() != '.') return false;
  const size_t dot = name.size() - kTempSuffixLength - 1;
  if (name[dot] != '.') return false;
  for (size_t i = dot + 1; i < name.size(); ++i)
    if (!IsLetterOrDigit(name[i])) return false;
  return true;
}

bool RemoveLeftoverTempFiles(const std::string& folder, std::vector<std::string>& removed) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  const int fd = ::dirfd(dir);
  const uid_t me = ::geteuid();
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name(e->d_name);
    if (!IsReplacementTempName(name)) continue;
    struct stat st {};
    if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (::unlinkat(fd, e->d_name, 0) == 0) removed.emplace_back(name);
  }
  ::closedir(dir);
  return true;
}

}  // namespace wm033
