// The bus master's own cost per bit, with a port that does nothing and a
// delay count of 0. A real port access costs 1-2 us and a bit takes five of
// them, so this figure must stay far below that (aim: under 20 ns per bit)
// for the bus speed to be bounded by the port and never by our code.
// Also the whole wire at delay count 0: one page programmed and read back
// against the simulated target.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bus/IicBus.h"
#include "core/Clock.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"

namespace {

class NullPort final : public tq::PortIo {
 public:
  void PortWrite(uint16_t, uint8_t value) override { benchmark::DoNotOptimize(value); }
  uint8_t PortRead(uint16_t) override { return 0x88; }  // both lines high
  int PortAccessRequired() override { return 0; }
  void SetPortMode(int) override {}
  void OpenPortRange(uint16_t, uint16_t) override {}
  void ClosePortRange(uint16_t, uint16_t) override {}
  std::string Describe() const override { return "null"; }
};

void SetBitCounter(benchmark::State& state, int64_t bits) {
  state.counters["s_per_bit"] =
      benchmark::Counter(static_cast<double>(bits), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WriteByte(benchmark::State& state) {
  NullPort port;
  tq::TIicBus bus(port);
  bus.SetDelayCount(0);
  uint8_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bus.WriteByte(value++));
  }
  SetBitCounter(state, state.iterations() * 9);
}
BENCHMARK(BM_WriteByte);

void BM_ReadByte(benchmark::State& state) {
  NullPort port;
  tq::TIicBus bus(port);
  bus.SetDelayCount(0);
  uint8_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bus.ReadByte(value, 0));
  }
  SetBitCounter(state, state.iterations() * 9);
}
BENCHMARK(BM_ReadByte);

void BM_ProgramAndReadBackPage(benchmark::State& state) {
  tq::VirtualClock clock;
  std::string error;
  auto port = tq::sim::MakeSimPort("", clock, error);
  if (!port) {
    state.SkipWithError(error.c_str());
    return;
  }
  port->Trace().SetRecording(false);
  tq::TIicBus bus(*port);
  bus.SetDelayCount(0);
  tq::TIspDevice isp(bus, clock);
  std::vector<uint8_t> page(512), back(512);
  for (int n = 0; n < 512; ++n) page[n] = static_cast<uint8_t>(n * 13);
  isp.SetIspMode(1);
  bool ok = true;
  for (auto _ : state) {
    isp.ProgramPage(7, page.data());
    ok &= isp.WaitReady() && isp.CheckProgramReply();
    isp.SelectReadPage(7);
    ok &= isp.WaitReady() && isp.ReadPage(back.data());
    benchmark::DoNotOptimize(back.data());
  }
  if (!ok || back != page) state.SkipWithError("the page did not come back");
  state.SetBytesProcessed(state.iterations() * 512);
}
BENCHMARK(BM_ProgramAndReadBackPage)->Unit(benchmark::kMicrosecond);

}  // namespace
