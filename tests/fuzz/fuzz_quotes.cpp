// Any bytes as WM33QuotesLibrary.txt: split into lines and cleaned as the start-up does it. A
// library that passes the checks is in the internal form and every page can draw a quote from
// it; one that fails names its problem. Never a crash or a hang.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "webpage/quotes_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wm033;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = SplitTextLines(text);
  for (const std::string& l : lines)
    if (l.find_first_of("\r\n") != std::string::npos) std::abort();
  const auto problem = CleanQuotes(lines);
  std::string quote, source;
  if (problem) {
    if (problem->empty()) std::abort();
    // The page writer never sees a refused library; it must still not hang on one.
    (void)ChooseQuoteFrom(lines, size, quote, source);
    return 0;
  }
  if (lines.size() < 3 || lines[0].rfind("qq", 0) != 0) std::abort();
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i].rfind("qq", 0) != 0 && lines[i].rfind("qs", 0) != 0) std::abort();
  for (size_t start = 0; start < lines.size() && start < 64; ++start) {
    if (!ChooseQuoteFrom(lines, start, quote, source)) std::abort();
    if (quote.size() + 2 > text.size() + 2 || source.size() > text.size()) std::abort();
  }
  return 0;
}
