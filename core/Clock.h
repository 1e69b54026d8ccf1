// Everything that would make a test slow or flaky when it came from the
// operating system: sleeping, the time of day, the locale's time texts.
// Production uses SystemClock; tests use VirtualClock and never wait.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tq {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void SleepMs(int ms) = 0;
  // Calendar time in whole seconds (time(nullptr)).
  virtual int64_t NowSeconds() = 0;
  // A monotonic time in microseconds, for the simulated target's busy times.
  virtual int64_t MonotonicUs() = 0;
  // The local time of day in the user's long time format (strftime %X).
  virtual std::string LongTimeText() = 0;
  // Today's date in the user's short date format (strftime %x).
  virtual std::string ShortDateText() = 0;
};

class SystemClock final : public Clock {
 public:
  void SleepMs(int ms) override;
  int64_t NowSeconds() override;
  int64_t MonotonicUs() override;
  std::string LongTimeText() override;
  std::string ShortDateText() override;
};

// Time moves only when someone sleeps or advances it. A hook may move it on
// each reading, so that code spinning on the time of day (the bus speed
// measurement) still ends.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(int64_t startUs = 1'700'000'000'000'000) : nowUs_(startUs) {}
  void SleepMs(int ms) override {
    sleptMs_ += ms;
    nowUs_ += int64_t{ms} * 1000;
  }
  int64_t NowSeconds() override {
    if (onRead_) onRead_(*this);
    return nowUs_ / 1'000'000;
  }
  int64_t MonotonicUs() override { return nowUs_; }
  std::string LongTimeText() override { return longTime_; }
  std::string ShortDateText() override { return shortDate_; }

  void AdvanceUs(int64_t us) { nowUs_ += us; }
  int64_t NowUs() const { return nowUs_; }
  int64_t SleptMs() const { return sleptMs_; }
  void SetOnRead(std::function<void(VirtualClock&)> hook) { onRead_ = std::move(hook); }
  void SetTexts(std::string longTime, std::string shortDate) {
    longTime_ = std::move(longTime);
    shortDate_ = std::move(shortDate);
  }

 private:
  int64_t nowUs_;
  int64_t sleptMs_ = 0;
  std::function<void(VirtualClock&)> onRead_;
  std::string longTime_ = "12:00:00";
  std::string shortDate_ = "12/11/26";
};

}  // namespace tq
