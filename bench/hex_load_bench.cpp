// Loading a full 128 KB Intel HEX file (8192 data records), the file Auto
// reads again before every programming run. Target: under 5 ms.
// TQ_BENCH_HEX names where the file is written (scripts/bench-hex.sh times
// objcopy on the same file); without it a temporary file is used.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "image/ImageFiles.h"

namespace {

class QuietWindow : public tq::WindowServices {
 public:
  void AddLog(const std::string&) override {}
  void SetStatus(int, const std::string&) override {}
  void SetEnabled(tq::Control, bool) override {}
  void SetGaugeMax(int) override {}
  void SetGaugeProgress(int) override {}
  void SetGaugeColor(tq::Rgb) override {}
  void RepaintGauge() override {}
  void ErrorBox(const std::string&) override {}
  void InfoBox(const std::string&) override {}
  tq::Answer ConfirmBox(const std::string&) override { return tq::Answer::No; }
  std::optional<tq::FileChoice> OpenFileDialog(tq::FileDialogState&) override { return {}; }
  std::optional<tq::FileChoice> SaveFileDialog(tq::FileDialogState&) override { return {}; }
  std::optional<int> ChooseMcuModel(const std::vector<std::string>&) override { return {}; }
  void ShowSpeedDialog(bool) override {}
  void ShowChecksumDialog() override {}
  void ShowBufferViewer() override {}
};

std::unique_ptr<tq::CodeBuffer> FullImage() {
  auto b = std::make_unique<tq::CodeBuffer>();
  uint32_t x = 0x12345678;
  for (auto& byte : b->bytes) {  // xorshift: no runs for the reader to profit from
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<uint8_t>(x);
  }
  b->pageCount = tq::kPageCountMax;
  return b;
}

const std::string& HexFile() {
  static const std::string path = [] {
    const char* wanted = std::getenv("TQ_BENCH_HEX");
    std::string p = wanted && *wanted ? wanted
                                      : (std::filesystem::temp_directory_path() /
                                         ("tq-bench-" + std::to_string(getpid()) + ".hex"))
                                            .string();
    QuietWindow win;
    uint8_t rc = 0;
    tq::WriteIntelHex(*FullImage(), p, tq::kPageCountMax, win, rc);
    if (rc != 0) {
      std::fprintf(stderr, "cannot write %s\n", p.c_str());
      std::exit(1);
    }
    if (!(wanted && *wanted)) std::atexit([] { std::remove(HexFile().c_str()); });
    return p;
  }();
  return path;
}

void BM_LoadIntelHex128K(benchmark::State& state) {
  auto buffer = std::make_unique<tq::CodeBuffer>();
  buffer->fileName = HexFile();
  const auto fileSize = std::filesystem::file_size(HexFile());
  QuietWindow win;
  uint8_t rc = 0;
  for (auto _ : state) {
    tq::LoadIntelHex(*buffer, win, rc);
    benchmark::DoNotOptimize(buffer->checksum);
  }
  if (rc != 0 || buffer->pageCount != tq::kPageCountMax) state.SkipWithError("load failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileSize));
  state.SetItemsProcessed(state.iterations() * 8192);  // data records
}
BENCHMARK(BM_LoadIntelHex128K)->Unit(benchmark::kMillisecond);

void BM_WriteIntelHex128K(benchmark::State& state) {
  const auto image = FullImage();
  const std::string path = HexFile() + ".out";
  QuietWindow win;
  uint8_t rc = 0;
  for (auto _ : state) tq::WriteIntelHex(*image, path, tq::kPageCountMax, win, rc);
  std::remove(path.c_str());
  if (rc != 0) state.SkipWithError("write failed");
}
BENCHMARK(BM_WriteIntelHex128K)->Unit(benchmark::kMillisecond);

}  // namespace
