// Applying the settings file, key by key in a fixed order, then the marker rule of its first
// line.
#include "config/settings.h"

#include "config/profile.h"
#include "config/text_lines.h"

namespace wm033::config {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr const char* kUnchangedGeometry = "9,9,9,9";
constexpr const char* kNoValue = "-";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// Channels whose plot multiplier must not be 0.
constexpr int kMultiplierChecked[] = {0, 1, 2, 3, 4, 11, 12};
// Channels with offset, scale and colour keys: all but 10, the wind direction, which is not
// plotted.
constexpr int kPlottedChannels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};

constexpr const char* kColourNotHex =
    "Only 0-9, A-F allowed in color spec lines. (Do not prefix with \"$\" or do anything else to "
    "say the number is in hex.) (Color spec line: One in the [ChannelColors] section of ini2.)";
constexpr const char* kZeroMultiplier = "Do not set the graph multiplier to zero";
constexpr const char* kGeometryProblem =
    "Problem with a WindowsPosnAndSize line. contact author, error 15 Nov 2009";
constexpr const char* kPersistsNotNumber =
    "Try again. HTMLMsg/Persists (in ini2) must be a number.";
constexpr const char* kPersists2NotNumber =
    "Try again. HTMLMsg/Persists2 (in ini2) must be a number.";
constexpr const char* kMustBegin = "Secondary ini file (WM033ini2.txt) must begin 'abWM033ini2'";
constexpr const char* kFormatChange =
    "In November 2009 the format of WM033ini2.txt, and the commands allowed in it, changed. A "
    "file in the old format starts \"ab WM033ini2...\".\r\r"
    "The old \"[wp1spa]0,0,799,370\" style of command was replaced by the [WindowPosnsAndSizes] "
    "section, with keys like \"SchemeAW1=0,0,799,370\".\r\r"
    "The old \"[clP0xx]\" colour commands were replaced by keys like \"p0=FF0000\".\r\r"
    "The old \"[p0OffS] 190, .4\" commands are replaced by the [LineOffsetScale] section, with "
    "two keys per channel, such as \"p1a=190\" and \"p1m=400\". The first shifts the plot up or "
    "down the screen, the second scales it. \"p1m=10000\" (kSquashFactor) neither squashes nor "
    "spreads the graph of that channel; larger numbers squash it vertically, smaller ones "
    "expand it.\r\r"
    "The old bracket commands are not read any more.";
constexpr const char* kFirstLineNotice =
    "Because the first line of C:\\WM033\\WM033ini2.txt is not right, the program will "
    "terminate. Correct the file and start the program again.";

std::string Ch(const char* prefix, int channel, const char* suffix) {
  return prefix + std::to_string(channel) + suffix;
}

void Message(std::vector<ConfigNote>& notes, std::string text) {
  notes.push_back({ConfigNote::Kind::kMessage, std::move(text)});
}

// Reads a Persists value: a positive number of days sets the expiry, 0 clears it, a negative one
// changes nothing.
void ReadPersists(const Profile& p, const char* key, const char* problem, double now,
                  double& expiry, std::vector<ConfigNote>& notes) {
  double days = 0;
  if (!ParseRealNumber(p.ReadString("HTMLMsg", key, "0"), days)) {
    notes.push_back({ConfigNote::Kind::kErrorLine, problem});
    return;
  }
  if (days > 0)
    expiry = now + days;
  else if (days == 0)
    expiry = 0;
}

}  // namespace

float SecondsToDayFraction(int32_t seconds) {
  return seconds < 5 ? 0.0f : static_cast<float>(seconds / 86400.0);
}

uint32_t ColourFromSpec(int channel, std::string_view text, std::vector<ConfigNote>& notes) {
  std::string bgr;
  if (text.size() == 7 && Upper(text[0]) == 'S') {
    bgr = text.substr(1);  // already in stored (blue, green, red) order
  } else {
    std::string rgb(text);
    if (rgb.size() < 6) rgb.insert(0, 6 - rgb.size(), '0');
    bgr = rgb.substr(4, 2) + rgb.substr(2, 2) + rgb.substr(0, 2);
  }
  uint32_t value = 0;
  for (char c : bgr) {
    const size_t digit = c == '\0' ? std::string_view::npos : kHexDigits.find(Upper(c));
    if (digit == std::string_view::npos) {
      Message(notes, kColourNotHex);
      return kNoColour;
    }
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  if (value == kWhite)
    Message(notes,
            Ch("Are you sure you want to set channel ", channel, "'s color to white? (See \"p") +
                std::to_string(channel) +
                "=\" line in ini2, [ChannelColors] section. $FFFFFF = white)");
  return value;
}

bool GeometryFromText(std::string_view text, int32_t geom[4]) {
  std::string rest = std::string(text) + ",";
  bool result = true;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = rest.find(',');
    if (comma == std::string::npos) {
      result = false;
      rest.clear();
      continue;
    }
    int32_t n = 0;
    // A number that does not read leaves the value it replaces.
    if (ParseWholeNumber(TrimBlanks(std::string_view(rest).substr(0, comma)), n))
      geom[i] = n;
    else
      result = false;
    rest.erase(0, comma + 1);
  }
  return result;
}

std::vector<std::string> FirstLineProblems(std::string_view first_line) {
  if (first_line.substr(0, 11) == kSettingsMarker) return {};
  std::vector<std::string> out{kMustBegin};
  if (first_line.substr(0, 2) == "aa") out.push_back(kFormatChange);
  out.push_back(kFirstLineNotice);
  return out;
}

SettingsResult ApplySettingsText(std::string_view text, double now, SettingsValues& v) {
  SettingsResult r;
  const Profile p = Profile::FromText(text);
  const ImageSettings image_defaults;

  v.image_file = p.ReadString("enis", "bci", "WM033BC.jpg");
  v.image_interval_secs = p.ReadInteger("enis", "iri", 0);

  for (int c = 0; c < 5; ++c) {
    std::string& label = v.field_label[static_cast<size_t>(c)];
    label = p.ReadString("FieldLabels", Ch("p", c, "fL"), label);
  }
  for (size_t i = 0; i < 7; ++i) {
    std::string& caption = v.other_caption[i];
    caption = p.ReadString("FieldLabels", Ch("p", kOtherCaptionChannels[i], "fl"), caption);
  }

  const std::string folder = p.ReadString("sbc", "bcp", "C:\\");
  if (folder.empty())
    v.page_folder = "C:\\";
  else
    v.page_folder = folder.back() == '\\' ? folder : folder + "\\";
  v.page_file = p.ReadString("sbc", "bch", "WM033BC.htm");
  v.page_interval_secs = p.ReadInteger("sbc", "hsi", 0);

  static const char* kImageSections[3] = {"SecondImage", "ThirdImage", "FourthImage"};
  for (int i = 0; i < 3; ++i) {
    ImageSettings& im = v.images[static_cast<size_t>(i)];
    const char* section = kImageSections[i];
    const int n = i + 2;
    im.caption = p.ReadString(section, Ch("jpg", n, "caption"), image_defaults.caption);
    im.name = p.ReadString(section, Ch("jpg", n, "name"), image_defaults.name);
    im.alt = p.ReadString(section, Ch("jpg", n, "alt"), image_defaults.alt) + kAltTextSuffix;
    im.width = p.ReadString(section, Ch("jpg", n, "width"), image_defaults.width);
  }

  // Offsets and multipliers keep the low 16 bits of the number read.
  for (int c : kPlottedChannels) {
    const size_t s = static_cast<size_t>(c);
    v.line_offset[s] =
        static_cast<uint16_t>(p.ReadInteger("LineOffsetScale", Ch("p", c, "a"), v.line_offset[s]));
    v.line_scale[s] =
        static_cast<uint16_t>(p.ReadInteger("LineOffsetScale", Ch("p", c, "m"), v.line_scale[s]));
  }
  for (int c : kMultiplierChecked) {
    if (v.line_scale[static_cast<size_t>(c)] == 0) {
      Message(r.notes, kZeroMultiplier);
      break;
    }
  }

  for (int c : kPlottedChannels) {
    const std::string spec = p.ReadString("ChannelColors", Ch("p", c, "c"), kNoValue);
    if (spec == kNoValue) continue;
    const uint32_t colour = ColourFromSpec(c, spec, r.notes);
    if (colour < kNoColour) v.colour[static_cast<size_t>(c)] = colour;
  }

  static const char* kTags[2][3] = {{"a1", "a2", "a3"}, {"b1", "b2", "b3"}};
  for (int scheme = 0; scheme < 2; ++scheme) {
    for (int window = 0; window < 3; ++window) {
      const std::string key =
          std::string("Scheme") + (scheme == 0 ? "A" : "B") + "W" + std::to_string(window + 1);
      const std::string value = p.ReadString("WindowPosnsAndSizes", key, kUnchangedGeometry);
      if (value == kUnchangedGeometry) continue;
      // The last window key present decides.
      r.ok = GeometryFromText(value, v.win_geom[scheme][window]);
      if (!r.ok) Message(r.notes, std::string(kGeometryProblem) + kTags[scheme][window]);
    }
  }

  for (int c = 0; c < kSettingsChannels; ++c) {
    std::string value = p.ReadString("BarGraphs", Ch("p", c, "bg"), kNoValue);
    for (char& ch : value) ch = Upper(ch);
    if (value == "ON") v.bar_graph[static_cast<size_t>(c)] = true;
  }
  for (int c = 0; c < kSettingsChannels; ++c) {
    uint8_t& style = v.plot_style[static_cast<size_t>(c)];
    style = static_cast<uint8_t>(p.ReadInteger("VariousOne", Ch("p", c, "v1"), style));
  }

  v.title_prefix = std::string(TrimBlanks(p.ReadString("HTMLTitle", "Prefix", v.title_prefix)));

  const std::string msg1 = p.ReadString("HTMLMsg", "Msg", "");
  if (!msg1.empty()) {
    v.msg_text1 = msg1;
    ReadPersists(p, "Persists", kPersistsNotNumber, now, v.msg_expiry1, r.notes);
  }
  const std::string msg2 = p.ReadString("HTMLMsg", "Msg2", "");
  if (!msg2.empty()) {
    v.msg_text2 = msg2;
    ReadPersists(p, "Persists2", kPersists2NotNumber, now, v.msg_expiry2, r.notes);
  }

  const std::vector<std::string> problems =
      FirstLineProblems(text.substr(0, text.find_first_of("\r\n")));
  if (!problems.empty()) {
    r.ok = false;
    r.terminate = true;
    for (const std::string& m : problems) Message(r.notes, m);
  }
  return r;
}

}  // namespace wm033::config
