// Loading, cleaning and checking the quotes library, and picking one quote for a page.
#include "webpage/quotes_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/wm033f1.h"

namespace wm033 {

namespace {

constexpr std::string_view kQuoteMarker = "<!--q-->";
constexpr std::string_view kSourceMarker = "<!--s-->";
constexpr std::string_view kQuoteTag = "qq";
constexpr std::string_view kSourceTag = "qs";

constexpr const char* kNoQuoteLine =
    "Your datafile does not appear to have even one line with <!--q--> at the start of a line. "
    "The application will shut down. Revise your datafile and try again.";
constexpr const char* kRawQq =
    "There is at least one line in the data file which, before massaging, starts with \"qq\". "
    "This is not allowed. Revise your datafile. The application will shut down when you click "
    "\"OK\".";
constexpr const char* kRawQs =
    "There is at least one line in the data file which, before massaging, starts with \"qs\". "
    "This is not allowed. Revise your datafile. The application will shut down when you click "
    "\"OK\".";
constexpr const char* kNotQqOrQs =
    "There is at least one line in the data file which, after massaging, doesn't begin with "
    "either \"qq\" or \"qs\". Revise your datafile. The application will shut down when you "
    "click \"OK\".";
constexpr const char* kNotEnoughLeft =
    "After \"cleaning\", there was not enough left in your quotes library. Program will "
    "terminate.";
constexpr const char* kTooShort =
    "There is at least one line in the data file which, after massaging, is too short. Revise "
    "your datafile. The application will shut down when you click \"OK\".";
constexpr const char* kDoubleSource =
    "You cannot, as you have now, have two  <!--s--> lines in a row. Revise your datafile. The "
    "application will shut down when you click \"OK\".";

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// Line `pos` (counted from 1), or "" for a position beyond the end.
std::string_view At(const std::vector<std::string>& lines, size_t pos) {
  return pos >= 1 && pos <= lines.size() ? std::string_view(lines[pos - 1]) : std::string_view();
}

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string MissingQuotesLibraryMessage(const std::string& file_name) {
  return "A text file named " + file_name + " must " +
         "exist in the same folder as the application's .exe file. " +
         "It must consist of at least four lines conforming to " +
         "the following pattern (quote and source)....." + "\r\r" + "   <!--q-->E tu Brute?" +
         "\r" + "   <!--s-->Caesar, J" + "\r" + "   <!--q-->Come here, Watson..." + "\r" +
         "   <!--s-->Thos. A Edison" + "\r\r" +
         "Each quote must all be on one line, but <br>'s can be embedded." + "\r" +
         "It is not necessary for a source to be given for every quote." + "\r\r" +
         "Provide such a file." + "\r" + "Program will shut down after you press OK.";
}

std::vector<std::string> SplitTextLines(std::string_view content) {
  if (StartsWith(content, "\xEF\xBB\xBF")) content.remove_prefix(3);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(content.substr(start, i - start));
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

std::optional<std::string> CleanQuotes(std::vector<std::string>& lines) {
  // 1. Indented lines are trimmed, so that markers may be indented.
  for (std::string& line : lines)
    if (!line.empty() && line[0] == ' ') line = Trim(line);
  // 2. Comments and empty lines go.
  std::erase_if(lines, [](const std::string& l) { return l.empty() || l[0] == ';'; });
  // 3. Everything before the first quote is header.
  size_t first = 0;
  while (first < lines.size() && !StartsWith(lines[first], kQuoteMarker)) ++first;
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
  if (lines.size() < 2) return kNoQuoteLine;
  // 4. Raw lines that would look like the internal form are refused (the last line is not looked
  //    at: massaging turns it into "q-q" or "q-s", which is never shown).
  for (size_t pos = 1; pos <= lines.size() - 1; ++pos) {
    if (StartsWith(At(lines, pos), kQuoteTag)) return kRawQq;
    if (StartsWith(At(lines, pos), kSourceTag)) return kRawQs;
  }
  // 5. Massage into the internal form.
  for (std::string& line : lines) {
    if (StartsWith(line, kQuoteMarker))
      line = std::string(kQuoteTag) + line.substr(kQuoteMarker.size());
    else if (StartsWith(line, kSourceMarker))
      line = std::string(kSourceTag) + line.substr(kSourceMarker.size());
    else if (StartsWith(line, kQuoteTag))
      line = "q-q" + line.substr(2);
    else if (StartsWith(line, kSourceTag))
      line = "q-s" + line.substr(2);
  }
  // 6. A bare marker takes the next line as its text.
  for (size_t i = 0; i + 1 < lines.size();) {
    if (lines[i] == kQuoteTag || lines[i] == kSourceTag) {
      lines[i] += lines[i + 1];
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    } else {
      ++i;
    }
  }
  // 7. Every line but the last must now be a quote or a source; a single line left is refused
  //    here, because its missing second line is looked at.
  const size_t n = lines.size();
  const size_t last7 = n == 1 ? 2 : n - 1;
  for (size_t pos = 1; pos <= last7; ++pos) {
    const std::string_view l = At(lines, pos);
    if (!StartsWith(l, kQuoteTag) && !StartsWith(l, kSourceTag)) return kNotQqOrQs;
  }
  // 8.
  if (n == 1) return kNotEnoughLeft;
  // 9. Entries too short to hold a text, and two sources in a row. With two lines left the scan
  //    runs on to the missing third line, so a two-line library is refused as too short.
  const size_t last9 = n >= 3 ? n - 2 : 3;
  for (size_t pos = 1; pos <= last9; ++pos) {
    const std::string_view l = At(lines, pos);
    if (StartsWith(l, kSourceTag) && StartsWith(At(lines, pos + 1), kSourceTag))
      return kDoubleSource;
    if (l.size() < 3) return kTooShort;
  }
  return std::nullopt;
}

bool ChooseQuoteFrom(const std::vector<std::string>& lines, size_t start, std::string& quote,
                     std::string& source) {
  quote.clear();
  source.clear();
  const size_t n = lines.size();
  if (n == 0) return false;
  size_t i = start % n;
  bool found = false;
  std::string candidate;
  for (size_t tries = 0; tries < n && !found; ++tries) {
    candidate = lines[i];
    i = (i + 1 == n) ? 0 : i + 1;
    found = StartsWith(candidate, kQuoteTag);
  }
  if (!found) return false;
  quote = candidate.substr(2);
  // The line after the quote is its source when it is one; a quote on the last line has none.
  if (i > 0 && StartsWith(lines[i], kSourceTag)) source = lines[i].substr(2);
  return true;
}

// Reads the library file into meQuotesLib; a missing or unreadable file shuts the program down.
void TWM033f1::LoadQuotesLibrary() {
  auto fail = [this](const std::string& message) {
    platform().ShowMessage(message);
    bQuitting = true;
    platform().Terminate(kExitFatalConfig);
  };
  const auto path = MapPath(env(), kQuotesLibraryName);
  if (!path || !FileExists(*path)) return fail(MissingQuotesLibraryMessage(kQuotesLibraryName));
  auto unreadable = [&](const std::string& why) {
    fail(std::string("The file ") + kQuotesLibraryName + " could not be read (" + why +
         "). Program will shut down after you press OK.");
  };
  const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return unreadable(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < 0 ||
      static_cast<unsigned long long>(st.st_size) > kMaxQuotesLibraryBytes) {
    ::close(fd);
    return unreadable("it is larger than " + std::to_string(kMaxQuotesLibraryBytes >> 20) + " MB");
  }
  std::string content;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      return unreadable(std::strerror(err));
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
    if (content.size() > kMaxQuotesLibraryBytes) {
      ::close(fd);
      return unreadable("it is larger than " + std::to_string(kMaxQuotesLibraryBytes >> 20) +
                        " MB");
    }
  }
  ::close(fd);
  meQuotesLib.SetLines(SplitTextLines(content));
}

// Cleans and checks meQuotesLib; a library that fails a check shuts the program down.
void TWM033f1::CleanQuotesLibrary() {
  std::vector<std::string> lines = meQuotesLib.Lines();
  const auto problem = CleanQuotes(lines);
  if (problem) {
    platform().ShowMessage(*problem);
    bQuitting = true;
    platform().Terminate(kExitFatalConfig);
    meQuotesLib.Clear();  // no partial library is used
    return;
  }
  meQuotesLib.SetLines(std::move(lines));
}

// Picks a random quote and its source from the cleaned library.
void TWM033f1::ChooseQuote(std::string& quote, std::string& source) {
  const auto& lines = meQuotesLib.Lines();
  const uint32_t start = platform().Random(static_cast<uint32_t>(lines.size()));
  ChooseQuoteFrom(lines, start, quote, source);
}

}  // namespace wm033
