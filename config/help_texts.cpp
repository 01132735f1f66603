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

// The settings help texts put every example line on a line of its own, as it would stand in
// the file, so that an owner can copy it; what it means follows on indented lines.
std::string SettingsOverviewText() {
  return JoinLines({
      "An optional file, C:/WM033/WM033ini2.txt, may be created.",
      "If it is present, it changes the way parts of the program",
      "behave, for example the colours of the plot lines.",
      "It must be in C:/WM033.",
      "",
      "Its first line must begin with the marker",
      "abWM033ini2",
      "    (exactly these 11 characters, in this case, at the start",
      "    of the line; anything after them is ignored). A file whose",
      "    first line does not begin so is refused, and the program",
      "    closes after start-up.",
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
      "WM033ini2.txt is a work in progress. These are its modern",
      "sections, each with its keys. Every line below that holds an",
      "\"=\" is an example that can be copied into the file as it",
      "stands; the indented lines under it say what it does.",
      "Parameters p0 to p12 are: p0-p4 temperatures 0 to 4, p5 rain,",
      "p6 wind speed, p7 lightning, p8 pressure, p9 humidity,",
      "p10 wind direction, p11 and p12 on/off inputs 1 and 2.",
      "",
      "[sbc]",
      "    The simple web page.",
      "bcp=C:\\web",
      "    Folder where the page is stored.",
      "bch=WM033BC.htm",
      "    File name of the page.",
      "hsi=600",
      "    Seconds between page saves.",
      "",
      "[enis]",
      "    Image saving, for the fuller web page.",
      "bci=WM033BC.jpg",
      "    Image file name (it goes in the page's folder).",
      "iri=900",
      "    Seconds between image saves (0: no image).",
      "",
      "[SecondImage]",
      "    An extra image on the page; it must be in the bcp folder.",
      "jpg2caption=The garden",
      "jpg2name=garden.jpg",
      "jpg2alt=A picture of the garden",
      "    The alternative text, shown when the image is missing.",
      "jpg2width=200",
      "[ThirdImage]",
      "jpg3caption=The pond",
      "jpg3name=pond.jpg",
      "jpg3alt=A picture of the pond",
      "jpg3width=200",
      "[FourthImage]",
      "jpg4caption=The roof",
      "jpg4name=roof.jpg",
      "jpg4alt=A picture of the roof",
      "jpg4width=200",
      "",
      "[ChannelColors]",
      "    A colour per parameter, p0c to p12c except p10c, as six",
      "    hexadecimal digits: red, green, blue. White (FFFFFF) is",
      "    warned about; black is 000000.",
      "p0c=FF8000",
      "p5c=0000FF",
      "",
      "[FieldLabels]",
      "    Channel names on the numeric display: p0fL to p4fL for the",
      "    temperatures, p5fl to p9fl, p11fl and p12fl for the others.",
      "    Blanks after a name are removed, so a name cannot carry",
      "    its own gap before the \"(F)\" or \"(C)\" marker.",
      "p0fL=Outside",
      "p5fl=Rain",
      "",
      "[LineOffsetScale]",
      "    An offset (pNa) and a multiplier (pNm) per parameter, p0 to",
      "    p9, p11 and p12, which move and scale its plotted line.",
      "    10000 neither squashes nor spreads; larger squashes.",
      "p1a=190",
      "p1m=400",
      "",
      "[Readings]",
      "    The readings file, beside the page. Seconds between writes",
      "    besides the page writes, made only when a reading changed;",
      "    0 writes no readings file.",
      "Interval=60",
      "",
      "[Calibration]",
      "    Readings in physical units, for the readings file and the",
      "    health page; without a key the raw unit stays. Rain in mm",
      "    and wind run in m per count (speed in m/s); pressure in hPa",
      "    and humidity in %RH are slope x code + offset. Numbers take",
      "    a full stop as the decimal point.",
      "RainPerCount=0.2794",
      "WindRunPerCount=2.4",
      "PressureSlope=0.1",
      "PressureOffset=950",
      "HumiditySlope=0.1",
      "HumidityOffset=0",
      "",
      "[MQTT]",
      "    State, availability and discovery configs for an MQTT",
      "    broker; without Host, MQTT is off. Port is 1883, or 8883",
      "    with TLS=1 (checked against CAFile). Topic prefixes",
      "    wm033/state and wm033/availability; ClientId defaults to",
      "    wm033- and the host name; PasswordFile holds the password",
      "    alone; an empty Discovery sends no discovery configs;",
      "    Interval is the seconds between state messages.",
      "Host=192.168.1.20",
      "Port=1883",
      "Topic=wm033",
      "ClientId=wm033-garden",
      "User=station",
      "PasswordFile=C:\\WM033\\mqtt-password.txt",
      "TLS=0",
      "CAFile=",
      "Discovery=homeassistant",
      "Interval=60",
      "",
      "[WindowPosnsAndSizes]",
      "    Left, top, width and height of the windows' outer frames",
      "    under restack schemes A and B: W1 the main window, W2 the",
      "    error window, W3 the numeric display. 9,9,9,9 keeps the",
      "    built-in place.",
      "SchemeAW1=0,0,799,370",
      "SchemeBW3=10,400,580,310",
      "",
      "[BarGraphs]",
      "    ON draws bars of rain (p5bg), wind (p6bg) and lightning",
      "    (p7bg) when the history is redrawn at start-up.",
      "p6bg=ON",
      "",
      "[VariousOne]",
      "    Plot style of the on/off inputs (p11v1, p12v1): 0 level",
      "    with edges, 1 level only, 2 the count itself.",
      "p11v1=1",
      "",
      "[HTMLTitle]",
      "    Prefix of the page title and of the main window caption.",
      "Prefix=Garden station",
      "",
      "[HTMLMsg]",
      "    Two operator messages for the page, each with the days it",
      "    stays (0: until changed; 0.5 is twelve hours).",
      "Msg=Back from holiday on Monday",
      "Persists=0.5",
      "Msg2=The rain gauge is being cleaned",
      "Persists2=0",
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
