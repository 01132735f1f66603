#include "onewire/link_tmex.h"

#include <climits>

#include "onewire/search.h"

namespace wm033::onewire {

LinkTmex::LinkTmex(LinkOpener opener, std::function<void(const std::string&)> report)
    : opener_(std::move(opener)), report_(std::move(report)) {}

int32_t LinkTmex::TMExtendedStartSession(int16_t port_num, int16_t port_type, void*) {
  if (open_handle_ > 0) return 0;  // the port is held by another session
  if (!link_ || port_num != link_port_ || port_type != link_type_) {
    const bool same_port = port_num == link_port_ && port_type == link_type_;
    link_.reset();
    link_port_ = port_num;
    link_type_ = port_type;
    open_error_.clear();
    link_ = opener_ ? opener_(port_num, port_type, open_error_) : nullptr;
    if (!link_) {
      if (!same_port) reported_ = false;
      if (!reported_ && report_) report_(open_error_);
      reported_ = true;
      // Try again at the next session start, in case the adapter comes back.
      link_port_ = port_num;
      link_type_ = port_type;
      return 0;
    }
  }
  link_->OnSessionStart();
  last_handle_ = last_handle_ >= INT32_MAX - 1 ? 1 : last_handle_ + 1;
  open_handle_ = last_handle_;
  return open_handle_;
}

int16_t LinkTmex::TMSetup(int32_t handle) {
  if (!Valid(handle)) return 0;
  const int r = link_->Reset();
  if (r == kResetPresence || r == kResetAlarm) return 1;
  if (r == kResetShort) return 2;  // bus shorted
  if (r < 0) return 0;
  return 3;  // no chip answered the reset
}

int16_t LinkTmex::TMRom(int32_t handle, uint8_t* state, uint16_t* rom) {
  if (!Valid(handle) || !state || !rom) return 0;
  state[kStateRomMarker] = kStateRomSet;
  for (int i = 0; i < 8; ++i) state[kStateRom + i] = static_cast<uint8_t>(rom[i] & 0xFF);
  return 1;
}

int16_t LinkTmex::TMValidSession(int32_t handle) {
  return Valid(handle) ? 1 : 0;
}

int16_t LinkTmex::TMStrongAccess(int32_t handle, uint8_t* state) {
  if (!Valid(handle)) return kTmexInvalidHandle;
  if (!state || state[kStateRomMarker] != kStateRomSet) return kTmexBadArgument;
  Rom rom;
  for (int i = 0; i < 8; ++i) rom[i] = state[kStateRom + i];
  const int r = VerifyRom(*link_, rom);
  return static_cast<int16_t>(r);
}

int16_t LinkTmex::TMTouchByte(int32_t handle, int16_t byte) {
  if (!Valid(handle)) return kTmexInvalidHandle;
  if (byte < 0 || byte > 255) return kTmexBadArgument;
  const int r = link_->TouchByte(byte);
  if (r < 0) return static_cast<int16_t>(r < -32768 ? -32768 : r);
  return static_cast<int16_t>(r & 0xFF);
}

int16_t LinkTmex::TMTouchReset(int32_t handle) {
  if (!Valid(handle)) return kTmexInvalidHandle;
  const int r = link_->Reset();
  if (r < 0) return static_cast<int16_t>(r < -32768 ? -32768 : r);
  return static_cast<int16_t>(r);
}

int16_t LinkTmex::TMOneWireLevel(int32_t handle, int16_t operation, int16_t level, int16_t prime) {
  if (!Valid(handle)) return kTmexInvalidHandle;
  if (operation != kLevelSet) return kTmexBadArgument;
  if (level != kLevelNormal && level != kLevelStrongPullUp) return kTmexBadArgument;
  if (prime != kPrimeNone && prime != kPrimeAfterByte) return kTmexBadArgument;
  if (level == kLevelStrongPullUp && !link_->HasStrongPullUp()) return kLinkNotSupported;
  const int r = link_->SetLevel(level == kLevelNormal ? LineLevel::Normal : LineLevel::StrongPullUp,
                                prime == kPrimeNone ? LevelStart::Now : LevelStart::AfterNextByte);
  if (r < 0) return static_cast<int16_t>(r);
  return level;
}

int16_t LinkTmex::TMEndSession(int32_t handle) {
  if (!Valid(handle)) return 0;
  link_->SetLevel(LineLevel::Normal, LevelStart::Now);
  open_handle_ = 0;
  return 1;
}

int LinkTmex::Search(int32_t handle, std::vector<Rom>& found) {
  found.clear();
  if (!Valid(handle)) return kTmexInvalidHandle;
  return SearchBus(*link_, found);
}

}  // namespace wm033::onewire
