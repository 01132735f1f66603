// The TMEX calls over a OneWireLink. The link is opened at the first session start (the sensor
// configuration, which the simulated MicroLan is built from, is read after the form that owns
// us is made) and opened again when the port number or type changes. One session is open at a
// time: a start while another session holds the port fails with 0, as a port in use does.
// The selected ROM is kept in the caller's state buffer, so each buffer keeps its own chip.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "onewire/link.h"
#include "onewire/tmex.h"

namespace wm033::onewire {

// Opens the adapter for a port number and type; null with a message when it cannot.
using LinkOpener = std::function<std::unique_ptr<OneWireLink>(int16_t port_num, int16_t port_type,
                                                              std::string& error)>;

class LinkTmex : public Tmex {
 public:
  // `report` receives the message of a failed adapter open, once per port.
  LinkTmex(LinkOpener opener, std::function<void(const std::string&)> report);

  int32_t TMExtendedStartSession(int16_t port_num, int16_t port_type, void* options) override;
  int16_t TMSetup(int32_t handle) override;
  int16_t TMRom(int32_t handle, uint8_t* state, uint16_t* rom) override;
  int16_t TMValidSession(int32_t handle) override;
  int16_t TMStrongAccess(int32_t handle, uint8_t* state) override;
  int16_t TMTouchByte(int32_t handle, int16_t byte) override;
  int16_t TMTouchReset(int32_t handle) override;
  int16_t TMOneWireLevel(int32_t handle, int16_t operation, int16_t level, int16_t prime) override;
  int16_t TMEndSession(int32_t handle) override;
  int Search(int32_t handle, std::vector<Rom>& found) override;

  bool SessionOpen() const { return open_handle_ > 0; }
  OneWireLink* link() { return link_.get(); }
  const std::string& OpenError() const { return open_error_; }

 private:
  bool Valid(int32_t handle) const { return handle > 0 && handle == open_handle_ && link_; }

  LinkOpener opener_;
  std::function<void(const std::string&)> report_;
  std::unique_ptr<OneWireLink> link_;
  int16_t link_port_ = -1, link_type_ = -1;
  bool reported_ = false;
  std::string open_error_;
  int32_t open_handle_ = 0;
  int32_t last_handle_ = 0;
};

// Where in a TMEX state buffer the selected ROM is kept: a marker byte, then the eight bytes.
constexpr size_t kStateRomMarker = 0;
constexpr size_t kStateRom = 1;
constexpr uint8_t kStateRomSet = 0xA5;

}  // namespace wm033::onewire
