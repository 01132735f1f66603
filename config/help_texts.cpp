// Texts of the help entries, and the handlers that show them.
#include "config/help_texts.h"

#include <initializer_list>

#include "app/wm033f1.h"

namespace wm033 {

namespace config {

namespace {

std::string JoinLines(std::initializer_list<const char*> lines) {
  std::string out;
  bool first = true;
  for (const char* l : lines) {
    if (!first) out += '\r';
    out += l;
    first = false;
  }
  return out;
}

// Component units of the program and their versions, for the About box.
constexpr const char* kUnitVersions[][2] = {
    {"wm033f1 (main window, start-up, cycle, error reporting)", "23Aug12c"},
    {"config (WM033ini.txt, WM033ini2.txt, restack schemes, help)", "23Aug12"},
    {"onewire (adapter sessions, counter, ADC and temperature chips)", "23Aug12"},
    {"sensors (wind, rain, lightning, pressure, humidity, on/off, temperatures)", "23Aug12"},
    {"datalog (data log records and history reload)", "23Aug12"},
    {"display (graph, wind dial, numeric display)", "23Aug12"},
    {"webpage (page, image, quotes, operator messages)", "23Aug12"},
};

}  // namespace

std::string HelpMissingText() {
  return JoinLines({"The program was supplied with a help file. That seems",
                    "to be missing from your machine. Reinstall, if you want the help. If you",
                    "don't have the install file, go to the author's website for a new copy.",
                    "You can learn the location of the website via the copyright button"});
}

std::string AboutText() {
  std::string out = JoinLines({"WM033 weather station monitor",
                               "Reads a 1-Wire MicroLan of weather sensors, logs the readings,",
                               "graphs them and publishes them as a web page.",
                               "Copyright the WM033 authors. Free to use, copy and pass on.", "",
                               "Incorporates:", ""});
  for (const auto& unit : kUnitVersions) out += std::string("\r") + unit[0] + ": " + unit[1];
  return out;
}

std::string SettingsOverviewText() {
  return JoinLines({
      "An optional file, C:/WM033/WM033ini2.txt, may be created.",
      "If it is present, it changes the way parts of the program",
      "behave, for example the colours of the plot lines.",
      "It must be in C:/WM033.",
      "",
      "There is also a file WM033ini.txt (without the \"2\").",
      "That one is compulsory, and must be in the folder",
      "of the executable.",
      "",
      "WM033ini2.txt holds two sorts of settings: modern ones,",
      "with section headings and keys, for example",
      "",
      "[ChannelColors]",
      "p0c=FF0000",
      "p1c=00FF00",
      "",
      "and commands of an older style.",
      "",
      "The two other help windows under \"Ini2Info\"",
      "(\"Legacy\" and \"Modern\") give the details.",
      "",
      "Two more sections, [Readings] and [Calibration], set",
      "how often the readings file (WM033BC.json) is written",
      "and the units of the readings file and the health page",
      "(WM033BC-health.htm); \"Modern\" lists their keys.",
      "A section [MQTT] sends the readings to an MQTT broker",
      "and a home-automation hub (\"Modern\" lists its keys).",
  });
}

std::string SettingsLegacyText() {
  return JoinLines({
      "WM033ini2.txt is a work in progress. Some parts of it",
      "use modern ini file concepts, others do not.",
      "",
      "The older style of command is a line that starts with an",
      "identifier in square brackets, followed by its own parameters.",
      "",
      "[wp1spa] followed by left, top, width and height placed",
      "the main window under restack scheme A. Its siblings",
      "wp2spa, wp3spa, wp1spb, wp2spb and wp3spb placed the",
      "other windows, and the windows of scheme B.",
      "",
      "[p0OffS] followed by two numbers shifted and scaled the",
      "plot of parameter 0 (and so on, up to parameter 4). The",
      "first number shifted the plot; a large second number",
      "flattened it.",
      "",
      "These older commands have been replaced by the",
      "[WindowPosnsAndSizes] and [LineOffsetScale] sections",
      "(see \"Modern\"), and they are no longer read.",
      "",
      "The [Readings], [Calibration] and [MQTT] sections are",
      "new; they have no older form.",
  });
}

std::string SettingsModernText() {
  return JoinLines({
      "WM033ini2.txt is a work in progress. Its modern sections,",
      "with their keys and an example value for each:",
      "",
      "[sbc]  the simple web page",
      "bcp=C:\\web   folder where the page is stored",
      "bch=WM033BC.htm   file name of the page",
      "hsi=600   seconds between page saves",
      "",
      "[enis]  image saving, for the fuller web page",
      "bci=WM033BC.jpg   image file name (it goes in the page's folder)",
      "iri=900   seconds between image saves",
      "",
      "[SecondImage]  an extra image on the page (it must be in the bcp folder)",
      "jpg2caption=The garden",
      "jpg2name=garden.jpg",
      "jpg2alt=A picture of the garden   alternative text of the image",
      "jpg2width=200",
      "[ThirdImage] and [FourthImage] work the same way (jpg3..., jpg4...).",
      "",
      "[ChannelColors]  a colour per parameter, as hexadecimal digits",
      "p0c=FF8000   (red, green, blue; white is warned about, black is 000000)",
      "Channels 0 to 12 are covered, except 10.",
      "",
      "[FieldLabels]  channel names",
      "p0fL=Outside",
      "Blanks after a name are removed, so a name cannot carry",
      "its own gap before the \"(F)\" or \"(C)\" marker.",
      "",
      "[LineOffsetScale]  an offset and a multiplier per parameter,",
      "which move and scale its plotted line",
      "p1a=190",
      "p1m=400",
      "",
      "[Readings]  the readings file, beside the page",
      "Interval=60   seconds between writes besides the page writes,",
      "made only when a reading changed; 0 writes no readings file",
      "",
      "[Calibration]  readings in physical units, for the readings",
      "file and the health page (without a key the raw unit stays)",
      "RainPerCount=0.2794   mm of rain per count",
      "WindRunPerCount=2.4   m of wind run per count (speed in m/s)",
      "PressureSlope=0.1   hPa = slope x code + offset",
      "PressureOffset=950",
      "HumiditySlope=0.1   %RH = slope x code + offset",
      "HumidityOffset=0",
      "Numbers take a full stop as the decimal point.",
      "",
      "[MQTT]  state, availability and discovery configs for an",
      "MQTT broker; without Host, MQTT is off",
      "Host=192.168.1.20",
      "Port=1883   (8883 with TLS=1)",
      "Topic=wm033   prefix of wm033/state and wm033/availability",
      "ClientId=wm033-garden   default: wm033- and the host name",
      "User=station",
      "PasswordFile=C:\\WM033\\mqtt-password.txt   the password alone",
      "TLS=0   1: TLS, checked against CAFile",
      "CAFile=   certificate authority file for TLS",
      "Discovery=homeassistant   empty: no discovery configs",
      "Interval=60   seconds between state messages",
  });
}

}  // namespace config

// "?" and "&Help": the help file when it is there, else where to get it.
void TWM033f1::buHelpClick() {
  const auto path = MapPath(env(), config::kHelpFile);
  if (path && FileExists(*path)) {
    platform().OpenHelp(*path);
    return;
  }
  platform().ShowMessageAt(config::HelpMissingText(), Bounds().left + 10, Bounds().top + 60);
}

// "(c)" and "&About".
void TWM033f1::buCopyrightClick() {
  platform().ShowMessageAt(config::AboutText(), Bounds().left + 10, Bounds().top + 60);
}

void TWM033f1::Overview1Click() {
  platform().ShowMessage(config::SettingsOverviewText());
}

void TWM033f1::Legacy1Click() {
  platform().ShowMessage(config::SettingsLegacyText());
}

void TWM033f1::Modern1Click() {
  platform().ShowMessage(config::SettingsModernText());
}

}  // namespace wm033
