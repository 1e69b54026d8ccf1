// Raw binary images: the file's bytes are the flash from address 0.
#include <cstdio>
#include <memory>
#include <string>

#include "image/ImageFiles.h"

namespace tq {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

void LoadBinary(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode) {
  resultCode = 0;
  buffer.FillBlank();
  const std::string name = buffer.fileName.value_or("");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) {
    resultCode = 1;
    return;
  }
  // Read one byte past the buffer to learn whether the file fits, rather than
  // trusting a size taken before the read.
  const size_t size = std::fread(buffer.bytes.data(), 1, buffer.bytes.size(), file.get());
  bool readError = std::ferror(file.get()) != 0;
  const bool tooLong = !readError && size == buffer.bytes.size() && std::fgetc(file.get()) != EOF;
  readError = readError || std::ferror(file.get()) != 0;
  file.reset();

  if (readError) {
    // A directory or a failing disk: the same as a file that does not open.
    buffer.FillBlank();
    resultCode = 1;
    return;
  }
  if (tooLong) {
    // Cutting the image at 128 KB would program a truncated firmware.
    buffer.FillBlank();
    win.AddLog("Binary file larger than 128KBytes, file not loaded!!!");
    resultCode = 1;
    return;
  }
  buffer.checksum = buffer.SumBytes(size);
  buffer.pageCount = static_cast<int32_t>((size + kPageSize - 1) / kPageSize);
  ShowFileLabel(buffer, win);
  win.SetStatus(2, std::to_string(size / 1024) + "KBytes");
}

}  // namespace tq
