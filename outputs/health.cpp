// Counting reads and failures per configuration line.
#include "outputs/health.h"

#include <algorithm>

namespace wm033::outputs {

const char* StateName(LineState s) {
  switch (s) {
    case LineState::kOk:
      return "ok";
    case LineState::kFailing:
      return "failing";
    case LineState::kDisabled:
      return "disabled";
    case LineState::kNotConfigured:
      return "not configured";
  }
  return "ok";
}

uint32_t LineHealth::CountOf(uint16_t code) const {
  for (const CodeCount& c : by_code)
    if (c.code == code) return c.count;
  return 0;
}

bool StationHealth::Begin(int line) {
  (void)line;
  if (depth_++ == 0) trapped_ = false;
  return depth_ == 1;
}

void StationHealth::Abandon() {
  if (depth_ > 0) --depth_;
  if (depth_ == 0) trapped_ = false;
}

std::optional<StateChange> StationHealth::End(int line, uint16_t code, bool trapped, double now) {
  if (depth_ > 0) --depth_;
  trapped_ = trapped_ || trapped;
  if (depth_ > 0) return std::nullopt;  // a nested read: the outermost one counts
  if (line < 0 || line >= kLines) return std::nullopt;
  LineHealth& h = lines_[static_cast<size_t>(line)];
  ++h.reads;
  const bool failed = trapped_ || code != 0;
  if (trapped_) code = kCodeUnexpected;
  trapped_ = false;

  if (!failed) {
    if (!h.failing) {
      h.in_a_row = 0;
      return std::nullopt;
    }
    StateChange change;
    change.line = line;
    change.in_a_row = h.in_a_row;
    change.seconds_failed = (now - h.failing_since) * 86400.0;
    h.failing = false;
    h.in_a_row = 0;
    ++revision_;
    return change;
  }

  ++h.failures;
  if (h.in_a_row++ == 0) h.failing_since = now;
  h.last_code = code;
  auto at = std::lower_bound(h.by_code.begin(), h.by_code.end(), code,
                             [](const CodeCount& c, uint16_t k) { return c.code < k; });
  if (at != h.by_code.end() && at->code == code)
    ++at->count;
  else
    at = h.by_code.insert(at, {code, 1});
  if (h.failing || h.in_a_row < kFailingAfter) return std::nullopt;
  h.failing = true;
  ++revision_;
  StateChange change;
  change.line = line;
  change.failing = true;
  change.code = code;
  change.code_count = at->count;
  change.in_a_row = h.in_a_row;
  return change;
}

bool StationHealth::Good(int line, double value, double now) {
  if (line < 0 || line >= kLines) return false;
  LineHealth& h = lines_[static_cast<size_t>(line)];
  const bool changed = !h.last_good || h.last_good->value != value;
  h.previous_good = h.last_good;
  h.last_good = Reading{value, now};
  if (changed) ++revision_;
  return changed;
}

LineState StateOf(const LineHealth& h, bool family_accepted, bool enabled) {
  if (!enabled) return family_accepted ? LineState::kDisabled : LineState::kNotConfigured;
  return h.failing ? LineState::kFailing : LineState::kOk;
}

}  // namespace wm033::outputs
