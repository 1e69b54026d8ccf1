// The one-button production run: reload, ISP ON, Erase, Program, ISP OFF.
#include "flows/MainCommands.h"
#include "image/ImageFiles.h"

namespace tq {

namespace {
constexpr int kAfterIspOnMs = 100;
constexpr int kBeforeIspOffMs = 200;
}  // namespace

void MainCommands::ReloadByKind() {
  CodeBuffer& buf = s_.buffer;
  switch (buf.fileKind) {
    case 1:
      LoadIntelHex(buf, win_, s_.resultCode);
      break;
    case 2:
      // A refused set (name too long, merged file cut short) must not fall
      // through to reading the one bank file that was picked.
      if (CombineBankSet(buf, win_, s_.resultCode)) LoadIntelHex(buf, win_, s_.resultCode);
      break;
    default:
      LoadBinary(buf, win_, s_.resultCode);
      break;
  }
}

void MainCommands::AutoButtonClick() {
  const int64_t start = clock_.NowSeconds();
  win_.AddLog("------------ Auto -------------");

  // Read from disk at every run, so what gets programmed is the file as it
  // is now, not as it was at the load.
  ReloadByKind();
  if (s_.resultCode == kResultOk) {
    const std::string name = s_.buffer.fileName.value_or("");
    win_.AddLog("ReLoad File @(" + clock_.LongTimeText() + ") - " + name + FileTimeStamp(name));
  }
  if (s_.resultCode == kResultOk) ISPLinkButtonClick();
  clock_.SleepMs(kAfterIspOnMs);
  if (s_.resultCode == kResultOk) EraseButtonClick();
  if (s_.resultCode == kResultOk) ProgramButtonClick();
  clock_.SleepMs(kBeforeIspOffMs);
  // The target is always released, whatever failed before.
  ISPOFFButtonClick();

  if (s_.resultCode == kResultOk) {
    win_.AddLog("Used time : " + std::to_string(clock_.NowSeconds() - start) + "seconds");
    win_.AddLog("------------ End --------------");
  }
}

}  // namespace tq
