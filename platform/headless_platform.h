// Headless runs: no windows; every error line, message box and dialog goes to stderr as it
// happens. An input box answers as if cancelled and a Yes/No/Cancel question answers No.
#pragma once

#include "platform/event_loop_platform.h"

namespace wm033 {

class HeadlessPlatform : public EventLoopPlatform {
 public:
  using EventLoopPlatform::EventLoopPlatform;
  void ShowMessage(const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& default_text) override;
  DialogAnswer YesNoCancel(const std::string& text, int x, int y) override;
  bool OpenHelp(const std::string& path) override;
  void EchoErrorLine(const std::string& line) override;
  void Note(const std::string& text) override;
  bool Headless() const override { return true; }
};

// Writes one line to stderr in a single write, line ends of the text turned into newlines.
void WriteStderrLine(const std::string& text);

}  // namespace wm033
