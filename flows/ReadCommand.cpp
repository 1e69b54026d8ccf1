// Get CheckSum / Read: the whole flash into the code buffer and its sum.
#include <algorithm>
#include <array>
#include <cstring>

#include "flows/MainCommands.h"

namespace tq {

namespace {
constexpr int kDualSizeReadPages = 128;
constexpr int kPagesOf60k = 120;
}  // namespace

void MainCommands::SpeedButton2Click() {
  CodeBuffer& buf = s_.buffer;
  s_.resultCode = kResultOk;
  uint16_t sum60k = 0;
  buf.checksum = 0;
  win_.SetEnabled(Control::AutoButton, false);

  if (s_.selectedMcu == kNoMcu) ISPLinkButtonClick();

  if (s_.selectedMcu < kMcuSlots) {
    const McuSlot& slot = s_.mcus[s_.selectedMcu];
    // A row of more than 256 pages would run past the code buffer and
    // past what a one-byte page number can select; read what exists.
    buf.pageCount =
        slot.id == kDualSizeChipId ? kDualSizeReadPages : std::min<int>(slot.pages, kPageCountMax);
    isp_.PortAccess(true);
    int progress = 0;
    win_.SetGaugeProgress(progress);
    win_.SetGaugeMax(buf.pageCount);

    std::array<uint8_t, kPageSize> page{};
    for (int p = 0; p < buf.pageCount; ++p) {
      isp_.SelectReadPage(static_cast<uint8_t>(p));
      bool ok = isp_.WaitReady();
      if (ok) ok = isp_.ReadPage(page.data());
      if (!ok) {
        s_.resultCode = kResultReadFail;
        buf.pageCount = 0;
        win_.AddLog("Reading fail!!!");
        win_.SetStatus(2, "Empty");
        isp_.RecoverBus();
        win_.ErrorBox("Read process fail!");
        break;
      }
      std::memcpy(buf.Page(p), page.data(), kPageSize);
      for (uint8_t b : page) {
        buf.checksum = static_cast<uint16_t>(buf.checksum + b);
        if (p < kPagesOf60k) sum60k = static_cast<uint16_t>(sum60k + b);
      }
      GaugeStep(p, buf.pageCount, progress);
    }
  }

  // ISP OFF forgets the selection; the checksum lines still need its ID.
  const uint16_t selected = s_.selectedMcu;
  ISPOFFButtonClick();

  if (s_.resultCode == kResultOk) {
    if (selected < kMcuSlots && s_.mcus[selected].id == kDualSizeChipId) {
      win_.AddLog("Check Sum (60k):" + Hex4(sum60k));
      win_.AddLog("Check Sum (64k):" + Hex4(buf.checksum));
    } else {
      win_.AddLog("Check Sum:" + Hex4(buf.checksum));
    }
    win_.SetStatus(1, "CheckSum");
    win_.SetStatus(2, "Empty");
    buf.pageCount = 0;
  }
  isp_.PortAccess(false);
  win_.SetEnabled(Control::SpeedButton1, false);
}

}  // namespace tq
