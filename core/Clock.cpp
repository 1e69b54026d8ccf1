#include "core/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace tq {

void SystemClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t SystemClock::NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

int64_t SystemClock::MonotonicUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
std::string FormatNow(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  size_t n = std::strftime(text, sizeof text, format, &local);
  return std::string(text, n);
}
}  // namespace

std::string SystemClock::LongTimeText() { return FormatNow("%X"); }
std::string SystemClock::ShortDateText() { return FormatNow("%x"); }

}  // namespace tq
