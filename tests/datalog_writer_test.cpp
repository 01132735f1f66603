// Establishing the data log, writing lines durably, and what happens when the file fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "datalog/data_log.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr const char* kLog = "WM33DtLg.txt";

// A form with the data log established as start-up does it, without the rest of start-up.
TWM033f1& OpenLog(Station& s) {
  TWM033f1& f = s.Create();
  f.bDataLogOpen = true;
  f.OpenDataLog();
  return f;
}

bool HasErrorLine(const Station& s, const std::string& part) {
  for (const std::string& l : s.platform.error_lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

TEST(DatalogWriter, NewLogGetsTheMessageAndTwoHeaderLines) {
  Station s;
  TWM033f1& f = OpenLog(s);
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0],
            "Unable to find old data log. A new one will be created at C:/WM33DtLg.txt");
  EXPECT_TRUE(f.bDataLogOpen);
  EXPECT_TRUE(f.fDataLog.IsOpen());
  EXPECT_EQ(s.Read(kLog),
            "cm Data Log File for WM033\r\ncm created:(following is date/time, encoded) "
            "12h23o05\r\n");
  // An existing log is opened quietly and only appended to.
  f.CloseDataLog();
  f.OpenDataLog();
  EXPECT_EQ(s.platform.messages.size(), 1u);
  EXPECT_TRUE(f.WriteDataLogLine("rf12h23o05000000007"));
  EXPECT_EQ(s.Lines(kLog).size(), 3u);
  EXPECT_TRUE(f.buQuit.Enabled());
  EXPECT_FALSE(f.bDataLogBusy);
}

TEST(DatalogWriter, ALineCutShortGetsItsLineEndBeforeTheNextRecord) {
  Station s;
  s.Write(kLog, "cm Data Log File for WM033\r\nrf12h23o0500000");
  TWM033f1& f = OpenLog(s);
  EXPECT_TRUE(s.platform.messages.empty());
  f.WriteDataLogLine("ws12h23o05000000001");
  EXPECT_EQ(s.Read(kLog),
            "cm Data Log File for WM033\r\nrf12h23o0500000\r\nws12h23o05000000001\r\n");

  // Cut between CR and LF: only the LF is missing.
  Station s2;
  s2.Write(kLog, "cm x\r\nrf12h23o05000000001\r");
  TWM033f1& f2 = OpenLog(s2);
  f2.WriteDataLogLine("ws12h23o05000000001");
  EXPECT_EQ(s2.Read(kLog), "cm x\r\nrf12h23o05000000001\r\nws12h23o05000000001\r\n");

  // A whole last line and an empty file are left as they are.
  Station s3;
  s3.Write(kLog, "");
  OpenLog(s3).WriteDataLogLine("a");
  EXPECT_EQ(s3.Read(kLog), "a\r\n");
}

TEST(DatalogWriter, NothingIsWrittenWhileTheLogIsNotOpen) {
  Station s;
  TWM033f1& f = OpenLog(s);
  f.buQuitClick();
  EXPECT_FALSE(f.bDataLogOpen);
  EXPECT_FALSE(f.WriteDataLogLine("rf12h23o05000000007"));
  f.buInsCmnt.Click();
  EXPECT_EQ(s.Lines(kLog).size(), 2u);
}

TEST(DatalogWriter, ALogThatCannotBeOpenedEndsTheProgramAsAFailedFile) {
  Station s;
  std::filesystem::create_directories(s.Path(kLog));  // a folder where the file should be
  TWM033f1& f = OpenLog(s);
  ASSERT_FALSE(s.platform.messages.empty());
  EXPECT_EQ(s.platform.messages.back(), "Unable to establish Data Log File");
  EXPECT_FALSE(f.bDataLogOpen);
  EXPECT_TRUE(f.bIoFailure);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_TRUE(s.platform.terminated);
  EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
  EXPECT_FALSE(f.WriteDataLogLine("x"));
}

TEST(DatalogWriter, CommentButtonStripsCmAndWritesEvenWhenCancelled) {
  Station s;
  TWM033f1& f = OpenLog(s);
  s.platform.input_answers = {std::string("CM gauge emptied"), std::string("plain"), std::nullopt};
  f.buInsCmnt.Click();
  f.buInsCmnt.Click();
  f.buInsCmnt.Click();
  ASSERT_EQ(s.platform.input_prompts.size(), 3u);
  EXPECT_EQ(s.platform.input_prompts[0],
            "Add comment to Weather datafile|What you enter will be prefixed 'cm<datestamp> By "
            "hand:' and a date/timestamp");
  const auto lines = s.Lines(kLog);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "cm12h23o05 By hand:  gauge emptied");
  EXPECT_EQ(lines[3], "cm12h23o05 By hand: plain");
  EXPECT_EQ(lines[4], "cm12h23o05 By hand: ");
}

TEST(DatalogWriter, ALogDeletedWhileOpenIsCreatedAgainAndReported) {
  Station s;
  TWM033f1& f = OpenLog(s);
  std::filesystem::remove(s.Path(kLog));
  EXPECT_TRUE(f.WriteDataLogLine("rf12h23o05000000007"));
  EXPECT_TRUE(HasErrorLine(s, "created again"));
  const auto lines = s.Lines(kLog);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "cm Data Log File for WM033");
  EXPECT_EQ(lines[2], "rf12h23o05000000007");
}

TEST(DatalogWriter, ALogReplacedWhileOpenIsOpenedAgain) {
  Station s;
  TWM033f1& f = OpenLog(s);
  std::filesystem::rename(s.Path(kLog), s.Path("old.txt"));
  s.Write(kLog, "cm restored\r\n");
  EXPECT_TRUE(f.WriteDataLogLine("rf12h23o05000000007"));
  EXPECT_TRUE(HasErrorLine(s, "opened again"));
  EXPECT_EQ(s.Read(kLog), "cm restored\r\nrf12h23o05000000007\r\n");
  EXPECT_EQ(s.Lines("old.txt").size(), 2u);
}

TEST(DatalogWriter, ABrokenDescriptorIsReplacedAndTheRecordKept) {
  Station s;
  TWM033f1& f = OpenLog(s);
  ::close(f.fDataLog.Fd());  // the descriptor goes bad behind the writer's back
  EXPECT_TRUE(f.WriteDataLogLine("rf12h23o05000000007"));
  EXPECT_EQ(s.Lines(kLog).back(), "rf12h23o05000000007");
  EXPECT_FALSE(s.platform.error_lines.empty());
}

// A full disk, simulated by a file size limit in a child process (SIGXFSZ ignored, so the write
// fails with EFBIG). The child reports what it saw in its exit status.
TEST(DatalogWriter, AFullDiskIsReportedAndTheRunGoesOn) {
  Station s;
  TWM033f1& f = OpenLog(s);
  const std::string before = s.Read(kLog);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int failures = 0;
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit;
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = before.size() + 8;  // room for part of the line only
    ::setrlimit(RLIMIT_FSIZE, &small);
    if (f.WriteDataLogLine("rf12h23o05000000007")) failures |= 1;
    if (!HasErrorLine(s, "Unable to write to the data log C:/WM33DtLg.txt")) failures |= 2;
    if (!HasErrorLine(s, "Record not written: rf12h23o05000000007")) failures |= 2;
    if (s.Read(kLog) != before) failures |= 4;  // no half record left behind
    if (!f.buQuit.Enabled() || f.bDataLogBusy) failures |= 8;
    ::setrlimit(RLIMIT_FSIZE, &old_limit);  // space again: the next record goes in
    if (!f.WriteDataLogLine("rf12h23o05000000008")) failures |= 16;
    if (s.Read(kLog) != before + "rf12h23o05000000008\r\n") failures |= 32;
    ::_exit(failures);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DatalogWriter, HelpersSeeDeletedAndReplacedFiles) {
  Station s;
  s.Write("a.txt", "x");
  const int fd = ::open(s.Path("a.txt").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(FileLeftItsPath(fd, s.Path("a.txt")));
  EXPECT_TRUE(FileLeftItsPath(fd, s.Path("b.txt")));
  std::string why;
  EXPECT_TRUE(EndLastLine(fd, s.Path("a.txt"), &why));
  EXPECT_EQ(s.Read("a.txt"), "x\r\n");
  std::filesystem::remove(s.Path("a.txt"));
  EXPECT_TRUE(FileLeftItsPath(fd, s.Path("a.txt")));
  ::close(fd);
  EXPECT_TRUE(FileLeftItsPath(fd, s.Path("a.txt")));
  EXPECT_FALSE(EndLastLine(-1, s.Path("missing.txt"), &why));
  EXPECT_FALSE(why.empty());
}

TEST(DatalogWriter, DemoStartWritesHeadersThenStartRecords) {
  Station s({{"WM033_MICROLAN", "sim"}});
  s.CopyDemo();
  std::filesystem::remove(s.Path(kLog));
  s.Start();
  const std::string text = s.Read(kLog);
  const auto lines = s.Lines(kLog);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "cm Data Log File for WM033");
  EXPECT_EQ(lines[1], "cm created:(following is date/time, encoded) 12h23o05");
  EXPECT_EQ(lines[2], "ss12h23o05 ~ ~ ~ System started, WM033 version: 23Aug12c");
  EXPECT_EQ(lines[3].rfind("wo12h23o05 ~ ~ ~ Wind Dir Offset:", 0), 0u);
  EXPECT_EQ(text.find(lines[3] + "\r\n"), text.find("wo12h23o05"));
  // Every line ends with CR LF.
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      EXPECT_EQ(text[i - 1], '\r');
      ++n;
    }
  EXPECT_EQ(n, lines.size());
}

}  // namespace
}  // namespace wm033::testing
