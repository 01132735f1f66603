// The quotes library: the administrator's file of quotes and their sources, cleaned into the
// compact form the page writer draws from ("qq" + quote, "qs" + source, one entry a line).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wm033 {

constexpr const char* kQuotesLibraryName = "WM33QuotesLibrary.txt";
// A library larger than this is refused rather than read into memory.
constexpr size_t kMaxQuotesLibraryBytes = 16u << 20;

// The message shown when the library file is missing.
std::string MissingQuotesLibraryMessage(const std::string& file_name);

// Splits file content into lines: CR LF, LF and a lone CR each end a line; a final line end
// makes no extra empty line; a UTF-8 byte order mark at the start is dropped.
std::vector<std::string> SplitTextLines(std::string_view content);

// Cleans, massages and checks the library's lines in place. Returns the message of the first
// check that failed, or nullopt when the lines are now in the internal form.
std::optional<std::string> CleanQuotes(std::vector<std::string>& lines);

// Picks the quote at or after `start` (wrapping) in the cleaned lines, and its source when the
// line after it is one. False, with both texts empty, when there is no quote line at all.
bool ChooseQuoteFrom(const std::vector<std::string>& lines, size_t start, std::string& quote,
                     std::string& source);

}  // namespace wm033
