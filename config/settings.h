// The settings file C:\WM033\WM033ini2.txt: a profile file whose first line is a marker,
// "abWM033ini2...", and whose keys change names, colours, plot offsets and scales, the page's
// files and intervals, the window layouts and the page's title and operator messages.
//
// Applying the file is a pure function from the bytes and the current values to the new values
// and the notes to show, so that tests and the fuzzer can drive it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/sensor_config.h"  // ConfigNote

namespace wm033::config {

constexpr int kSettingsChannels = 13;
constexpr uint32_t kNoColour = 16777216;  // 1000000 hex: the text gave no colour
constexpr const char* kSettingsMarker = "abWM033ini2";
constexpr const char* kDefaultAltText =
    "There should have been an image here. If you didn't expect the \"alt\" text, check your "
    "ini2 settings.";
constexpr const char* kAltTextSuffix =
    " (It may not have displayed if in wrong place or error exists in name spec.)";

struct ImageSettings {
  std::string caption;
  std::string name = "qzrroguenotfound.jpg";
  std::string alt = kDefaultAltText;
  std::string width = "80";
};

// Every value the settings file can change.
struct SettingsValues {
  std::string title_prefix;
  std::string page_folder = "C:\\";
  std::string page_file = "WM033BC.htm";
  std::string image_file = "WM033BC.jpg";
  int32_t page_interval_secs = 0;
  int32_t image_interval_secs = 0;
  std::array<ImageSettings, 3> images;       // second, third, fourth image
  std::array<std::string, 5> field_label;    // temperature channels 0..4
  std::array<std::string, 7> other_caption;  // p5, p6, p7, p8, p9, p11, p12 captions
  std::array<uint32_t, kSettingsChannels> colour{};
  std::array<uint16_t, kSettingsChannels> line_offset{};
  std::array<uint16_t, kSettingsChannels> line_scale{};
  std::array<bool, kSettingsChannels> bar_graph{};
  std::array<uint8_t, kSettingsChannels> plot_style{};
  int32_t win_geom[2][3][4] = {};  // scheme A/B, window 1..3, left/top/width/height
  std::string msg_text1, msg_text2;
  double msg_expiry1 = 0, msg_expiry2 = 0;
};

struct SettingsResult {
  bool ok = true;          // bSettingsOk
  bool terminate = false;  // the first line is wrong: the program must end
  std::vector<ConfigNote> notes;
};

// Channels of the other_caption entries, in order.
constexpr int kOtherCaptionChannels[7] = {5, 6, 7, 8, 9, 11, 12};

// Applies the bytes of a settings file to `values`; `now` is the local date-time (day count) for
// the message expiry times.
SettingsResult ApplySettingsText(std::string_view text, double now, SettingsValues& values);

// A colour value of the settings file: "RRGGBB" (shorter texts padded with 0 on the left, extra
// characters ignored) or "S" + "BBGGRR". Gives kNoColour, with the colour message, when the
// digits are not hexadecimal; white is warned about and still given.
uint32_t ColourFromSpec(int channel, std::string_view text, std::vector<ConfigNote>& notes);

// "left,top,width,height": stores each number that reads into geom[0..3] and returns whether
// all four were there and read cleanly.
bool GeometryFromText(std::string_view text, int32_t geom[4]);

// Seconds to a day fraction: 0 below 5 seconds.
float SecondsToDayFraction(int32_t seconds);

// The marker rule for the first line; empty when the line is right, else the messages to show.
std::vector<std::string> FirstLineProblems(std::string_view first_line);

}  // namespace wm033::config
