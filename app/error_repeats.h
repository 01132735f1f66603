// An error that repeats is counted, not written again: a fault that lasts (a chip gone, the page
// folder unmounted) would otherwise add a line to the error log every cycle for as long as it
// lasts. The first line of an error is written as ever; its repeats within the hour that follows
// are counted, and once an hour a summary line tells how many there were, up to which number and
// when the last one came; an hour without a repeat ends the episode, and the next occurrence is
// written as a new first line. "The same error" is the same message text: the line without its
// number and time stamp. Numbers still count every occurrence, so the gaps in the numbering are
// exactly the repeats the summaries count.
//
// A summary line has no number of its own:
//   (repeated 59 more times, the last as number 1445 at 12h24a05; 60 times in all since
//    number 5 at 12h23o05: During LookAtWindSpeed, QZRErr: 5 and Dallas error -1)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wm033 {

constexpr double kRepeatSummaryPeriod = 1.0 / 24;  // an hour, in days
constexpr size_t kMaxRepeatingErrors = 64;         // texts followed at once
constexpr std::string_view kRepeatSummaryStart = "(repeated ";

// The summary line of `more` repeats of `text`, the last numbered `last_number` at `last_stamp`,
// `in_all` occurrences since the first, numbered `first_number` at `first_stamp`.
std::string RepeatSummaryLine(uint32_t more, uint16_t last_number, const std::string& last_stamp,
                              uint32_t in_all, uint16_t first_number,
                              const std::string& first_stamp, std::string_view text);

// The parts of a summary line; false when `line` is not one.
struct RepeatSummary {
  uint32_t more = 0, in_all = 0;
  uint16_t last_number = 0, first_number = 0;
  std::string last_stamp, first_stamp, text;
};
bool ParseRepeatSummaryLine(std::string_view line, RepeatSummary& out);

class ErrorRepeats {
 public:
  // Takes one occurrence of `text` (its error number and stamp, at program time `now`, a day
  // count). True when its line is to be written: the first time, or the first time after a
  // quiet hour. False when it repeats a text written within the hour: it is counted for a later
  // summary.
  bool Admit(std::string_view text, uint16_t number, const std::string& stamp, double now);

  // The summary lines due at `now`, oldest first error first; with `flush`, every summary still
  // owed (the program is ending). A text without a repeat for a whole period is forgotten.
  std::vector<std::string> Due(double now, bool flush = false);

  size_t Followed() const { return entries_.size(); }

 private:
  struct Entry {
    std::string text;
    uint16_t first_number = 0, last_number = 0;
    std::string first_stamp, last_stamp;
    uint32_t in_all = 1;      // occurrences in this episode
    uint32_t unreported = 0;  // repeats since the last summary
    double due = 0;           // program time of the next summary or of the episode's end
  };
  void Bounds();

  std::vector<Entry> entries_;
  double earliest_due_ = 0, latest_due_ = 0;
};

}  // namespace wm033
