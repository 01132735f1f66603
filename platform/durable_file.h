// An append-only text file whose every line reaches the disk before the call returns: one
// write() of the whole line on a file opened with O_APPEND, then fdatasync(). A line that
// cannot be written whole is cut back off the file, so a failed write never leaves half a
// record for the next one to glue onto.
#pragma once

#include <string>

namespace wm033 {

class DurableFile {
 public:
  DurableFile() = default;
  ~DurableFile() { Close(); }
  DurableFile(const DurableFile&) = delete;
  DurableFile& operator=(const DurableFile&) = delete;

  // Opens (creating when asked) for appending. False with the reason in Error().
  bool OpenAppend(const std::string& path, bool create);
  bool IsOpen() const { return fd_ >= 0; }
  // Appends text + CR LF and syncs it (unless `sync` is false: then Sync() must follow soon).
  // False with the reason in Error().
  bool WriteLine(const std::string& text, bool sync = true);
  // Makes every line written so far durable.
  bool Sync();
  void Close();
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::string path_;
  std::string error_;
};

}  // namespace wm033
