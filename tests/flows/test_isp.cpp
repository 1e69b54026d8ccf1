// ISP ON, ISP OFF and Erase against the simulated target.
#include <gtest/gtest.h>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

const std::string kSetupFrame = "6E 04 78 F0 1C 48 B6";
const std::string kEraseFrame = "6E 07 1E AA 55 CC 33 E2 1D 88";

const std::vector<std::string> kIspOnEvents = {
    "log:ISP ON",          "status0:ISP ON",        "enable:ProgramButton", "enable:EraseButton",
    "enable:ISPOFFButton", "disable:ISPLinkButton", "disable:IspOn1",       "enable:IspOff1",
    "enable:Erase1",       "enable:Program1"};
const std::vector<std::string> kIspOffEvents = {
    "disable:ISPOFFButton", "disable:ProgramButton", "disable:EraseButton", "enable:ISPLinkButton",
    "log:ISP OFF.",         "status0:ISP OFF",       "enable:IspOn1",       "disable:IspOff1",
    "disable:Erase1",       "disable:Program1"};
const std::vector<std::string> kIspOnFailEvents = {"error:Can't enter ISP mode!",
                                                   "log:Can't enter ISP mode.", "status0:ISP OFF"};

struct IspOnCase {
  std::string name;
  std::string sim;
  std::vector<IniMcuRow> rows;
  uint16_t selected;  // kNoMcu: the command fails
  int idReads;
};

std::vector<IniMcuRow> WithRow(IniMcuRow extra) {
  auto rows = DefaultMcuRows();
  rows.push_back(extra);
  return rows;
}

class IspTest : public FlowsTest {};

TEST_F(IspTest, IspOnIdentifiesTheTargetOrGivesUpAfterTwentyAttempts) {
  const IspOnCase cases[] = {
      {"no target", "fault=absent", DefaultMcuRows(), kNoMcu, 20},
      {"unknown ID", "id=0x1234", DefaultMcuRows(), kNoMcu, 20},
      {"0xFFFF row matches a missing target", "fault=absent", WithRow({13, "BLANK", 0xFFFF, 64}),
       12, 1},
      {"dual-size ID takes the 120-page row", "id=0x3B5C,pages=128", DefaultMcuRows(), 1, 1},
      {"shared ID takes the lowest slot", "id=0x3B71,pages=256", DefaultMcuRows(), 4, 1},
      {"default chip", "", DefaultMcuRows(), 3, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / ConfigFile::kFileName);
    WriteIni(dir, c.rows);
    Build(c.sim);
    StartUp();
    const int64_t slept = clock.SleptMs();
    session.resultCode = kResultCompareFail;

    cmd->ISPLinkButtonClick();

    EXPECT_EQ(session.selectedMcu, c.selected);
    EXPECT_EQ(CountFrames("6F"), c.idReads);
    EXPECT_EQ(clock.SleptMs() - slept, 20 * c.idReads);
    // Entering twice per attempt: 04 34 06 36, twice.
    EXPECT_EQ(CountFrames("36"), 2 * c.idReads);
    if (c.selected == kNoMcu) {
      EXPECT_EQ(win.events, kIspOnFailEvents);
      EXPECT_EQ(session.resultCode, kResultNoLink);
      EXPECT_EQ(CountFrames(kSetupFrame), 0);
    } else {
      EXPECT_EQ(win.events, kIspOnEvents);
      EXPECT_EQ(session.resultCode, kResultOk);
      EXPECT_EQ(CountFrames(kSetupFrame), 1);
      // The setup frame follows the last ID read.
      EXPECT_EQ(Frames().back(), kSetupFrame);
    }
    win.Clear();
    session.selectedMcu = kNoMcu;
  }
}

TEST_F(IspTest, IspOnWhileSelectedKeepsTheSlotAfterOneAttempt) {
  StartUp();
  cmd->ISPLinkButtonClick();
  session.selectedMcu = 8;  // KV320-64K, the same ID as the default chip's first row
  port->Trace().Clear();
  cmd->ISPLinkButtonClick();
  EXPECT_EQ(session.selectedMcu, 3);  // the ID names an earlier slot
  session.selectedMcu = 10;           // KV330-64K
  cmd->ISPLinkButtonClick();
  EXPECT_EQ(session.selectedMcu, 3);
  EXPECT_EQ(CountFrames("6F"), 2);
}

TEST_F(IspTest, IspOffLeavesTheModeAndKeepsTheResultCode) {
  StartUp();
  cmd->ISPLinkButtonClick();
  win.Clear();
  port->Trace().Clear();
  session.resultCode = kResultEraseFail;

  cmd->ISPOFFButtonClick();

  EXPECT_EQ(win.events, kIspOffEvents);
  EXPECT_EQ(Frames(), (std::vector<std::string>{"04", "34", "06", "3C"}));
  EXPECT_EQ(session.selectedMcu, kNoMcu);
  EXPECT_EQ(session.resultCode, kResultEraseFail);
  EXPECT_FALSE(port->Target().InIspMode());
}

struct EraseCase {
  std::string name;
  std::string sim;
  std::vector<std::string> events;
  uint8_t result;
  int sleptMs;
};

TEST_F(IspTest, EraseReportsEachOutcome) {
  const EraseCase cases[] = {
      {"erased", "", {"log:Chip erase OK."}, kResultOk, 150},
      {"no busy handshake", "fault=no-busy", {"log:Chip erase fail!!!"}, kResultEraseFail, 0},
      {"wrong reply",
       "fault=erase-reply",
       {"error:Chip erase fail!", "log:Chip erase fail!!!"},
       kResultEraseFail,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Build(c.sim);
    StartUp();
    cmd->ISPLinkButtonClick();
    std::vector<uint8_t> dirty(kPageSize, 0x00);
    port->Target().LoadFlash(dirty);
    win.Clear();
    port->Trace().Clear();
    const int64_t slept = clock.SleptMs();

    cmd->EraseButtonClick();

    EXPECT_EQ(win.events, c.events);
    EXPECT_EQ(session.resultCode, c.result);
    EXPECT_EQ(clock.SleptMs() - slept, c.sleptMs);
    ASSERT_FALSE(Frames().empty());
    EXPECT_EQ(Frames().front(), kEraseFrame);
    EXPECT_EQ(CountFrames(kEraseFrame), 1);  // no retry
    if (c.result == kResultOk) {
      EXPECT_EQ(Flash()[0], 0xFF);
    }
  }
}

}  // namespace
}  // namespace tq::test
