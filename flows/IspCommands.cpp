// ISP ON, ISP OFF and Erase: opening and closing the link to the target
// and the one command that clears its flash.
#include "flows/MainCommands.h"

namespace tq {

namespace {
constexpr int kIspOnAttempts = 20;
constexpr int kIspModePauseMs = 20;
constexpr int kEraseSettleMs = 150;
}  // namespace

void MainCommands::ISPLinkButtonClick() {
  isp_.PortAccess(true);
  isp_.RecoverBus();
  s_.resultCode = kResultOk;

  for (int attempt = 0; attempt < kIspOnAttempts; ++attempt) {
    isp_.SetIspMode(1);
    isp_.SetIspMode(1);
    clock_.SleepMs(kIspModePauseMs);
    const uint16_t id = isp_.ReadChipId();
    // The search only ever sets the selection: an ISP ON while a chip is
    // still selected keeps that slot unless the ID names an earlier one.
    for (int slot = 0; slot < kMcuSlots; ++slot) {
      if (s_.mcus[slot].inUse == 1 && s_.mcus[slot].id == id) {
        s_.selectedMcu = static_cast<uint16_t>(slot);
        break;
      }
    }
    if (s_.selectedMcu != kNoMcu) break;
  }

  if (s_.selectedMcu == kNoMcu) {
    isp_.RecoverBus();
    win_.ErrorBox("Can't enter ISP mode!");
    win_.AddLog("Can't enter ISP mode.");
    win_.SetStatus(0, "ISP OFF");
    s_.resultCode = kResultNoLink;
  } else {
    win_.AddLog("ISP ON");
    win_.SetStatus(0, "ISP ON");
    isp_.SendSetup(0xF0, 0x1C, 0x48);
    win_.SetEnabled(Control::ProgramButton, true);
    win_.SetEnabled(Control::EraseButton, true);
    win_.SetEnabled(Control::ISPOFFButton, true);
    win_.SetEnabled(Control::ISPLinkButton, false);
    win_.SetEnabled(Control::IspOn1, false);
    win_.SetEnabled(Control::IspOff1, true);
    win_.SetEnabled(Control::Erase1, true);
    win_.SetEnabled(Control::Program1, true);
  }
  isp_.PortAccess(false);
}

void MainCommands::ISPOFFButtonClick() {
  isp_.PortAccess(true);
  isp_.SetIspMode(0);
  win_.SetEnabled(Control::ISPOFFButton, false);
  win_.SetEnabled(Control::ProgramButton, false);
  win_.SetEnabled(Control::EraseButton, false);
  win_.SetEnabled(Control::ISPLinkButton, true);
  win_.AddLog("ISP OFF.");
  win_.SetStatus(0, "ISP OFF");
  win_.SetEnabled(Control::IspOn1, true);
  win_.SetEnabled(Control::IspOff1, false);
  win_.SetEnabled(Control::Erase1, false);
  win_.SetEnabled(Control::Program1, false);
  s_.selectedMcu = kNoMcu;
  isp_.PortAccess(false);
}

void MainCommands::EraseButtonClick() {
  s_.resultCode = kResultOk;
  isp_.PortAccess(true);
  isp_.ChipErase();
  if (!isp_.WaitReady()) {
    win_.AddLog("Chip erase fail!!!");
    s_.resultCode = kResultEraseFail;
  } else if (!isp_.CheckEraseReply()) {
    isp_.RecoverBus();
    win_.ErrorBox("Chip erase fail!");
    win_.AddLog("Chip erase fail!!!");
    s_.resultCode = kResultEraseFail;
  } else {
    clock_.SleepMs(kEraseSettleMs);
  }
  if (s_.resultCode == kResultOk) win_.AddLog("Chip erase OK.");
  isp_.PortAccess(false);
}

}  // namespace tq
