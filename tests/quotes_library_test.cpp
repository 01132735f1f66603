// The quotes library: reading the file, every refusal of the cleaner, and picking a quote.
#include "webpage/quotes_library.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

using Lines = std::vector<std::string>;

// Cleans the lines and returns the message ("" when accepted); `lines` holds the result.
std::string Clean(Lines& lines) {
  return CleanQuotes(lines).value_or("");
}

bool Refused(Lines lines, const std::string& start_of_message) {
  const std::string m = Clean(lines);
  return m.rfind(start_of_message, 0) == 0 && !start_of_message.empty();
}

TEST(QuotesCleaner, MassagesIntoTheInternalForm) {
  Lines lines = {"The station's quotes",       "; a comment",       "",
                 "   <!--q-->E tu Brute?  \t", "<!--s-->Caesar, J", "<!--q-->",
                 "Come here, Watson...",       "<!--s-->",          "Thos. A Edison",
                 "<!--q-->A third one"};
  EXPECT_EQ(Clean(lines), "");
  EXPECT_EQ(lines, (Lines{"qqE tu Brute?", "qsCaesar, J", "qqCome here, Watson...",
                          "qsThos. A Edison", "qqA third one"}));
}

TEST(QuotesCleaner, NeedsAQuoteLineAndMoreThanIt) {
  const std::string no_quote = "Your datafile does not appear to have even one line with <!--q-->";
  EXPECT_TRUE(Refused({}, no_quote));
  EXPECT_TRUE(Refused({"title", "<!--s-->source only", "text"}, no_quote));
  EXPECT_TRUE(Refused({"title", "<!--q-->the only line"}, no_quote));
  // A marker that is not at the start of the line (after a tab, which is not trimmed) is text.
  EXPECT_TRUE(Refused({"\t<!--q-->tabbed", "<!--s-->x"}, no_quote));
}

TEST(QuotesCleaner, RawInternalFormIsRefusedBeforeMassaging) {
  const std::string qq =
      "There is at least one line in the data file which, before massaging, "
      "starts with \"qq\".";
  const std::string qs =
      "There is at least one line in the data file which, before massaging, "
      "starts with \"qs\".";
  EXPECT_TRUE(Refused({"<!--q-->a quote", "qs raw", "<!--q-->b", "<!--q-->c"}, qs));
  EXPECT_TRUE(Refused({"<!--q-->a quote", "qq raw", "qs raw", "<!--q-->c"}, qq));
  EXPECT_TRUE(Refused({"<!--q-->a quote", "qs raw", "qq raw", "<!--q-->c"}, qs));
  // The last line is not looked at; massaged to "q-s", it is never used.
  Lines last = {"<!--q-->one", "<!--s-->src", "<!--q-->two", "qs raw"};
  EXPECT_EQ(Clean(last), "");
  EXPECT_EQ(last.back(), "q-s raw");
}

TEST(QuotesCleaner, LinesThatAreNeitherQuoteNorSource) {
  const std::string msg =
      "There is at least one line in the data file which, after massaging, "
      "doesn't begin with either \"qq\" or \"qs\".";
  EXPECT_TRUE(Refused({"<!--q-->one", "stray text", "<!--q-->two"}, msg));
  // A bare marker joined with its next line leaves a single line, whose missing successor fails.
  Lines joined = {"<!--q-->", "the only quote"};
  EXPECT_EQ(Clean(joined).rfind(msg, 0), 0u);
}

TEST(QuotesCleaner, TwoLinesAreTooShortThreeAreEnough) {
  const std::string too_short =
      "There is at least one line in the data file which, after "
      "massaging, is too short.";
  EXPECT_TRUE(Refused({"<!--q-->E tu Brute?", "<!--s-->Caesar, J"}, too_short));
  Lines three = {"<!--q-->E tu Brute?", "<!--s-->Caesar, J", "<!--q-->Come here, Watson..."};
  EXPECT_EQ(Clean(three), "");
  EXPECT_TRUE(Refused({"<!--q-->a", "<!--s-->x", "<!--s-->y", "<!--q-->b"},
                      "You cannot, as you have now, have two  <!--s--> lines in a row."));
  // Two bare source markers: the second becomes the first one's text, so no double source.
  Lines bare = {"<!--q-->a", "<!--s-->", "<!--s-->", "<!--q-->b", "<!--q-->c"};
  EXPECT_EQ(Clean(bare), "");
  EXPECT_EQ(bare, (Lines{"qqa", "qsqs", "qqb", "qqc"}));
}

TEST(QuotesFile, SplitsEveryKindOfLineEnd) {
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(SplitTextLines("\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF<!--q-->x"), (Lines{"<!--q-->x"}));
  const std::string binary("\0\xff\r\x01", 4);
  EXPECT_EQ(SplitTextLines(binary), (Lines{std::string("\0\xff", 2), "\x01"}));
}

TEST(QuotesPick, QuoteWithAndWithoutSource) {
  const Lines lib = {"qqOne", "qsSource one", "qqTwo", "qqThree"};
  std::string q, s;
  ASSERT_TRUE(ChooseQuoteFrom(lib, 0, q, s));
  EXPECT_EQ(q, "One");
  EXPECT_EQ(s, "Source one");
  ChooseQuoteFrom(lib, 1, q, s);  // a source line: the next quote is taken
  EXPECT_EQ(q, "Two");
  EXPECT_EQ(s, "");
  ChooseQuoteFrom(lib, 3, q, s);  // the last line: no source, even though line 0 follows
  EXPECT_EQ(q, "Three");
  EXPECT_EQ(s, "");
  EXPECT_FALSE(ChooseQuoteFrom({}, 0, q, s));
  EXPECT_FALSE(ChooseQuoteFrom({"qsonly sources"}, 5, q, s));
  EXPECT_EQ(q, "");
}

TEST(QuotesStartup, MissingLibraryShowsItsMessageOnceAndEnds) {
  Station s;
  s.CopyDemo();
  std::filesystem::remove(s.Path("WM33QuotesLibrary.txt"));
  TWM033f1& f = s.Start();
  const std::string expected = MissingQuotesLibraryMessage("WM33QuotesLibrary.txt");
  EXPECT_EQ(std::count(s.platform.messages.begin(), s.platform.messages.end(), expected), 1);
  EXPECT_NE(expected.find("(quote and source).....\r\r   <!--q-->E tu Brute?\r   <!--s-->Caesar"),
            std::string::npos);
  EXPECT_TRUE(
      expected.ends_with("for every quote.\r\rProvide such a file.\rProgram will shut "
                         "down after you press OK."));
  // The cleaner did not run on the empty library.
  for (const std::string& m : s.platform.messages)
    EXPECT_EQ(m.find("Your datafile does not appear"), std::string::npos);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
  EXPECT_TRUE(f.bStartupComplete);
}

TEST(QuotesStartup, RefusedLibraryEndsTheProgramAndDemoLoads) {
  {
    Station s;
    s.CopyDemo();
    s.Write("WM33QuotesLibrary.txt", "<!--q-->E tu Brute?\r\n<!--s-->Caesar, J\r\n");
    TWM033f1& f = s.Start();
    ASSERT_FALSE(s.platform.messages.empty());
    EXPECT_NE(std::find_if(s.platform.messages.begin(), s.platform.messages.end(),
                           [](const std::string& m) { return m.find("is too short") != m.npos; }),
              s.platform.messages.end());
    EXPECT_TRUE(f.bQuitting);
    EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
    EXPECT_EQ(f.meQuotesLib.Count(), 0);
  }
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  ASSERT_GE(f.meQuotesLib.Count(), 3);
  for (const std::string& l : f.meQuotesLib.Lines())
    EXPECT_TRUE(l.rfind("qq", 0) == 0 || l.rfind("qs", 0) == 0) << l;
}

}  // namespace
}  // namespace wm033::testing
