// A platform for tests: a virtual clock and tick counter, scripted dialog answers, recorded
// messages, and scripted events delivered by ProcessMessages, so that the re-entry rules can be
// tested.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "datalog/timestamp.h"
#include "platform/platform.h"

namespace wm033::testing {

class FakePlatform : public Platform {
 public:
  double now = EncodeDayCount(2012, 8, 23, 14, 5, 0);
  uint32_t tick = 100000;
  uint32_t ms_per_process = 1;  // ProcessMessages moves the clock on by this much

  std::vector<std::string> messages;  // ShowMessage texts, in order
  std::vector<std::pair<int, int>> message_places;
  std::vector<std::string> error_lines;  // EchoErrorLine
  std::vector<std::string> notes;        // Note: a headless run's journal lines
  std::vector<std::string> input_prompts;
  std::deque<std::optional<std::string>> input_answers;  // empty: cancelled
  std::deque<DialogAnswer> yes_no_answers;               // empty: No
  std::deque<std::function<void()>> events;              // one per ProcessMessages
  std::vector<std::string> help_opened;
  int process_calls = 0;
  int wait_calls = 0;
  bool terminated = false;
  int exit_status = 0;
  bool headless = true;

  void Advance(uint32_t ms) {
    now += ms / 86400000.0;
    tick += ms;
  }
  void AdvanceDays(double days) {
    now += days;
    tick += static_cast<uint32_t>(days * 86400000.0);
  }

  double Now() override { return now; }
  uint32_t GetTickCount() override { return tick; }
  void ProcessMessages() override {
    ++process_calls;
    Advance(ms_per_process);
    RunOneEvent();
  }
  void WaitForEvents(uint32_t tick_ms) override {
    ++wait_calls;
    Advance(tick_ms == 0 ? 1 : tick_ms);
    RunOneEvent();
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    message_places.push_back({-1, -1});
  }
  void ShowMessageAt(const std::string& text, int x, int y) override {
    messages.push_back(text);
    message_places.push_back({x, y});
  }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string&) override {
    input_prompts.push_back(caption + "|" + prompt);
    if (input_answers.empty()) return std::nullopt;
    auto a = input_answers.front();
    input_answers.pop_front();
    return a;
  }
  DialogAnswer YesNoCancel(const std::string& text, int x, int y) override {
    messages.push_back(text);
    message_places.push_back({x, y});
    if (yes_no_answers.empty()) return DialogAnswer::No;
    auto a = yes_no_answers.front();
    yes_no_answers.pop_front();
    return a;
  }
  void Terminate(int status) override {
    if (!terminated || (exit_status == 0 && status != 0)) exit_status = status;
    terminated = true;
  }
  bool TerminateRequested() const override { return terminated; }
  bool OpenHelp(const std::string& path) override {
    help_opened.push_back(path);
    return true;
  }
  void EchoErrorLine(const std::string& line) override { error_lines.push_back(line); }
  void Note(const std::string& text) override { notes.push_back(text); }
  void SeedRandom() override { rng.seed(1); }
  uint32_t Random(uint32_t n) override {
    return n == 0 ? 0 : std::uniform_int_distribution<uint32_t>(0, n - 1)(rng);
  }
  bool Headless() const override { return headless; }

  std::mt19937 rng{1};

 private:
  void RunOneEvent() {
    if (events.empty()) return;
    auto e = std::move(events.front());
    events.pop_front();
    e();
  }
};

}  // namespace wm033::testing
