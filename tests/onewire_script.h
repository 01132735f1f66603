// A scripted TMEX for exact byte-sequence tests: the expected calls with their canned replies.
// Every call is checked against the script; a mismatch is recorded with a dump of the expected
// and the actual sequence so far.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "onewire/tmex.h"

namespace wm033::testing {

struct Call {
  std::string what;  // "start", "setup", "rom", "valid", "access", "byte A5", "reset",
                     // "level 1 2", "end"
  int reply;
};

inline std::string Hex(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X", v & 0xFF);
  return b;
}
inline Call Byte(int b, int reply) {
  return {"byte " + Hex(b), reply};
}
inline Call Echo(int b) {
  return Byte(b, b);
}
inline Call Read(int reply) {
  return Byte(0xFF, reply);
}

class ScriptedTmex : public onewire::Tmex {
 public:
  explicit ScriptedTmex(std::vector<Call> script) : script_(std::move(script)) {}

  std::vector<Call> script_;
  std::vector<std::string> actual;
  std::vector<std::string> mismatches;
  uint16_t last_rom[8] = {};

  bool Done() const { return actual.size() == script_.size(); }
  std::string Dump() const {
    std::string out = "expected:";
    for (const Call& c : script_) out += " [" + c.what + " -> " + std::to_string(c.reply) + "]";
    out += "\nactual:  ";
    for (const std::string& a : actual) out += " [" + a + "]";
    for (const std::string& m : mismatches) out += "\n" + m;
    return out;
  }

  int32_t TMExtendedStartSession(int16_t, int16_t, void*) override { return Next("start"); }
  int16_t TMSetup(int32_t h) override { return Handle(h, "setup"); }
  int16_t TMRom(int32_t h, uint8_t*, uint16_t* rom) override {
    for (int i = 0; i < 8; ++i) last_rom[i] = rom[i];
    return Handle(h, "rom");
  }
  int16_t TMValidSession(int32_t h) override { return Handle(h, "valid"); }
  int16_t TMStrongAccess(int32_t h, uint8_t*) override { return Handle(h, "access"); }
  int16_t TMTouchByte(int32_t h, int16_t b) override { return Handle(h, "byte " + Hex(b)); }
  int16_t TMTouchReset(int32_t h) override { return Handle(h, "reset"); }
  int16_t TMOneWireLevel(int32_t h, int16_t, int16_t level, int16_t prime) override {
    return Handle(h, "level " + std::to_string(level) + " " + std::to_string(prime));
  }
  int16_t TMEndSession(int32_t h) override { return Handle(h, "end"); }

 private:
  int16_t Handle(int32_t h, const std::string& what) {
    if (h != 7) mismatches.push_back(what + " with handle " + std::to_string(h));
    return static_cast<int16_t>(Next(what));
  }
  int32_t Next(const std::string& what) {
    const size_t i = actual.size();
    actual.push_back(what);
    if (i >= script_.size()) {
      mismatches.push_back("unexpected call " + std::to_string(i) + ": " + what);
      return -1;
    }
    if (script_[i].what != what) {
      mismatches.push_back("call " + std::to_string(i) + ": expected " + script_[i].what +
                           ", got " + what);
    }
    return script_[i].reply;
  }
};

// The opening steps with the handle 7.
inline std::vector<Call> Opening(bool with_valid) {
  std::vector<Call> s = {{"start", 7}, {"setup", 1}, {"rom", 1}};
  if (with_valid) s.push_back({"valid", 1});
  s.push_back({"access", 1});
  return s;
}

inline std::vector<Call> operator+(std::vector<Call> a, const std::vector<Call>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The script that fails at step `i` of `happy` with `reply`: the calls up to it, then the end
// of the session when one was opened.
inline std::vector<Call> FailAt(const std::vector<Call>& happy, size_t i, int reply) {
  std::vector<Call> s(happy.begin(), happy.begin() + static_cast<long>(i) + 1);
  s.back().reply = reply;
  if (i > 0) s.push_back({"end", 1});
  return s;
}

}  // namespace wm033::testing
