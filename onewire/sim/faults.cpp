#include "onewire/sim/faults.h"

#include <cctype>

namespace wm033::onewire::sim {

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

FaultSet ParseFaults(const std::string& text, std::vector<std::string>* problems) {
  FaultSet set;
  std::string item;
  auto take = [&](std::string entry) {
    if (entry.empty()) return;
    const size_t eq = entry.find('=');
    auto complain = [&] {
      if (problems) problems->push_back("simulated fault \"" + entry + "\" not understood");
    };
    if (eq == std::string::npos) return complain();
    const std::string who = Lower(entry.substr(0, eq));
    const std::string what = Lower(entry.substr(eq + 1));
    if (who == "bus") {
      if (what == "short") return void(set.bus_short = true);
      return complain();
    }
    if (who.size() != 1 || who[0] < 'k' || who[0] > 'w') return complain();
    ChipFaults& f = set.by_line[who[0]];
    if (what == "absent")
      f.absent = true;
    else if (what == "badcrc")
      f.bad_crc = true;
    else if (what == "stuck")
      f.stuck = true;
    else if (what == "poweron")
      f.power_on = true;
    else if (what == "reset")
      f.counter_reset = true;
    else
      complain();
  };
  for (char c : text) {
    if (c == ',' || c == ';' || c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      take(item);
      item.clear();
    } else {
      item += c;
    }
  }
  take(item);
  return set;
}

}  // namespace wm033::onewire::sim
