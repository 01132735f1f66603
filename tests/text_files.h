// Small helpers of the tests for the text files the program writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace wm033::testing {

// The lines of a text, CR LF or LF ended; a last line without its end counts too.
inline std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : text) {
    if (c == '\n') {
      if (!cur.empty() && cur.back() == '\r') cur.pop_back();
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Compares `actual` with the golden file at `path`; WM033_UPDATE_GOLDEN=1 rewrites the file
// instead.
inline void ExpectGoldenFile(const std::string& path, const std::string& actual) {
  if (std::getenv("WM033_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing golden file " << path;
  const std::string expected((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(actual, expected) << "differs from " << path;
}

}  // namespace wm033::testing
