// Program and verify: every page of the image that holds data is written,
// read back and compared, with two attempts per page.
#include <algorithm>
#include <array>
#include <cstring>

#include "flows/MainCommands.h"

namespace tq {

namespace {
constexpr int kAttemptsPerPage = 2;

// A table row may claim more pages than the code buffer holds and than a
// one-byte page number can reach; nothing beyond 256 pages exists for us.
int UsablePages(const McuSlot& slot) {
  return std::min<int>(slot.pages, kPageCountMax);
}
}  // namespace

bool MainCommands::ImageTooLarge() const {
  const McuSlot& slot = s_.mcus[s_.selectedMcu];
  const int n = s_.buffer.pageCount;
  if (slot.id == kDualSizeChipId) return s_.chosenPageCount < n || s_.chosenPageCount > 128;
  return UsablePages(slot) < n;
}

void MainCommands::ProgramButtonClick() {
  // The window offers Program only while the link is on. A caller that
  // runs it without a selected chip has no chip size to check against and
  // no identified target to write to: refuse it as a missing link.
  if (s_.selectedMcu >= kMcuSlots) {
    s_.resultCode = kResultNoLink;
    return;
  }
  if (ImageTooLarge()) {
    if (win_.ConfirmBox("Code size over Max size!! Write anyway?") == Answer::No) return;
    win_.AddLog("Code size over Max size!!!");
  }

  isp_.PortAccess(true);
  s_.resultCode = kResultOk;

  CodeBuffer& buf = s_.buffer;
  const int n = std::clamp<int>(buf.pageCount, 0, kPageCountMax);
  int toWrite = 0;
  for (int j = 0; j < n; ++j)
    if (!buf.IsBlankPage(j)) ++toWrite;
  int progress = 0;
  win_.SetGaugeProgress(progress);
  win_.SetGaugeMax(toWrite);

  std::array<uint8_t, kPageSize> page{};
  std::array<uint8_t, kPageSize> readBack{};
  for (int j = 0; j < n; ++j) {
    std::memcpy(page.data(), buf.Page(j), kPageSize);
    if (buf.IsBlankPage(j)) continue;
    const auto pageNo = static_cast<uint8_t>(j);

    for (int attempt = 0; attempt < kAttemptsPerPage; ++attempt) {
      if (s_.byteWrite)
        isp_.ByteWritePage(pageNo, page.data());
      else
        isp_.ProgramPage(pageNo, page.data());

      // The reply is read only after a completed handshake.
      if (!isp_.WaitReady() ||
          !(s_.byteWrite ? isp_.CheckByteWriteReply() : isp_.CheckProgramReply()))
        s_.resultCode = kResultProgramFail;

      if (s_.resultCode == kResultOk && !s_.byteWrite) {
        isp_.SelectReadPage(pageNo);
        if (!isp_.WaitReady() || !isp_.ReadPage(readBack.data()))
          s_.resultCode = kResultReadFail;
        else if (std::memcmp(readBack.data(), buf.Page(j), kPageSize) != 0)
          s_.resultCode = kResultCompareFail;
      }

      if (s_.resultCode == kResultOk) {
        GaugeStep(j, n, progress);
        break;
      }
      if (attempt + 1 < kAttemptsPerPage) s_.resultCode = kResultOk;
    }

    if (s_.resultCode != kResultOk) {
      isp_.RecoverBus();
      switch (s_.resultCode) {
        case kResultProgramFail:
          win_.ErrorBox("Programing Fail!");
          win_.AddLog("Programing Fail!!!");
          break;
        case kResultReadFail:
          win_.ErrorBox("Reading Fail!");
          win_.AddLog("Reading Fail!!!");
          break;
        default:
          win_.AddLog("Compare Fail!!!");
          win_.ErrorBox("Comparing Fail!");
          break;
      }
      ISPOFFButtonClick();
      break;
    }
  }

  if (s_.resultCode == kResultOk) win_.AddLog("Programing Success!!!");
  isp_.PortAccess(false);
}

}  // namespace tq
