// The speed dialog's logic: the manual setting and the detection, the
// latter in virtual time.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bus/IicBus.h"
#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "flows/Session.h"
#include "flows/SpeedSetup.h"
#include "isp/IspDevice.h"
#include "tests/support/FileSizeLimit.h"

namespace tq {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;

// A port that needs access granted and remembers only the grants and
// releases; the bursts' register writes go nowhere.
class AccessPort : public PortIo {
 public:
  std::vector<std::string> access;
  void PortWrite(uint16_t, uint8_t) override {}
  uint8_t PortRead(uint16_t) override { return 0xFF; }
  int PortAccessRequired() override { return 1; }
  void SetPortMode(int mode) override { access.push_back("mode" + std::to_string(mode)); }
  void OpenPortRange(uint16_t, uint16_t) override { access.push_back("open"); }
  void ClosePortRange(uint16_t, uint16_t) override { access.push_back("close"); }
  std::string Describe() const override { return "test port"; }
};

class RecordingSetupView : public SetupView {
 public:
  std::vector<std::string> events;
  std::string label2 = SpeedSetup::kLabel2DesignText;
  int bar = SpeedSetup::kBarDesignPosition;
  std::string memo = SpeedSetup::kMemoInitialText;

  void SetLabel2(const std::string& text) override {
    label2 = text;
    events.push_back("label:" + text);
  }
  void SetScrollPosition(int position) override {
    bar = position;
    events.push_back("bar:" + std::to_string(position));
  }
  void SetMemoText(const std::string& text) override {
    memo = text;
    events.push_back("memo:" + text);
  }
  void RepaintMemo() override { events.push_back("repaintmemo"); }
  void RepaintDialog() override { events.push_back("repaintdialog"); }
  void SetGauge(int value) override { events.push_back("gauge:" + std::to_string(value)); }

  std::vector<std::string> Only(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.rfind(kind + ":", 0) == 0) out.push_back(e.substr(kind.size() + 1));
    return out;
  }
};

// Lets the detection run bursts(count) bursts in each second: the clock
// stands still while the bursts of one second run, then jumps to the next
// second. While they run, the bus's delay loop is emptied (a real loop at
// count 1225 would cost seconds of processor time per virtual second) and
// the count is given back when the second ends.
struct BurstsPerSecond {
  BurstsPerSecond(TIicBus& b, std::function<int(int)> perSecond)
      : bus(b), bursts(std::move(perSecond)) {}
  TIicBus& bus;
  std::function<int(int count)> bursts;
  std::vector<int> counts;  // the count in force in each second, in order
  int reads = 0;
  int count = 0;

  void OnRead(VirtualClock& clock) {
    if (++reads == 1) {  // the read that notes the second
      count = bus.DelayCount;
      counts.push_back(count);
      bus.DelayCount = 0;
      return;
    }
    if (reads == bursts(count) + 2) {  // the read after the last burst
      clock.AdvanceUs(1'000'000 - clock.NowUs() % 1'000'000);
      bus.DelayCount = count;
      reads = 0;
    }
  }
};

class SpeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tq-speed-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // tarnquil.ini with this IIC_SPEED and room to spare, then the dialog
  // opened from it.
  void OpenWith(int32_t iicSpeed) {
    std::ofstream(dir / ConfigFile::kFileName)
        << "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=" << iicSpeed << "\nPATH=" << dir.string()
        << "\nCOMPANY=Kelvane test bench, line 4\n";
    session.IicSpeed = iicSpeed;
    bus.DelayCount = kUntouched;
    setup.Open();
  }
  std::string IniText() const {
    std::ifstream in(dir / ConfigFile::kFileName);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  int32_t StoredSpeed() const { return ReadIicSpeed(config); }

  static constexpr int32_t kUntouched = -7;
  fs::path dir;
  AccessPort port;
  TIicBus bus{port};
  VirtualClock clock;
  TIspDevice isp{bus, clock};
  ConfigFile config{fs::temp_directory_path().string()};  // replaced in each test
  Session session;
  RecordingSetupView view;
  SpeedSetup setup{session, config, isp, clock, view};
};

TEST_F(SpeedTest, OpeningPutsTheCountOnTheBar) {
  struct Case {
    int32_t iicSpeed;
    std::vector<std::string> events;
    int32_t stored;  // the file's IIC_SPEED afterwards
    int32_t count;   // IicSpeed and the bus's count afterwards
  };
  const Case cases[] = {
      // the design position: nothing runs, nothing is written
      {50, {"label:200"}, 50, kUntouched},
      {150, {"bar:600", "label:600", "label:600"}, 150, 150},
      // an absent key reads as 0: the bar stops at 80
      {0, {"bar:80", "label:80", "label:80"}, 20, 20},
      {-3, {"bar:80", "label:80", "label:80"}, 20, 20},
      {1250, {"bar:5000", "label:5000", "label:5000"}, 1250, 1250},
      {4000, {"bar:5000", "label:5000", "label:5000"}, 1250, 1250},
      {0x7FFFFFFF, {"bar:5000", "label:5000", "label:5000"}, 1250, 1250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iicSpeed);
    config = ConfigFile(dir.string());
    view = RecordingSetupView();
    SpeedSetup fresh(session, config, isp, clock, view);
    std::ofstream(dir / ConfigFile::kFileName) << "[INFORMATION]\nIIC_SPEED=" << c.iicSpeed << "\n";
    const std::string before = IniText();
    session.IicSpeed = c.iicSpeed;
    bus.DelayCount = kUntouched;
    fresh.Open();
    EXPECT_EQ(view.events, c.events);
    EXPECT_EQ(StoredSpeed(), c.stored);
    if (c.count == kUntouched) {
      EXPECT_EQ(IniText(), before);
      EXPECT_EQ(session.IicSpeed, c.iicSpeed);
    } else {
      EXPECT_EQ(session.IicSpeed, c.count);
    }
    EXPECT_EQ(bus.DelayCount, c.count);
    EXPECT_EQ(fresh.Position(), view.bar);
  }
}

TEST_F(SpeedTest, MovingTheBarStoresAQuarterOfThePosition) {
  config = ConfigFile(dir.string());
  OpenWith(150);
  ASSERT_EQ(setup.Position(), 600);
  view.events.clear();
  setup.ScrollBar1Change(600 + SpeedSetup::kBarSmallChange);
  EXPECT_EQ(view.events, std::vector<std::string>{"label:650"});
  EXPECT_EQ(session.IicSpeed, 162);
  EXPECT_EQ(StoredSpeed(), 162);
  EXPECT_EQ(bus.DelayCount, 162);
  EXPECT_EQ(setup.Position(), 650);

  // The program setting the bar to where it stands changes nothing.
  view.events.clear();
  bus.DelayCount = kUntouched;
  setup.SetPosition(650);
  EXPECT_TRUE(view.events.empty());
  EXPECT_EQ(bus.DelayCount, kUntouched);
}

TEST_F(SpeedTest, AFailedManualWriteKeepsTheFileAndTheBusCount) {
  config = ConfigFile(dir.string());
  OpenWith(150);
  const std::string before = IniText();
  try {
    FileSizeLimit full(16);
    setup.ScrollBar1Change(650);
    ADD_FAILURE() << "no error";
  } catch (const ConfigWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + config.Path());
  }
  EXPECT_EQ(session.IicSpeed, 162);
  EXPECT_EQ(view.label2, "650");
  EXPECT_EQ(bus.DelayCount, 150);
  EXPECT_EQ(IniText(), before);
}

struct DetectCase {
  const char* name;
  std::function<int(int count)> bursts;
  int result;
};
void PrintTo(const DetectCase& c, std::ostream* out) { *out << c.name; }

class SpeedDetect : public SpeedTest, public ::testing::WithParamInterface<DetectCase> {};

TEST_P(SpeedDetect, FindsTheFirstCountBelowTheThreshold) {
  const DetectCase& c = GetParam();
  config = ConfigFile(dir.string());
  OpenWith(150);
  view.events.clear();
  port.access.clear();
  BurstsPerSecond timing{bus, c.bursts};
  clock.SetOnRead([&timing](VirtualClock& clk) { timing.OnRead(clk); });
  const int64_t startUs = clock.NowUs();

  setup.Button2Click();

  // The counts measured, after the second of alignment at the old count.
  std::vector<int> counts = {150};
  std::vector<std::string> gauge;
  for (int count = 25; count <= std::min(c.result, 1225); count += 25) {
    counts.push_back(count);
    gauge.push_back(std::to_string(count));
  }
  gauge.push_back("1250");
  EXPECT_EQ(timing.counts, counts);
  EXPECT_EQ(view.Only("gauge"), gauge);
  // One whole second per measurement, and one to find a second boundary.
  EXPECT_EQ(clock.NowUs() - startUs, int64_t{1'000'000} * static_cast<int64_t>(counts.size()));

  EXPECT_EQ(session.IicSpeed, c.result);
  EXPECT_EQ(StoredSpeed(), c.result);
  EXPECT_EQ(bus.DelayCount, c.result);
  EXPECT_EQ(view.label2, std::to_string(4 * c.result));
  EXPECT_EQ(view.bar, 4 * c.result);
  EXPECT_EQ(setup.Position(), 4 * c.result);
  EXPECT_EQ(view.Only("memo"), (std::vector<std::string>{"Detecting...", "Finished."}));
  EXPECT_EQ(port.access, (std::vector<std::string>{"mode1", "open", "mode0", "close"}));
  ASSERT_GE(view.events.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(view.events.begin(), view.events.begin() + 3),
            (std::vector<std::string>{"repaintdialog", "memo:Detecting...", "repaintmemo"}));
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, SpeedDetect,
    ::testing::Values(
        DetectCase{"AlreadySlowAt25", [](int) { return 1000; }, 25},
        DetectCase{"NeverSlowEnough", [](int) { return 1700; }, 1250},
        DetectCase{"ThresholdIsStrict", [](int c) { return c == 25 ? 1700 : 1699; }, 50},
        DetectCase{"SlowFrom600", [](int c) { return c < 600 ? 1800 : 12; }, 600},
        // 65636 bursts would wrap a 16-bit counter to 100 and pass for a
        // slow bus; the counter stops at 65535 instead.
        DetectCase{"CounterDoesNotWrap", [](int c) { return c == 25 ? 65536 + 100 : 1000; }, 50}),
    [](const ::testing::TestParamInfo<DetectCase>& info) { return std::string(info.param.name); });

TEST_F(SpeedTest, AFailedWriteEndsTheDetectionAndReleasesThePort) {
  struct Case {
    int32_t opened;  // 150: the bar moves to the result; 25: it stays
    std::vector<std::string> lastEvents;
  };
  const Case cases[] = {
      {150, {"gauge:1250", "label:100", "bar:100", "label:100"}},
      {25, {"gauge:1250", "label:100"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opened);
    config = ConfigFile(dir.string());
    OpenWith(c.opened);
    const std::string before = IniText();
    view.events.clear();
    port.access.clear();
    BurstsPerSecond timing{bus, [](int) { return 10; }};
    clock.SetOnRead([&timing](VirtualClock& clk) { timing.OnRead(clk); });
    {
      FileSizeLimit full(16);
      EXPECT_THROW(setup.Button2Click(), ConfigWriteError);
    }
    clock.SetOnRead(nullptr);
    EXPECT_EQ(session.IicSpeed, 25);
    EXPECT_EQ(view.label2, "100");
    EXPECT_EQ(view.bar, 100);
    EXPECT_EQ(view.memo, "Detecting...");
    EXPECT_EQ(bus.DelayCount, 25);  // the count of the last measurement
    EXPECT_EQ(IniText(), before);
    ASSERT_GE(view.events.size(), c.lastEvents.size());
    EXPECT_EQ(std::vector<std::string>(view.events.end() - static_cast<std::ptrdiff_t>(c.lastEvents.size()),
                                       view.events.end()),
              c.lastEvents);
    EXPECT_EQ(port.access, (std::vector<std::string>{"mode1", "open", "mode0", "close"}));
  }
}

}  // namespace
}  // namespace tq
