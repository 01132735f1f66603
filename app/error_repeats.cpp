// Counting repeated errors; see error_repeats.h.
#include "app/error_repeats.h"

#include <algorithm>
#include <charconv>

namespace wm033 {

namespace {

constexpr std::string_view kLastAs = " more times, the last as number ";
constexpr std::string_view kAt = " at ";
constexpr std::string_view kInAll = "; ";
constexpr std::string_view kSince = " times in all since number ";
constexpr std::string_view kText = ": ";
constexpr size_t kStampLength = 8;

// Reads a decimal number at the front of `s` and drops it; false when there is none.
template <typename T>
bool TakeNumber(std::string_view& s, T& value) {
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr == s.data()) return false;
  s.remove_prefix(static_cast<size_t>(ptr - s.data()));
  return true;
}

bool TakeText(std::string_view& s, std::string_view expected) {
  if (s.substr(0, expected.size()) != expected) return false;
  s.remove_prefix(expected.size());
  return true;
}

bool TakeStamp(std::string_view& s, std::string& stamp) {
  if (s.size() < kStampLength) return false;
  stamp = std::string(s.substr(0, kStampLength));
  s.remove_prefix(kStampLength);
  return true;
}

}  // namespace

std::string RepeatSummaryLine(uint32_t more, uint16_t last_number, const std::string& last_stamp,
                              uint32_t in_all, uint16_t first_number,
                              const std::string& first_stamp, std::string_view text) {
  std::string line(kRepeatSummaryStart);
  line += std::to_string(more);
  line += kLastAs;
  line += std::to_string(last_number);
  line += kAt;
  line += last_stamp;
  line += kInAll;
  line += std::to_string(in_all);
  line += kSince;
  line += std::to_string(first_number);
  line += kAt;
  line += first_stamp;
  line += kText;
  line += text;
  line += ')';
  return line;
}

bool ParseRepeatSummaryLine(std::string_view s, RepeatSummary& out) {
  RepeatSummary r;
  if (!TakeText(s, kRepeatSummaryStart) || !TakeNumber(s, r.more) || !TakeText(s, kLastAs) ||
      !TakeNumber(s, r.last_number) || !TakeText(s, kAt) || !TakeStamp(s, r.last_stamp) ||
      !TakeText(s, kInAll) || !TakeNumber(s, r.in_all) || !TakeText(s, kSince) ||
      !TakeNumber(s, r.first_number) || !TakeText(s, kAt) || !TakeStamp(s, r.first_stamp) ||
      !TakeText(s, kText) || s.empty() || s.back() != ')')
    return false;
  r.text = std::string(s.substr(0, s.size() - 1));
  out = std::move(r);
  return true;
}

bool ErrorRepeats::Admit(std::string_view text, uint16_t number, const std::string& stamp,
                         double now) {
  for (Entry& e : entries_) {
    if (e.text != text) continue;
    ++e.in_all;
    ++e.unreported;
    e.last_number = number;
    e.last_stamp = stamp;
    return false;
  }
  // Too many different errors at once: the others are written every time.
  if (entries_.size() >= kMaxRepeatingErrors) return true;
  Entry e;
  e.text = std::string(text);
  e.first_number = e.last_number = number;
  e.first_stamp = e.last_stamp = stamp;
  e.due = now + kRepeatSummaryPeriod;
  entries_.push_back(std::move(e));
  Bounds();
  return true;
}

std::vector<std::string> ErrorRepeats::Due(double now, bool flush) {
  std::vector<std::string> lines;
  // Nothing due, unless the clock was put back by more than a period.
  if (!flush &&
      (entries_.empty() || (now < earliest_due_ && now + kRepeatSummaryPeriod >= latest_due_)))
    return lines;
  for (Entry& e : entries_) {
    const bool due = now >= e.due || now + kRepeatSummaryPeriod < e.due;
    if (!due && !flush) continue;
    if (e.unreported > 0) {
      lines.push_back(RepeatSummaryLine(e.unreported, e.last_number, e.last_stamp, e.in_all,
                                        e.first_number, e.first_stamp, e.text));
      e.unreported = 0;
      e.due = now + kRepeatSummaryPeriod;
    } else if (due) {
      e.in_all = 0;  // a quiet period: the episode is over
    }
  }
  std::erase_if(entries_, [](const Entry& e) { return e.in_all == 0; });
  Bounds();
  return lines;
}

void ErrorRepeats::Bounds() {
  earliest_due_ = latest_due_ = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    earliest_due_ = i == 0 ? entries_[i].due : std::min(earliest_due_, entries_[i].due);
    latest_due_ = i == 0 ? entries_[i].due : std::max(latest_due_, entries_[i].due);
  }
}

}  // namespace wm033
