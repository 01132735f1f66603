// One running copy per user: the lock, the message to the first copy, and a dead holder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/single_instance.h"

namespace wm033 {
namespace {

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("wm033-instance-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    old_ = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty())
      unsetenv("XDG_RUNTIME_DIR");
    else
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  std::string old_;
};

TEST_F(InstanceTest, SecondCopyTellsTheFirst) {
  SingleInstance first;
  ASSERT_EQ(first.Acquire("MyApp"), SingleInstance::Result::First);
  EXPECT_FALSE(first.ReadMessages());
  {
    SingleInstance second;
    EXPECT_EQ(second.Acquire("MyApp"), SingleInstance::Result::SecondNotified);
  }
  EXPECT_TRUE(first.ReadMessages());
  // The lock folder is private to the user.
  const auto perms = std::filesystem::status(dir_ / "wm033").permissions();
  EXPECT_EQ(perms & std::filesystem::perms::others_all, std::filesystem::perms::none);
}

TEST_F(InstanceTest, ACopyThatDiedDoesNotBlockTheNext) {
  const pid_t child = fork();
  if (child == 0) {
    SingleInstance held;
    held.Acquire("MyApp");
    _exit(0);  // dies without cleaning up: the socket file stays behind
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(std::filesystem::exists(dir_ / "wm033" / "MyApp.sock"));
  SingleInstance next;
  EXPECT_EQ(next.Acquire("MyApp"), SingleInstance::Result::First);
}

}  // namespace
}  // namespace wm033
