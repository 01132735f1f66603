// The operator messages: the two buttons, their lifetimes, and the expiry check.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/station_fixture.h"
#include "webpage/operator_messages.h"

namespace wm033::testing {
namespace {

constexpr const char* kExplanation =
    "Next you will set how long the message should be part of the page of HTML created by the "
    "application. Enter zero to make the message continue until you change it again. Otherwise "
    "enter how many days you want it to persist. You may use fractions, e.g. use 0.5 to make the "
    "message last 12 hours. (Half a day).";

TWM033f1& MessageForm(Station& s) {
  std::filesystem::create_directories(s.Path("web"));
  TWM033f1& f = s.Create();
  f.sPageFolder = "C:\\web\\";
  f.meQuotesLib.SetLines({"qqOne", "qqTwo"});
  return f;
}

bool PageHas(Station& s, const std::string& line) {
  const auto lines = s.Lines("web/WM033BC.htm");
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(OperatorMessages, DaysAreReadWithAFullStop) {
  EXPECT_EQ(ParseDays("0.5"), 0.5);
  EXPECT_EQ(ParseDays(" 2 "), 2.0);
  EXPECT_EQ(ParseDays("+3"), 3.0);
  EXPECT_EQ(ParseDays("-1"), -1.0);
  EXPECT_EQ(ParseDays(".25"), 0.25);
  for (const char* bad : {"", " ", "0,5", "abc", "1.5x", "nan", "inf", "1e999", "--1", "+"})
    EXPECT_FALSE(ParseDays(bad).has_value()) << bad;
}

TEST(OperatorMessages, TimeLimitAskedUntilANumber) {
  Station s;
  TWM033f1& f = MessageForm(s);
  s.platform.input_answers = {"Storm <b>warning</b>", "half a day", "0,5", "0.5"};
  s.platform.yes_no_answers = {DialogAnswer::Yes};
  const double clicked = s.platform.now;
  f.buCommentInHTML.Click();
  EXPECT_EQ(s.platform.input_prompts.front(),
            "Set Line in Beacon Output|Enter the line you want included.");
  EXPECT_EQ(s.platform.input_prompts.back(),
            "How long should message persist?|For how many days? 0.5 gives 12 hours.");
  ASSERT_EQ(s.platform.messages.size(), 4u);
  EXPECT_EQ(s.platform.messages[0], "Set time limit for display?");
  EXPECT_EQ(s.platform.message_places[0], std::make_pair(200, 200));
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(s.platform.messages[static_cast<size_t>(i)], kExplanation);
  EXPECT_EQ(f.sHtmlMsg1, "Storm <b>warning</b>");
  EXPECT_DOUBLE_EQ(f.dtHtmlExpiry1, clicked + 0.5);
  // The page was written at once.
  EXPECT_TRUE(PageHas(s, "<br><br>Storm <b>warning</b>"));
  // 12 hours later, give or take one check.
  s.platform.now = clicked + 0.5 - 0.001;
  f.ExpireMessages();
  EXPECT_EQ(f.sHtmlMsg1, "Storm <b>warning</b>");
  s.platform.now = clicked + 0.5 + 0.001;
  f.ExpireMessages();
  EXPECT_EQ(f.sHtmlMsg1, "");
  EXPECT_TRUE(PageHas(s, "<br><br>Storm <b>warning</b>"));  // until the next page write
  f.WriteWebPage();
  EXPECT_FALSE(PageHas(s, "<br><br>Storm <b>warning</b>"));
}

TEST(OperatorMessages, NoKeepsItAndAnEmptyTextRemovesIt) {
  Station s;
  TWM033f1& f = MessageForm(s);
  s.platform.input_answers = {"Second line"};
  s.platform.yes_no_answers = {DialogAnswer::No};
  f.buComment2InHTML.Click();
  EXPECT_EQ(f.sHtmlMsg2, "Second line");
  EXPECT_EQ(f.dtHtmlExpiry2, 0.0);
  EXPECT_EQ(s.platform.messages.size(), 1u);  // no explanation after No
  s.platform.AdvanceDays(400);
  f.ExpireMessages();
  EXPECT_EQ(f.sHtmlMsg2, "Second line");
  // Both messages present: message 1's line comes first.
  s.platform.input_answers = {"First line"};
  s.platform.yes_no_answers = {DialogAnswer::No};
  f.buCommentInHTML.Click();
  const auto& page = f.meHTML.Lines();
  const auto one = std::find(page.begin(), page.end(), "<br><br>First line");
  ASSERT_NE(one, page.end());
  EXPECT_EQ(*(one + 1), "<br><br>Second line");
  // A cancelled line box gives an empty text: the line leaves the page at once.
  s.platform.yes_no_answers = {DialogAnswer::No};
  f.buComment2InHTML.Click();
  EXPECT_EQ(f.sHtmlMsg2, "");
  EXPECT_FALSE(PageHas(s, "<br><br>Second line"));
  EXPECT_TRUE(PageHas(s, "<br><br>First line"));
}

TEST(OperatorMessages, CancelledAnswersEndTheQuestions) {
  Station s;
  TWM033f1& f = MessageForm(s);
  // Cancel on the question asks for a time limit; a cancelled time box gives its default, 1 day.
  s.platform.input_answers = {"Gone tomorrow", std::nullopt};
  s.platform.yes_no_answers = {DialogAnswer::Cancel};
  const double clicked = s.platform.now;
  f.buCommentInHTML.Click();
  EXPECT_EQ(f.sHtmlMsg1, "Gone tomorrow");
  EXPECT_DOUBLE_EQ(f.dtHtmlExpiry1, clicked + 1);
  EXPECT_EQ(s.platform.messages.size(), 2u);
  // Zero means until changed; a negative number expires at the next check.
  s.platform.input_answers = {"Stays", "0"};
  s.platform.yes_no_answers = {DialogAnswer::Yes};
  f.buCommentInHTML.Click();
  EXPECT_EQ(f.dtHtmlExpiry1, 0.0);
  s.platform.input_answers = {"Goes", "-1"};
  s.platform.yes_no_answers = {DialogAnswer::Yes};
  f.buComment2InHTML.Click();
  s.platform.Advance(1600);
  f.ExpireMessages();
  EXPECT_EQ(f.sHtmlMsg1, "Stays");
  EXPECT_EQ(f.sHtmlMsg2, "");
}

}  // namespace
}  // namespace wm033::testing
