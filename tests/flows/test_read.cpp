// Get CheckSum: the whole flash back into the code buffer and its sums.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

class ReadTest : public FlowsTest {
 protected:
  int SelectFrames() { return CountFrames("6E 02 4B"); }
};

struct SumCase {
  std::string name;
  std::string sim;
  std::vector<IniMcuRow> rows;
  int pagesRead;
  std::vector<std::string> sums;
};

TEST_F(ReadTest, BlankChipsGiveTheirSumsByChipId) {
  auto bigRow = DefaultMcuRows();
  bigRow[3].pages = 300;  // KV230 claiming more than any page number reaches
  const SumCase cases[] = {
      {"dual-size ID",
       "id=0x3B5C,pages=120",
       DefaultMcuRows(),
       128,
       {"Check Sum (60k):1000", "Check Sum (64k):0000"}},
      {"120 pages, other ID", "id=0x55AA,pages=120", DefaultMcuRows(), 120, {"Check Sum:1000"}},
      {"64 KB", "id=0x3B2E,pages=128", DefaultMcuRows(), 128, {"Check Sum:0000"}},
      {"row of 300 pages reads 256", "id=0x3B2E,pages=256", bigRow, 256, {"Check Sum:0000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / ConfigFile::kFileName);
    WriteIni(dir, c.rows);
    Build(c.sim);
    StartUp();
    session.buffer.pageCount = 7;

    cmd->SpeedButton2Click();

    std::vector<std::string> log{"ISP ON", "ISP OFF."};
    log.insert(log.end(), c.sums.begin(), c.sums.end());
    EXPECT_EQ(win.log, log);
    EXPECT_EQ(SelectFrames(), c.pagesRead);
    EXPECT_EQ(win.Only("gaugemax"), std::vector<std::string>{std::to_string(c.pagesRead)});
    EXPECT_EQ(win.Only("gauge").back(), std::to_string(c.pagesRead));
    EXPECT_EQ(session.buffer.pageCount, 0);
    EXPECT_EQ(win.status[1], "CheckSum");
    EXPECT_EQ(win.status[2], "Empty");
    EXPECT_EQ(session.resultCode, kResultOk);
    EXPECT_EQ(session.selectedMcu, kNoMcu);
    EXPECT_EQ(win.events.front(), "disable:AutoButton");
    EXPECT_EQ(win.events.back(), "disable:SpeedButton1");
  }
}

TEST_F(ReadTest, ReadsTheFlashIntoTheBufferWithBothSums) {
  Build("id=0x3B5C,pages=128");
  StartUp();
  const auto bytes = PatternBytes(128, 11);
  port->Target().LoadFlash(bytes);

  cmd->SpeedButton2Click();

  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), session.buffer.bytes.begin()));
  uint16_t sum60 = 0, sum64 = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    sum64 = static_cast<uint16_t>(sum64 + bytes[i]);
    if (i < 120 * kPageSize) sum60 = static_cast<uint16_t>(sum60 + bytes[i]);
  }
  EXPECT_EQ(win.log.at(2), "Check Sum (60k):" + Hex4(sum60));
  EXPECT_EQ(win.log.at(3), "Check Sum (64k):" + Hex4(sum64));
  EXPECT_EQ(session.buffer.checksum, sum64);
}

TEST_F(ReadTest, FailureOnPageFiveKeepsPagesZeroToFour) {
  StartUp();
  auto bytes = PatternBytes(128, 21);
  constexpr uint8_t kMarker = 0xA5;  // first byte of page 5 only
  bytes[5 * kPageSize] = kMarker;
  port->Target().LoadFlash(bytes);
  // Once the target has taken the selection of page 5, the master never
  // sees the clock pulled low: no busy handshake for that page.
  tap->onRead = [this](uint16_t p, uint8_t v) -> uint8_t {
    const auto& reply = port->Target().Reply();
    const bool page5 = reply.size() > 2 && reply[2] == kMarker;
    return p == kStatusPort && page5 ? static_cast<uint8_t>(v | kSclStatusBit) : v;
  };

  cmd->SpeedButton2Click();

  EXPECT_EQ(session.resultCode, kResultReadFail);
  EXPECT_EQ(session.buffer.pageCount, 0);
  EXPECT_TRUE(
      std::equal(bytes.begin(), bytes.begin() + 5 * kPageSize, session.buffer.bytes.begin()));
  EXPECT_EQ(SelectFrames(), 6);  // no retry
  EXPECT_EQ(win.log, (std::vector<std::string>{"ISP ON", "Reading fail!!!", "ISP OFF."}));
  // The failure's own order: line, panel, box.
  const auto& ev = win.events;
  auto line = std::find(ev.begin(), ev.end(), "log:Reading fail!!!");
  ASSERT_NE(line, ev.end());
  EXPECT_EQ(*(line + 1), "status2:Empty");
  EXPECT_EQ(*(line + 2), "error:Read process fail!");
  EXPECT_EQ(win.Only("gauge").back(), "5");
  EXPECT_EQ(session.selectedMcu, kNoMcu);
  EXPECT_EQ(Frames().back(), "3C");
}

TEST_F(ReadTest, FailedIspOnReadsNothingButStillSwitchesOff) {
  Build("fault=absent");
  StartUp();
  session.buffer.pageCount = 9;
  cmd->SpeedButton2Click();
  EXPECT_EQ(win.log, (std::vector<std::string>{"Can't enter ISP mode.", "ISP OFF."}));
  EXPECT_EQ(session.resultCode, kResultNoLink);
  EXPECT_EQ(session.buffer.pageCount, 9);  // nothing read, nothing emptied
  EXPECT_EQ(SelectFrames(), 0);
  EXPECT_EQ(Frames().back(), "3C");
  EXPECT_EQ(win.events.back(), "disable:SpeedButton1");
}

TEST_F(ReadTest, WithTheLinkOnItReadsWithoutANewIspOn) {
  StartUp();
  cmd->ISPLinkButtonClick();
  port->Trace().Clear();
  win.Clear();
  cmd->SpeedButton2Click();
  EXPECT_EQ(CountFrames("6F 00 3B"), 0);  // no chip-ID read
  EXPECT_EQ(win.log, (std::vector<std::string>{"ISP OFF.", "Check Sum:0000"}));
}

}  // namespace
}  // namespace tq::test
