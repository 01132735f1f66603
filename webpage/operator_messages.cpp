// The buttons that set the operator messages, and their expiry check in the cycle.
#include "webpage/operator_messages.h"

#include <charconv>
#include <cmath>

#include "app/wm033f1.h"

namespace wm033 {

namespace {

constexpr const char* kLineCaption = "Set Line in Beacon Output";
constexpr const char* kLinePrompt = "Enter the line you want included.";
constexpr const char* kLimitQuestion = "Set time limit for display?";
constexpr int kLimitQuestionX = 200;
constexpr int kLimitQuestionY = 200;
constexpr const char* kDaysExplanation =
    "Next you will set how long the message should be part of the page of HTML created by the "
    "application. Enter zero to make the message continue until you change it again. Otherwise "
    "enter how many days you want it to persist. You may use fractions, e.g. use 0.5 to make the "
    "message last 12 hours. (Half a day).";
constexpr const char* kDaysCaption = "How long should message persist?";
constexpr const char* kDaysPrompt = "For how many days? 0.5 gives 12 hours.";
constexpr const char* kDaysDefault = "1";

}  // namespace

std::optional<double> ParseDays(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b < e && text[b] == '+') ++b;
  if (b == e) return std::nullopt;
  double v = 0;
  const auto r = std::from_chars(text.data() + b, text.data() + e, v);
  if (r.ec != std::errc() || r.ptr != text.data() + e || !std::isfinite(v)) return std::nullopt;
  return v;
}

namespace {

// Asks for a message and its lifetime, and puts it on the page at once.
void SetOperatorMessage(TWM033f1& f, std::string& message, double& expiry) {
  Platform& p = f.platform();
  // A cancelled box gives its default text: no message here, one day for the lifetime below.
  message = p.InputBox(kLineCaption, kLinePrompt, "").value_or("");
  if (p.YesNoCancel(kLimitQuestion, kLimitQuestionX, kLimitQuestionY) == DialogAnswer::No) {
    expiry = 0;
  } else {
    std::optional<double> days;
    while (!days) {
      p.ShowMessage(kDaysExplanation);
      days = ParseDays(p.InputBox(kDaysCaption, kDaysPrompt, kDaysDefault).value_or(kDaysDefault));
    }
    expiry = *days == 0 ? 0 : p.Now() + *days;
  }
  f.WriteWebPage();
}

}  // namespace

void TWM033f1::buCommentInHTMLClick() {
  SetOperatorMessage(*this, sHtmlMsg1, dtHtmlExpiry1);
}

void TWM033f1::buComment2InHTMLClick() {
  SetOperatorMessage(*this, sHtmlMsg2, dtHtmlExpiry2);
}

// Clears a message whose time is up; the next regular page write leaves its line out.
void TWM033f1::ExpireMessages() {
  const double now = platform().Now();
  if (dtHtmlExpiry1 > 0 && now > dtHtmlExpiry1) sHtmlMsg1.clear();
  if (dtHtmlExpiry2 > 0 && now > dtHtmlExpiry2) sHtmlMsg2.clear();
}

}  // namespace wm033
