// The window's start-up without the window, the port note, and the list of
// supported MCU types.
#include <gtest/gtest.h>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

const std::string kHyphens(55, '-');

class StartupTest : public FlowsTest {};

TEST_F(StartupTest, CurrentFileLogsThreeLinesAndHandsTheBusItsSettings) {
  WriteIni(dir, DefaultMcuRows(), 37);
  Build();
  session.resultCode = kResultEraseFail;
  session.selectedMcu = 3;
  session.buffer.pageCount = 12;
  session.buffer.loadedBytes = 99;
  session.openDialog.filterIndex = 3;
  bus->PinMap = 2;

  cmd->Startup("");

  EXPECT_EQ(win.events, (std::vector<std::string>{"log:Kelvane Tarnquill V2.3",
                                                  "log:Information file (tarnquil.ini)  V1.3",
                                                  "log:" + kHyphens}));
  EXPECT_EQ(ProductLine(), "Kelvane Tarnquill V2.3");
  EXPECT_EQ(session.resultCode, kResultOk);
  EXPECT_EQ(session.selectedMcu, kNoMcu);
  EXPECT_EQ(session.buffer.pageCount, 0);
  EXPECT_EQ(session.buffer.loadedBytes, 0);
  EXPECT_EQ(session.buffer.fileKind, 3);
  EXPECT_EQ(session.IicSpeed, 37);
  EXPECT_EQ(bus->DelayCount, 37);
  EXPECT_EQ(bus->PinMap, 0);
  EXPECT_EQ(session.openDialog.initialDir, dir.string());
  EXPECT_EQ(session.saveDialog.initialDir, dir.string());
  EXPECT_EQ(session.mcus[11].name, "KV330-128K");
  EXPECT_EQ(session.mcus[12].inUse, 0u);
}

TEST_F(StartupTest, PortNoteFollowsTheThreeLines) {
  Build();
  cmd->Startup("Port not available: /dev/parport0: No such device");
  ASSERT_EQ(win.log.size(), 4u);
  EXPECT_EQ(win.log[2], kHyphens);
  EXPECT_EQ(win.log[3], "Port not available: /dev/parport0: No such device");
}

struct SpeedCase {
  std::string name;
  std::string ini;  // empty: no file at all
  bool detection;
  int32_t speed;  // IicSpeed handed to the bus
};

// Only a repair that had to write the default speed opens the speed dialog
// with its detection; the detection's result is what the bus gets.
TEST_F(StartupTest, DetectionRunsOnlyAfterTheDefaultSpeedWasWritten) {
  const SpeedCase cases[] = {
      {"no file", "", true, 77},
      {"old version keeps speed", "[INFORMATION]\nINI_VER=V1.2\nIIC_SPEED=300\n", false, 300},
      {"lower-case version", "[INFORMATION]\nINI_VER=v1.3\n", true, 77},
      {"current", "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=5\n", false, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / ConfigFile::kFileName);
    if (!c.ini.empty()) WriteBytes(dir / ConfigFile::kFileName, c.ini);
    Build("", false);
    win = RecordingWindow{};
    win.onSpeedDialog = [this](bool) { session.IicSpeed = 77; };
    cmd->Startup("");
    EXPECT_EQ(win.Only("speeddialog"),
              c.detection ? std::vector<std::string>{"1"} : std::vector<std::string>{});
    EXPECT_EQ(bus->DelayCount, c.speed);
    EXPECT_EQ(win.log.at(1), "Information file (tarnquil.ini)  V1.3");
  }
}

TEST_F(StartupTest, UnwritableConfigurationEndsTheStartUp) {
  Build();
  ConfigFile nowhere((dir / "no" / "such" / "folder").string());
  MainCommands c(session, win, *isp, nowhere, clock);
  try {
    c.Startup("");
    FAIL() << "no error raised";
  } catch (const ConfigWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + nowhere.Path());
  }
  EXPECT_TRUE(win.log.empty());
}

class FakePort : public PortIo {
 public:
  FakePort(std::string describe, std::string problem, bool simulated)
      : describe_(std::move(describe)), problem_(std::move(problem)), simulated_(simulated) {}
  void PortWrite(uint16_t, uint8_t) override {}
  uint8_t PortRead(uint16_t) override { return 0; }
  int PortAccessRequired() override { return 0; }
  void SetPortMode(int) override {}
  void OpenPortRange(uint16_t, uint16_t) override {}
  void ClosePortRange(uint16_t, uint16_t) override {}
  std::string Describe() const override { return describe_; }
  std::string Problem() const override { return problem_; }
  bool IsSimulated() const override { return simulated_; }

 private:
  std::string describe_, problem_;
  bool simulated_;
};

TEST_F(StartupTest, PortNoteSaysWhatThePortIs) {
  struct Case {
    FakePort port;
    std::string note;
  } cases[] = {
      {{"/dev/parport0", "", false}, ""},
      {{"sim chip 0x3B2E", "", true},
       "SIMULATED TARGET: sim chip 0x3B2E - no real chip is programmed"},
      {{"/dev/parport0", "/dev/parport0: Permission denied (add yourself to group lp)", false},
       "Port not available: /dev/parport0: Permission denied (add yourself to group lp)"},
  };
  for (const auto& c : cases) EXPECT_EQ(PortNote(c.port), c.note);

  Build();
  EXPECT_EQ(PortNote(*port).rfind("SIMULATED TARGET: ", 0), 0u);
  EXPECT_TRUE(PortNote(*port).ends_with(" - no real chip is programmed"));
}

TEST_F(StartupTest, SupportMcuTypeListsTheTableAsReadAtStart) {
  auto rows = DefaultMcuRows();
  rows.erase(rows.begin() + 2, rows.end());
  rows.push_back({4, "FOURTH", 0x1234, 64});
  WriteIni(dir, rows);
  StartUp();
  // Edits after start show only at the next start.
  WriteIni(dir, DefaultMcuRows());
  cmd->SupportMCUtype1Click();
  EXPECT_EQ(win.log, (std::vector<std::string>{"-- Support MCU Type --", "   KV200/KV210",
                                               "   KV200G", "   FOURTH", "-- End --"}));
}

}  // namespace
}  // namespace tq::test
