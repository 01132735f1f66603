// Replays the inputs kept from fuzzing the DS2480B driver (tests/fuzz/corpus/fuzz_ds2480b: the
// seeds, a minimized corpus of a ten-minute run, and any input that ever failed) through the same
// routine the fuzz target runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/fuzz/ds2480b_replies.h"

namespace wm033::testing {
namespace {

TEST(Ds2480bFuzzCorpus, EveryKeptInputRuns) {
  const std::filesystem::path dir =
      std::filesystem::path(WM033_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_ds2480b";
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    SCOPED_TRACE(entry.path().filename().string());
    fuzz::RunDs2480bReplies(bytes.data(), bytes.size());
    ++n;
  }
  EXPECT_GE(n, 3);
}

}  // namespace
}  // namespace wm033::testing
