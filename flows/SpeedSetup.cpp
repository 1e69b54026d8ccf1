#include "flows/SpeedSetup.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace tq {

namespace {

void WriteSpeed(ConfigFile& config, int32_t count) {
  config.WriteInteger("INFORMATION", "IIC_SPEED", count);
}

}  // namespace

SpeedSetup::SpeedSetup(Session& session, ConfigFile& config, TIspDevice& isp, Clock& clock,
                       SetupView& view)
    : s_(session), config_(config), isp_(isp), clock_(clock), view_(view) {}

int SpeedSetup::ClampPosition(int64_t position) {
  return static_cast<int>(std::clamp<int64_t>(position, kBarMin, kBarMax));
}

void SpeedSetup::Open() {
  // An out-of-range count pulls the bar to its end, and the change handler
  // stores the count the bar then stands for.
  SetPosition(ClampPosition(int64_t{4} * s_.IicSpeed));
  view_.SetLabel2(std::to_string(int64_t{4} * s_.IicSpeed));
}

void SpeedSetup::SetPosition(int position) {
  const int clamped = ClampPosition(position);
  if (clamped == position_) return;
  view_.SetScrollPosition(clamped);
  ScrollBar1Change(clamped);
}

void SpeedSetup::ScrollBar1Change(int position) {
  position_ = ClampPosition(position);
  view_.SetLabel2(std::to_string(position_));
  s_.IicSpeed = PositionToCount(position_);
  WriteSpeed(config_, s_.IicSpeed);
  isp_.SetDelayCount(s_.IicSpeed);
}

void SpeedSetup::Button2Click() {
  isp_.PortAccess(true);
  try {
    view_.RepaintDialog();
    view_.SetMemoText(kDetectingText);
    view_.RepaintMemo();

    // Start the first measurement on a second boundary, so that it gets a
    // whole second.
    const int64_t start = clock_.NowSeconds();
    while (clock_.NowSeconds() == start) {
    }

    uint16_t count = kFirstCount;
    for (;;) {
      view_.SetGauge(count);
      isp_.SetDelayCount(count);
      // The counter stops at its top instead of wrapping: on a fast port
      // a wrapped count would pass for a slow bus and yield a far too fast
      // speed.
      uint16_t bursts = 0;
      const int64_t second = clock_.NowSeconds();
      while (clock_.NowSeconds() == second) {
        isp_.ClockBurst();
        if (bursts != UINT16_MAX) ++bursts;
      }
      if (bursts < kBurstThreshold) break;
      count = static_cast<uint16_t>(count + kCountStep);
      if (count >= kLastCount) {
        count = kLastCount;  // the slowest setting, taken without measuring it
        break;
      }
    }
    view_.SetGauge(kGaugeMax);

    s_.IicSpeed = count;
    view_.SetLabel2(std::to_string(4 * count));
    SetPosition(4 * count);
    WriteSpeed(config_, count);
    view_.SetMemoText(kFinishedText);
  } catch (...) {
    // A failed write ends the detection early; the port is not left open.
    isp_.PortAccess(false);
    throw;
  }
  isp_.PortAccess(false);
}

}  // namespace tq
