// The outputs beside the page, as members of the main form: the read counts of the device
// routines, the snapshot of the state, the readings file, the health page, the PNG of the graph,
// the settings sections, and the journal lines of a headless run.
#include "outputs/station_outputs.h"

#include <cmath>

#include "app/wm033f1.h"
#include "config/sensor_config.h"
#include "display/numeric_display.h"
#include "onewire/temperature_math.h"
#include "outputs/codes.h"
#include "outputs/graph_png.h"
#include "outputs/health_page.h"
#include "outputs/readings.h"
#include "outputs/text_forms.h"
#include "webpage/atomic_file.h"
#include "webpage/page_text.h"

namespace wm033 {

namespace outputs {

std::string DerivedName(const std::string& name, const std::string& ending) {
  const size_t dot = name.find_last_of('.');
  const size_t sep = name.find_last_of("/\\");
  std::string stem = name;
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) stem.resize(dot);
  std::string derived = stem + ending;
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  if (lower(derived) == lower(name)) derived = name + ending;
  return derived;
}

}  // namespace outputs

namespace {

constexpr int kWindDirChannel = 10;

// The caption label of a channel on the numeric display.
const Label& CaptionOf(TWM033fControl& c, int channel) {
  switch (channel) {
    case 5:
      return c.laTxtRainfall;
    case 6:
      return c.laTxtWindspeed;
    case 7:
      return c.laTxtLtning;
    case 8:
      return c.laTxtBP;
    case 9:
      return c.laTxtHum;
    case 10:
      return c.Label1;
    case 11:
      return c.laTxtOnOff1;
    case 12:
      return c.laTxtOnOff2;
  }
  return c.TtureCaption(channel);
}

bool IsHexId(const std::string& id) {
  if (id.size() != 16) return false;
  for (char c : id)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Writes a file of the page folder; a failure is noted once until the next success. A program
// that is ending (a start that failed on a fatal fault) leaves the published files as they were.
void WriteBesidePage(TWM033f1& f, const std::string& name, std::string_view data, bool& failed,
                     const char* what) {
  if (f.bQuitting) return;
  const std::string shown = JoinPageFolder(f.sPageFolder, name);
  std::string why;
  const auto path = MapPath(f.env(), shown, &why);
  const bool ok = path && ReplaceFileAtomically(*path, data, why);
  if (!ok && !failed)
    f.platform().Note(std::string(what) + " " + shown + " was not written (" + why +
                      "); said once until it is written again");
  if (ok && failed) f.platform().Note(std::string(what) + " " + shown + " written again");
  failed = !ok;
}

}  // namespace

outputs::StationSnapshot TWM033f1::TakeSnapshot() {
  outputs::StationSnapshot s;
  s.title_prefix = sTitlePrefix;
  s.version = kVersion;
  s.port = siPortNum;
  s.port_type = siPortType;
  s.simulated = env().simulated_microlan;
  s.now = platform().Now();
  s.cycles = liCycleCount - 1;
  s.page_file = sPageFile;
  s.png_file = outputs::DerivedName(sImageFile, ".png");
  for (int ch = 0; ch < kChannels; ++ch) {
    const size_t i = static_cast<size_t>(ch);
    outputs::LineSnapshot& l = s.lines[i];
    l.channel = ch;
    l.line = static_cast<char>('k' + ch);
    l.label = CaptionOf(WM033fControl, ch).Caption();
    l.unit = outputs::ValueUnit(ch);
    l.health = Outputs.health.Line(ch);
    l.family = onewire::FamilyChars(sChipId[i]);
    for (char& c : l.family) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (IsHexId(sChipId[i])) l.rom = sChipId[i];
    l.state = outputs::StateOf(l.health, config::SlotAcceptsFamily(ch, l.family), bChipEnabled[i]);
    l.calibrated = outputs::CalibratedReading(Outputs.settings.calibration, ch, l.health.last_good,
                                              l.health.previous_good);
    l.colour = clChannel[i];
    l.plotted = ch != kWindDirChannel;
    if (!l.health.last_good) continue;
    // The reading as the numeric display writes it.
    const double v = l.health.last_good->value;
    if (ch <= 4) {
      const float c = static_cast<float>(v);
      l.text = display::FormatReadingText(bShowCelsius ? c : display::FahrenheitOf(c), 3);
    } else if (ch == kWindDirChannel) {
      const long point = std::lround(v / 22.5);
      l.text = CompassNames[static_cast<size_t>(((point % 16) + 16) % 16)];
    } else {
      l.text = std::to_string(std::llround(v));
    }
  }
  return s;
}

std::string TWM033f1::ReadingsDocument() {
  return outputs::ReadingsDocument(TakeSnapshot());
}

void TWM033f1::WriteReadingsFile() {
  if (Outputs.settings.readings_interval_secs <= 0) return;
  const std::string document = ReadingsDocument();
  Outputs.written_revision = Outputs.health.Revision();
  Outputs.next_readings = platform().Now() + Outputs.settings.readings_interval_secs / 86400.0;
  WriteBesidePage(*this, outputs::DerivedName(sPageFile, ".json"), document,
                  Outputs.readings_failed, "the readings file");
  for (const auto& tell : Outputs.on_readings) tell(document);
}

bool TWM033f1::IsReadingsDue() {
  return Outputs.settings.readings_interval_secs > 0 &&
         Outputs.health.Revision() != Outputs.written_revision &&
         !(platform().Now() < Outputs.next_readings);
}

void TWM033f1::WriteHealthPage() {
  WriteBesidePage(*this, outputs::DerivedName(sPageFile, "-health.htm"),
                  outputs::HealthPage(TakeSnapshot()), Outputs.health_page_failed,
                  "the health page");
}

void TWM033f1::SaveGraphPng() {
  std::string png, why;
  const std::string name = outputs::DerivedName(sImageFile, ".png");
  if (!outputs::EncodePng(imMainGraphPane.Picture(), png, why)) {
    if (!Outputs.png_failed)
      platform().Note("the graph PNG " + name + " was not made (" + why + ")");
    Outputs.png_failed = true;
    return;
  }
  WriteBesidePage(*this, name, png, Outputs.png_failed, "the graph PNG");
}

void TWM033f1::ApplyOutputSettings(std::string_view settings_text) {
  std::vector<std::string> problems;
  Outputs.settings = outputs::OutputSettingsFromText(settings_text, problems);
  for (const std::string& p : problems) platform().ShowMessage(p);
}

// The device layer's read scopes, counted per configuration line.
void TWM033f1::ReadBegins(int line) {
  Outputs.health.Begin(line);
}

void TWM033f1::ReadEnds(int line, uint16_t code, bool trapped) {
  const auto change = Outputs.health.End(line, code, trapped, platform_.Now());
  if (change) NoteHealthChange(*change);
}

void TWM033f1::ReadAbandoned() {
  Outputs.health.Abandon();
}

void TWM033f1::NoteHealthChange(const outputs::StateChange& c) {
  const std::string line = std::string("line ") + static_cast<char>('k' + c.line) + " (" +
                           CaptionOf(WM033fControl, c.line).Caption() + ", " +
                           outputs::ChannelName(c.line) + ")";
  if (c.failing) {
    platform().Note(line + " failing: " + std::to_string(c.in_a_row) + " failures in a row, code " +
                    std::to_string(c.code) + " (" +
                    outputs::CodeMeaning(outputs::KindOfLine(c.line), c.code) + "), " +
                    std::to_string(c.code_count) + (c.code_count == 1 ? " time" : " times") +
                    " so far");
  } else {
    platform().Note(line + " ok again after failing for " +
                    outputs::DurationText(c.seconds_failed) + " (" + std::to_string(c.in_a_row) +
                    " failures in a row)");
  }
}

void TWM033f1::NoteHealthSummary() {
  const outputs::StationSnapshot s = TakeSnapshot();
  int count[4] = {0, 0, 0, 0};
  std::string letters[4];
  uint64_t reads = 0, failures = 0;
  for (const outputs::LineSnapshot& l : s.lines) {
    const int k = static_cast<int>(l.state);
    ++count[k];
    letters[k] += std::string(letters[k].empty() ? "" : ", ") + l.line;
    reads += l.health.reads;
    failures += l.health.failures;
  }
  auto part = [&](int k, const char* name) {
    std::string text = std::to_string(count[k]) + " " + name;
    if (k != 0 && count[k] > 0) text += " (" + letters[k] + ")";
    return text;
  };
  platform().Note("line health at Quit: " + part(0, "ok") + ", " + part(1, "failing") + ", " +
                  part(2, "disabled") + ", " + part(3, "not configured") + "; " +
                  std::to_string(reads) + " reads, " + std::to_string(failures) + " failures");
}

}  // namespace wm033
