// Arbitrary bytes as an Intel HEX file. Besides the sanitizers, every input
// must leave the buffer consistent, and whatever loads must write out and
// read back into the same image.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "image/ImageFiles.h"
#include "tests/support/RecordingWindow.h"

namespace {

std::string TempName(const char* what) {
  // Memory-backed when the machine has it: the file is rewritten per input.
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/hex_fuzz_" + std::to_string(getpid()) + what;
}

const std::string kInput = TempName(".in.hex");
const std::string kOutput = TempName(".out.hex");

void RemoveTemps() {
  std::remove(kInput.c_str());
  std::remove(kOutput.c_str());
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "hex_fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (std::atexit(RemoveTemps), true);
  (void)registered;
  static auto buffer = std::make_unique<tq::CodeBuffer>();
  static auto back = std::make_unique<tq::CodeBuffer>();

  std::FILE* f = std::fopen(kInput.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  tq::test::RecordingWindow win;
  uint8_t rc = 0xEE;
  buffer->fileName = kInput;
  tq::LoadIntelHex(*buffer, win, rc);

  Check(rc == 0 || rc == 1, "result code");
  Check(buffer->pageCount >= 0 && buffer->pageCount <= tq::kPageCountMax, "page count");
  if (rc == 1) {
    Check(buffer->pageCount == 0 && win.status[1] == "File not loaded" && win.log.size() == 1,
          "failure report");
    return 0;
  }
  Check(win.log.empty() && win.status[2] == tq::HexSizeText(buffer->pageCount), "success report");
  static const auto blank = [] {
    auto b = std::make_unique<tq::CodeBuffer>();
    b->FillBlank();
    return b;
  }();
  const size_t used = static_cast<size_t>(buffer->pageCount) * tq::kPageSize;
  Check(std::memcmp(buffer->bytes.data() + used, blank->bytes.data(), tq::kBufferSize - used) == 0,
        "bytes beyond the page count");

  // Keep the round trip cheap enough for a good rate of inputs.
  if (buffer->pageCount > 16) return 0;
  tq::WriteIntelHex(*buffer, kOutput, buffer->pageCount, win, rc);
  Check(rc == 0, "write");
  back->fileName = kOutput;
  tq::LoadIntelHex(*back, win, rc);
  Check(rc == 0 && back->pageCount == buffer->pageCount && back->bytes == buffer->bytes,
        "round trip");
  return 0;
}
