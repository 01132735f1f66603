#include "platform/headless_platform.h"

#include <unistd.h>

namespace wm033 {

void WriteStderrLine(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  out += '\n';
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(STDERR_FILENO, out.data() + done, out.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

void HeadlessPlatform::ShowMessage(const std::string& text) {
  WriteStderrLine(text);
}

std::optional<std::string> HeadlessPlatform::InputBox(const std::string& caption,
                                                      const std::string& prompt,
                                                      const std::string&) {
  WriteStderrLine("[" + caption + "] " + prompt + " (headless: cancelled)");
  return std::nullopt;
}

DialogAnswer HeadlessPlatform::YesNoCancel(const std::string& text, int, int) {
  WriteStderrLine(text + " (headless: No)");
  return DialogAnswer::No;
}

bool HeadlessPlatform::OpenHelp(const std::string& path) {
  WriteStderrLine("Help file: " + path);
  return true;
}

void HeadlessPlatform::Note(const std::string& text) {
  WriteStderrLine("WM033: " + text);
}

void HeadlessPlatform::EchoErrorLine(const std::string& line) {
  WriteStderrLine(line);
}

}  // namespace wm033
