// The data log "C:/WM33DtLg.txt": establishing it at start-up, the line writer and the
// operator's comment button.
#include "datalog/data_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/wm033f1.h"
#include "datalog/records.h"

namespace wm033 {

namespace {
constexpr const char* kCommentCaption = "Add comment to Weather datafile";
constexpr const char* kCommentPrompt =
    "What you enter will be prefixed 'cm<datestamp> By hand:' and a date/timestamp";
}  // namespace

bool EndLastLine(int write_fd, const std::string& path, std::string* error) {
  const int rfd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (rfd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  struct stat st;
  char last = '\n';
  bool ok = ::fstat(rfd, &st) == 0;
  if (ok && st.st_size > 0) ok = ::pread(rfd, &last, 1, st.st_size - 1) == 1;
  if (!ok && error) *error = std::strerror(errno);
  ::close(rfd);
  if (!ok || last == '\n') return ok;
  const char* mend = (last == '\r') ? "\n" : "\r\n";
  const auto len = static_cast<ssize_t>(std::strlen(mend));
  if (::write(write_fd, mend, static_cast<size_t>(len)) != len || ::fdatasync(write_fd) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  return true;
}

bool FileLeftItsPath(int fd, const std::string& path) {
  struct stat open_st, path_st;
  if (::fstat(fd, &open_st) != 0) return true;
  if (open_st.st_nlink == 0) return true;
  if (::stat(path.c_str(), &path_st) != 0) return true;
  return open_st.st_dev != path_st.st_dev || open_st.st_ino != path_st.st_ino;
}

void TWM033f1::OpenDataLog() {
  bIoFailure = false;
  std::string why;
  const auto path = MapPath(env(), sDataLogName, &why);
  if (path && !FileExists(*path)) {
    platform().ShowMessage("Unable to find old data log. A new one will be created at " +
                           sDataLogName);
    if (fDataLog.OpenAppend(*path, true)) {
      WriteDataLogLine(DataLogHeaderLine1());
      WriteDataLogLine(DataLogHeaderLine2(MakeTimeStamp()));
    }
    fDataLog.Close();
  }
  if (!bDataLogOpen) return;
  bool ok = path && fDataLog.OpenAppend(*path, false);
  if (path) why = fDataLog.Error();
  if (ok && !EndLastLine(fDataLog.Fd(), *path, &why)) {
    // The log is usable; only the mend of its last line failed.
    ReportError("Could not end the last line of the data log " + sDataLogName + ": " + why);
  }
  if (!ok) {
    bIoFailure = true;
    if (!why.empty()) platform().EchoErrorLine(sDataLogName + ": " + why);
    platform().ShowMessage("Unable to establish Data Log File");
    bDataLogOpen = false;
    platform().Terminate(kExitFatalConfig);
    buQuitClick();
  }
}

bool TWM033f1::WriteDataLogLine(const std::string& line) {
  // While the history reload reads the file, or after Quit, nothing is written.
  if (!bDataLogOpen || bReloadInProgress) return false;
  std::string path = fDataLog.Path();
  if (path.empty()) path = MapPath(env(), sDataLogName).value_or(sDataLogName);
  buQuit.SetEnabled(false);
  bDataLogBusy = true;
  bool ok = true;
  if (!fDataLog.IsOpen() || FileLeftItsPath(fDataLog.Fd(), path)) {
    // Writing on would feed a deleted or replaced file, or none: open (or create) the one at
    // the path, so that the records go where the next start will look for them.
    const bool existed = FileExists(path);
    ok = fDataLog.OpenAppend(path, true);
    if (ok) {
      if (!existed) {
        fDataLog.WriteLine(DataLogHeaderLine1());
        fDataLog.WriteLine(DataLogHeaderLine2(MakeTimeStamp()));
      }
      ReportError("The data log " + sDataLogName + " was not the file at its path any more; " +
                  (existed ? "it was opened again." : "it was created again."));
    }
  }
  if (ok) ok = fDataLog.WriteLine(line);
  if (!ok) {
    ReportError("Unable to write to the data log " + sDataLogName + " (" + fDataLog.Error() +
                "). Record not written: " + line);
  }
  buQuit.SetEnabled(true);
  bDataLogBusy = false;
  return ok;
}

void TWM033f1::CloseDataLog() {
  fDataLog.Close();
}

void TWM033f1::buInsCmntClick() {
  const auto answer = platform().InputBox(kCommentCaption, kCommentPrompt, "");
  const std::string text = CleanHandComment(answer.value_or(""));
  WriteDataLogLine(HandCommentRecord(MakeTimeStamp(), text));
}

}  // namespace wm033
