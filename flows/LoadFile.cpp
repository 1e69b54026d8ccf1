// Load File: the open dialog, the reader its filter names, and the model
// choice that gives the fill checksum.
#include <filesystem>
#include <system_error>

#include "flows/MainCommands.h"
#include "flows/McuSelection.h"
#include "image/ImageFiles.h"

namespace tq {

namespace fs = std::filesystem;

void MainCommands::ChooseModel() {
  const std::vector<McuModel> models = BuildModelList(config_);
  const std::optional<int> item = win_.ChooseMcuModel(McuItemTexts(models));
  // Closing the dialog without a choice changes nothing.
  if (item) RadioGroup1Click(s_, win_, models, *item);
}

void MainCommands::OpenButtonClick() {
  s_.resultCode = kResultOk;
  const std::optional<FileChoice> choice = win_.OpenFileDialog(s_.openDialog);
  if (!choice) return;

  CodeBuffer& buf = s_.buffer;
  s_.openDialog.filterIndex = choice->filterIndex;
  buf.fileKind = static_cast<uint8_t>(choice->filterIndex);
  // The name is made absolute before the working directory moves, so that
  // it still names the file the user picked (and Auto reloads that file).
  std::error_code ec;
  const fs::path file = fs::absolute(choice->path, ec);
  buf.fileName = ec ? choice->path : file.string();
  // A confirmed dialog makes the file's folder the working directory, so
  // later relative paths (the checksum report) land beside the image. A
  // folder that cannot be entered leaves the working directory alone; the
  // reader then reports the file itself.
  const fs::path folder = fs::path(*buf.fileName).parent_path();
  if (!folder.empty()) fs::current_path(folder, ec);

  switch (buf.fileKind) {
    case 1:
      LoadIntelHex(buf, win_, s_.resultCode);
      s_.openDialog.defaultExt = "hex";
      break;
    case 2:
      // A refused set must not fall through to reading the picked bank file.
      if (CombineBankSet(buf, win_, s_.resultCode)) LoadIntelHex(buf, win_, s_.resultCode);
      s_.openDialog.defaultExt = "h01";
      break;
    case 3:
      LoadBinary(buf, win_, s_.resultCode);
      s_.openDialog.defaultExt = "bin";
      break;
    default:
      s_.resultCode = kResultNoLink;
      break;
  }

  if (s_.resultCode != kResultOk) {
    win_.SetEnabled(Control::AutoButton, false);
    win_.AddLog("Open file fail.");
    return;
  }

  win_.SetEnabled(Control::AutoButton, true);
  win_.SetEnabled(Control::Auto1, true);
  const std::string name = buf.fileName.value_or("");
  win_.AddLog("Load File @(" + clock_.LongTimeText() + ") - " + name + FileTimeStamp(name));

  const std::string cwd = fs::current_path(ec).string();
  // Throws ConfigWriteError; the rest of the command is then skipped.
  config_.WriteString("INFORMATION", "PATH", cwd);
  s_.openDialog.initialDir = cwd;
  s_.saveDialog.initialDir = cwd;

  win_.SetEnabled(Control::SpeedButton1, true);
  if (buf.fileKind == 3) {
    win_.AddLog("BinFile CheckSum:" + Hex4(buf.checksum));
  } else {
    win_.AddLog("HexFile CheckSum:" + Hex4(buf.checksum));
    if (buf.pageCount < kPageCountMax) ChooseModel();
  }
}

}  // namespace tq
