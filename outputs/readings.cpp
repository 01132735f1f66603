// The readings document: station, time, cycles, one reading per channel and the health of
// every configuration line. A reading not yet made is null.
#include "outputs/readings.h"

#include "outputs/text_forms.h"

namespace wm033::outputs {

const char* ValueUnit(int channel) {
  if (channel >= 0 && channel <= 4) return "°C";
  if (channel == 8 || channel == 9) return "cV";
  if (channel == 10) return "°";
  return "count";
}

namespace {

std::string Field(const char* name, const std::string& json) {
  return std::string("\"") + name + "\": " + json;
}

std::string TimeOrNull(const std::optional<Reading>& r) {
  return r ? JsonString(IsoTime(r->time)) : "null";
}

std::string ValueOrNull(const std::optional<double>& v) {
  return v ? JsonNumber(*v) : "null";
}

std::string ReadingObject(const LineSnapshot& l) {
  const std::optional<Reading>& r = l.health.last_good;
  std::string out = "{" + Field("channel", std::to_string(l.channel)) + ", " +
                    Field("line", JsonString(std::string(1, l.line))) + ", " +
                    Field("label", JsonString(l.label)) + ", " +
                    Field("value", r ? JsonNumber(r->value) : "null") + ", " +
                    Field("text", r ? JsonString(l.text) : "null") + ", " +
                    Field("unit", JsonString(l.unit)) + ", " + Field("time", TimeOrNull(r));
  if (l.calibrated)
    out += ", " + Field("calibrated", ValueOrNull(l.calibrated->value)) + ", " +
           Field("calibrated_unit", JsonString(l.calibrated->unit));
  return out + "}";
}

std::string HealthObject(const LineSnapshot& l) {
  const LineHealth& h = l.health;
  std::string codes = "{";
  for (size_t i = 0; i < h.by_code.size(); ++i) {
    if (i) codes += ", ";
    codes += "\"" + std::to_string(h.by_code[i].code) + "\": " + std::to_string(h.by_code[i].count);
  }
  codes += "}";
  std::string last_good = "null";
  if (h.last_good)
    last_good = "{" + Field("time", TimeOrNull(h.last_good)) + ", " +
                Field("value", JsonNumber(h.last_good->value)) + "}";
  return "{" + Field("line", JsonString(std::string(1, l.line))) + ", " +
         Field("channel", std::to_string(l.channel)) + ", " +
         Field("family", JsonString(l.family)) + ", " + Field("rom", JsonString(l.rom)) + ", " +
         Field("state", JsonString(StateName(l.state))) + ", " +
         Field("reads", std::to_string(h.reads)) + ", " +
         Field("failures", std::to_string(h.failures)) + ", " +
         Field("failures_in_a_row", std::to_string(h.in_a_row)) + ", " +
         Field("last_failure_code", h.failures ? std::to_string(h.last_code) : "null") + ", " +
         Field("failures_by_code", codes) + ", " + Field("last_good", last_good) + "}";
}

}  // namespace

std::string ReadingsDocument(const StationSnapshot& s) {
  std::string out = "{\n";
  out += "  " +
         Field("station",
               "{" + Field("title_prefix", JsonString(s.title_prefix)) + ", " +
                   Field("program", "\"wm033\"") + ", " + Field("version", JsonString(s.version)) +
                   ", " +
                   Field("adapter", "{" + Field("port", std::to_string(s.port)) + ", " +
                                        Field("type", std::to_string(s.port_type)) + ", " +
                                        Field("simulated", s.simulated ? "true" : "false") + "}") +
                   "}") +
         ",\n";
  out += "  " + Field("time", JsonString(IsoTime(s.now))) + ",\n";
  out += "  " + Field("cycles", std::to_string(s.cycles)) + ",\n";
  out += "  \"readings\": [\n";
  for (size_t i = 0; i < s.lines.size(); ++i)
    out += "    " + ReadingObject(s.lines[i]) + (i + 1 < s.lines.size() ? ",\n" : "\n");
  out += "  ],\n  \"health\": [\n";
  for (size_t i = 0; i < s.lines.size(); ++i)
    out += "    " + HealthObject(s.lines[i]) + (i + 1 < s.lines.size() ? ",\n" : "\n");
  out += "  ]\n}\n";
  return out;
}

}  // namespace wm033::outputs
