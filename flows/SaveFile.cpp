// Save File: the code buffer as Intel HEX (optionally filled with blank
// pages up to a chip size) or as a raw binary image.
#include <filesystem>
#include <string>

#include "flows/MainCommands.h"
#include "image/ImageFiles.h"

namespace tq {

namespace {

// Pages the HEX file covers for save filters 1 to 5; filter 1 is the image
// itself, rounded up to whole pages.
int FillPages(int filter, int32_t pageCount) {
  switch (filter) {
    case 2: return 64;    // "Fill 32k"
    case 3: return 120;   // "Fill 60k"
    case 4: return 128;   // "Fill 64k"
    case 5: return 256;   // "Fill 128k"
    default: return pageCount;
  }
}

}  // namespace

void MainCommands::SaveFile1Click() {
  // The next Load File starts with "IntelHex" again, whatever happens here.
  s_.openDialog.filterIndex = 1;
  const std::optional<FileChoice> choice = win_.SaveFileDialog(s_.saveDialog);
  if (!choice) return;

  // Confirming a file dialog makes the chosen file's folder the working
  // directory, as the desktop's own dialogs do; the report file and the
  // next dialog rely on it. The name is made absolute first so that a
  // relative answer still names the file the user meant.
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::absolute(choice->path, ec);
  const std::filesystem::path path = ec ? std::filesystem::path(choice->path) : file;
  if (path.has_parent_path()) std::filesystem::current_path(path.parent_path(), ec);

  const int filter = choice->filterIndex;
  const int32_t pageCount = s_.buffer.pageCount;
  if (filter >= 6) {
    WriteBinary(s_.buffer, path.string(), pageCount, win_, s_.resultCode);
  } else {
    const int pages = FillPages(filter, pageCount);
    if (pageCount > pages) {
      win_.AddLog("Buffer size > File Size!");
      win_.AddLog("Save File canceled!");
      s_.resultCode = kResultNoLink;
    } else {
      WriteIntelHex(s_.buffer, path.string(), pages, win_, s_.resultCode);
    }
  }

  // The folder is remembered after every confirmed dialog, also when
  // nothing was written. A failed write leaves the dialogs as they were.
  const std::string dir = std::filesystem::current_path(ec).string();
  config_.WriteString("INFORMATION", "PATH", dir);
  s_.openDialog.initialDir = dir;
  s_.saveDialog.initialDir = dir;
}

}  // namespace tq
