// DMLGetCount: the counter of one memory page of a DS2423, in one Read Memory + Counter
// transaction: A5, the page's address (01C0 for page 14, 01E0 for page 15), the 32 page bytes
// (read and dropped), then the four counter bytes, least significant first. The bytes after the
// counter (four zeros and the CRC16) are not read. We keep the low 23 bits of the counter.

#include "onewire/device_routines.h"
#include "onewire/select_chip.h"
#include "onewire/tmex.h"

namespace wm033::onewire {

namespace {
constexpr uint8_t kReadMemoryCounter = 0xA5;
constexpr uint8_t kPage14Low = 0xC0;
constexpr uint8_t kPage15Low = 0xE0;
constexpr uint8_t kAddressHigh = 0x01;
constexpr int16_t kRead = 0xFF;
constexpr uint32_t kCountMask = 0x7FFFFF;
constexpr SelectCodes kCodes{14, 24, 35, 37, 44};
}  // namespace

void DeviceRoutines::DMLGetCount(uint8_t bWhichChip, uint8_t page, uint32_t& count, uint16_t& code,
                                 int32_t& dallErr) {
  ReadScope read(*this, bWhichChip);
  sExceptionTag = "Err 15aug12b DMLGetCount";
  code = 0;
  count = 0;
  bool opened = false;
  const bool ran = RunTransaction(*this, opened, [&] {
    const SelectResult sel =
        SelectChip(*this, bWhichChip, bStateBufA, wRomBufA, kCodes, AccessRule::ExactlyOne, dallErr,
                   "Err 23aug12 DMLGetCount inner try");
    code = sel.code;
    opened = sel.opened;
    Tmex& t = tmex();
    const int32_t h = lSessionHandle;

    // A command or address byte fails on a negative result and on a read-back of 255.
    auto send = [&](uint8_t byte, uint16_t negative_code, uint16_t ff_code) {
      if (code != 0) return;
      const int16_t r = t.TMTouchByte(h, byte);
      if (r < 0) {
        code = negative_code;
        dallErr = r;
      } else if (r == 255) {
        code = ff_code;
        dallErr = 255;
      }
    };
    send(kReadMemoryCounter, 54, 55);
    send(page == 14 ? kPage14Low : kPage15Low, 64, 65);
    send(kAddressHigh, 74, 75);

    for (int i = 0; i < 32 && code == 0; ++i) {
      if (t.TMTouchByte(h, kRead) < 0) code = 1652;  // the TMEX value stays as it was
    }

    constexpr uint16_t kByteCodes[4] = {104, 114, 124, 124};
    for (int i = 0; i < 4 && code == 0; ++i) {
      const int16_t r = t.TMTouchByte(h, kRead);
      if (r < 0) {
        code = kByteCodes[i];
        dallErr = r;
      } else {
        count += static_cast<uint32_t>(r & 0xFF) << (8 * i);
      }
    }

    if (code == 0) {
      opened = false;
      t.TMEndSession(h);  // its result is not tested
    } else {
      // A real adapter needs every session it opened ended, also after a failure.
      EndSessionQuietly(*this, opened);
      ReportDallasError("Problem with DMLGetCount- ", code, dallErr);
    }
    count &= kCountMask;
  });
  read.Done(code, !ran);
}

}  // namespace wm033::onewire
