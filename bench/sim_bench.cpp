// The simulated target's own cost. A port access on it should stay well
// under 1 us, since the speed detection runs hundreds of thousands of clock
// bursts against it; and recording the trace must not dominate a page.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bus/IicBus.h"
#include "core/Clock.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"

namespace {

std::unique_ptr<tq::sim::SimPort> MakePort(benchmark::State& state, tq::Clock& clock) {
  std::string error;
  auto port = tq::sim::MakeSimPort("", clock, error);
  if (!port) state.SkipWithError(error.c_str());
  return port;
}

// 200 register writes per burst, the clock toggling outside any transaction.
void BM_SimClockBurst(benchmark::State& state) {
  tq::VirtualClock clock;
  auto port = MakePort(state, clock);
  if (!port) return;
  tq::TIicBus bus(*port);
  bus.SetDelayCount(0);
  for (auto _ : state) bus.ClockBurst();
  state.counters["s_per_access"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 203, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimClockBurst);

// One page programmed, waited for, checked, selected, read back and
// compared through the ISP layer at delay count 0; argument 1 records the
// trace, 0 does not.
void BM_SimProgramAndReadBackPage(benchmark::State& state) {
  tq::VirtualClock clock;
  auto port = MakePort(state, clock);
  if (!port) return;
  port->Trace().SetRecording(state.range(0) != 0);
  tq::TIicBus bus(*port);
  bus.SetDelayCount(0);
  bus.SelectPinMap(0);
  tq::TIspDevice isp(bus, clock);
  isp.SetIspMode(1);
  std::vector<uint8_t> page(512), back(512);
  uint8_t n = 0;
  for (auto _ : state) {
    for (auto& b : page) b = n;
    isp.ChipErase();
    isp.WaitReady();
    isp.ProgramPage(n, page.data());
    bool ok = isp.WaitReady() && isp.CheckProgramReply();
    isp.SelectReadPage(n);
    ok = isp.WaitReady() && isp.ReadPage(back.data()) && ok && back == page;
    if (!ok) state.SkipWithError("page did not verify");
    n = static_cast<uint8_t>((n + 1) & 0x7F);
    port->Trace().Clear();
  }
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimProgramAndReadBackPage)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
