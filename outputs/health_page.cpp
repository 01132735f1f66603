#include "outputs/health_page.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "datalog/timestamp.h"
#include "outputs/codes.h"
#include "outputs/text_forms.h"

namespace wm033::outputs {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;font-size:16px;line-height:1.4;color:#1a1a1a;background:#fff;"
    "margin:0 auto;max-width:62em;padding:0.5em 0.8em}\n"
    "h1{font-size:1.35em;margin:0.4em 0}h2{font-size:1.15em;margin:1.4em 0 0.4em}\n"
    ".scroll{overflow-x:auto}\n"
    "table{border-collapse:collapse;width:100%}\n"
    "th,td{border-bottom:1px solid #d0d0d0;padding:0.35em 0.45em;text-align:left;"
    "vertical-align:top}\n"
    "th{background:#f0f0f0}td.n{text-align:right;white-space:nowrap}\n"
    ".swatch{display:inline-block;width:1.4em;height:0.85em;border:1px solid #444;"
    "vertical-align:middle;margin-right:0.4em}\n"
    ".state{padding:0.05em 0.4em;border-radius:0.3em;white-space:nowrap}\n"
    ".ok{background:#d8f0da;color:#14501a}.failing{background:#b3261e;color:#fff}\n"
    ".disabled{background:#e4e4e4;color:#333}.not-configured{background:#fff;color:#555;"
    "border:1px dashed #888}\n"
    "ul.codes{margin:0.2em 0 0;padding-left:1.1em}ul.codes li{margin:0.1em 0}\n"
    "img.graph{max-width:100%;height:auto;border:1px solid #999}\n"
    // On a phone each table row becomes a card of labelled lines.
    "@media (max-width:40em){table.cards thead{display:none}\n"
    "table.cards,table.cards tbody,table.cards tr,table.cards td{display:block}\n"
    "table.cards tr{border:1px solid #c8c8c8;border-radius:0.4em;margin:0 0 0.6em;"
    "padding:0.3em 0.6em}\n"
    "table.cards td{border:none;padding:0.12em 0;text-align:left}\n"
    "table.cards td[data-label]::before{content:attr(data-label) \": \";font-weight:bold}\n"
    "table.cards td:first-child,table.cards td:nth-child(2){display:inline;margin-right:0.4em}}\n"
    "ul.legend{list-style:none;padding:0;margin:0.5em 0;display:flex;flex-wrap:wrap;"
    "gap:0.3em 1.3em}\n"
    ".muted{color:#555}\n";

const char* kChannelNames[kLines] = {
    "temperature 0",  "temperature 1", "temperature 2", "temperature 3", "temperature 4",
    "rainfall",       "wind speed",    "lightning",     "pressure",      "humidity",
    "wind direction", "on/off 1",      "on/off 2"};

const char* ChipName(const std::string& family) {
  if (family == "10") return "DS18S20";
  if (family == "28") return "DS18B20";
  if (family == "26") return "DS2438";
  if (family == "1D") return "DS2423";
  if (family == "20") return "DS2450";
  return "chip";
}

std::string CssColour(uint32_t colour) {  // red in the low byte
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return buf;
}

std::string Swatch(const LineSnapshot& l) {
  return "<span class=\"swatch\" style=\"background:" + CssColour(l.colour) + "\"></span>";
}

std::string StateClass(LineState s) {
  return s == LineState::kNotConfigured ? "not-configured" : StateName(s);
}

// A table cell; `label` names it when the row is shown as a card.
std::string Cell(const char* label, const std::string& content, bool number = false) {
  return std::string("<td") + (number ? " class=\"n\"" : "") +
         (label ? std::string(" data-label=\"") + label + "\"" : std::string()) + ">" + content +
         "</td>";
}

std::string Head(std::initializer_list<const char*> names) {
  std::string out = "<thead><tr>";
  for (const char* n : names) out += std::string("<th>") + n + "</th>";
  return out + "</tr></thead>\n<tbody>\n";
}

std::string Age(const StationSnapshot& s, const Reading& r) {
  return DurationText((s.now - r.time) * 86400.0) + " ago";
}

std::string ValueWithUnit(const LineSnapshot& l, double value) {
  std::string unit = l.unit;
  if (unit == "count") unit = value == 1 ? "count" : "counts";
  const bool tight = unit == "°C" || unit == "°" || unit == "%";
  return HtmlText(JsonNumber(value)) + (tight ? "" : "&nbsp;") + HtmlText(unit);
}

std::string CalibratedText(const LineSnapshot& l) {
  if (!l.calibrated) return "<span class=\"muted\">&mdash;</span>";
  if (!l.calibrated->value) return "<span class=\"muted\">not yet</span>";
  const std::string& unit = l.calibrated->unit;
  // Two decimals are plenty to read; the readings file keeps the full value.
  char text[400];  // std::to_chars writes a full stop whatever the locale says
  const auto end =
      std::to_chars(text, text + sizeof text, *l.calibrated->value, std::chars_format::fixed, 2);
  std::string shown(text, end.ptr);
  while (shown.find('.') != std::string::npos && (shown.back() == '0' || shown.back() == '.'))
    shown.pop_back();
  if (shown == "-0") shown = "0";
  return HtmlText(shown) + (unit == "%" ? "" : "&nbsp;") + HtmlText(unit);
}

std::string ReadingRow(const StationSnapshot& s, const LineSnapshot& l) {
  std::string row =
      "<tr>" + Cell(nullptr, "<b>" + std::string(1, l.line) + "</b>") +
      Cell(nullptr, (l.plotted ? Swatch(l) : "") + HtmlText(l.label) + " <span class=\"muted\">(" +
                        ChannelName(l.channel) + ")</span>");
  const std::optional<Reading>& r = l.health.last_good;
  if (!r) return row + "<td colspan=\"4\" class=\"muted\">no reading yet</td></tr>\n";
  return row + Cell("Shown", HtmlText(l.text), true) +
         Cell("Value", ValueWithUnit(l, r->value), true) +
         Cell("Calibrated", CalibratedText(l), true) + Cell("Taken", Age(s, *r), true) + "</tr>\n";
}

std::string FailureCell(const LineSnapshot& l) {
  const LineHealth& h = l.health;
  std::string cell = std::to_string(h.failures);
  if (h.in_a_row > 0) cell += ", " + std::to_string(h.in_a_row) + " in a row";
  if (h.by_code.empty()) return cell;
  cell += "<ul class=\"codes\">";
  for (const CodeCount& c : h.by_code)
    cell += "<li>code " + std::to_string(c.code) + " &times; " + std::to_string(c.count) + ": " +
            HtmlText(CodeMeaning(KindOfLine(l.channel), c.code)) + "</li>";
  return cell + "</ul>";
}

std::string LineRow(const StationSnapshot& s, const LineSnapshot& l) {
  const LineHealth& h = l.health;
  std::string sensor = HtmlText(l.label) + " <span class=\"muted\">" + ChannelName(l.channel);
  if (!l.rom.empty()) sensor += ", " + std::string(ChipName(l.family)) + " " + HtmlText(l.rom);
  sensor += "</span>";
  std::string last = "<span class=\"muted\">none yet</span>";
  if (h.last_good) last = ValueWithUnit(l, h.last_good->value) + ", " + Age(s, *h.last_good);
  return "<tr>" + Cell(nullptr, "<b>" + std::string(1, l.line) + "</b>") + Cell(nullptr, sensor) +
         Cell("State", "<span class=\"state " + StateClass(l.state) + "\">" + StateName(l.state) +
                           "</span>") +
         Cell("Reads", std::to_string(h.reads), true) + Cell("Failures", FailureCell(l)) +
         Cell("Last good", last) + "</tr>\n";
}

}  // namespace

const char* ChannelName(int channel) {
  return channel >= 0 && channel < kLines ? kChannelNames[channel] : "";
}

std::string HealthPage(const StationSnapshot& s) {
  const std::string title =
      (s.title_prefix.empty() ? std::string() : s.title_prefix + ": ") + "station health";
  int counts[4] = {0, 0, 0, 0};
  for (const LineSnapshot& l : s.lines) ++counts[static_cast<int>(l.state)];

  std::string p = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  p += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  p += "<title>" + HtmlText(title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
  p += "<h1>" + HtmlText(title) + "</h1>\n";
  p += "<p>Written " + HtmlText(ReadableDateTimeOf(DecodeDayCount(s.now), true)) +
       " <span class=\"muted\">(" + IsoTime(s.now) + ")</span>, after " + std::to_string(s.cycles) +
       " cycles. <a href=\"" + HtmlText(s.page_file) + "\">The station's page</a></p>\n";
  p += "<p>" + std::to_string(counts[0]) + " lines ok, " + std::to_string(counts[1]) +
       " failing, " + std::to_string(counts[2]) + " disabled, " + std::to_string(counts[3]) +
       " not configured.</p>\n";

  p += "<h2>Readings</h2>\n<div class=\"scroll\"><table class=\"cards\" id=\"readings\">\n";
  p += Head({"Line", "Channel", "Shown", "Value", "Calibrated", "Taken"});
  for (const LineSnapshot& l : s.lines) p += ReadingRow(s, l);
  p += "</tbody></table></div>\n";

  p += "<h2>Graph</h2>\n<p><a href=\"" + HtmlText(s.png_file) + "\"><img class=\"graph\" src=\"" +
       HtmlText(s.png_file) +
       "\" width=\"780\" height=\"237\" alt=\"Graph of the readings of the last nine days, "
       "newest on the right\"></a></p>\n<ul class=\"legend\">\n";
  for (const LineSnapshot& l : s.lines)
    if (l.plotted)
      p += "<li>" + Swatch(l) + HtmlText(l.label) + " <span class=\"muted\">(" +
           ChannelName(l.channel) + ")</span></li>\n";
  p += "</ul>\n";

  p += "<h2>Lines</h2>\n<div class=\"scroll\"><table class=\"cards\" id=\"lines\">\n";
  p += Head({"Line", "Sensor", "State", "Reads", "Failures", "Last good reading"});
  for (const LineSnapshot& l : s.lines) p += LineRow(s, l);
  p += "</tbody></table></div>\n";
  p += "<p class=\"muted\">A line is failing after " + std::to_string(kFailingAfter) +
       " failures in a row, until its next good read. Counts start again when the program "
       "starts.</p>\n</body>\n</html>\n";
  return p;
}

}  // namespace wm033::outputs
