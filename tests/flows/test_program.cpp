// Program and verify against the simulated target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

class ProgramTest : public FlowsTest {
 protected:
  // The code buffer as a reader would leave it: blank, then the bytes.
  void SetImage(const std::vector<uint8_t>& bytes) {
    session.buffer.FillBlank();
    std::copy(bytes.begin(), bytes.end(), session.buffer.bytes.begin());
    session.buffer.pageCount = static_cast<int32_t>((bytes.size() + kPageSize - 1) / kPageSize);
  }
  // ISP ON, then forget what it logged and sent.
  void IspOn() {
    cmd->ISPLinkButtonClick();
    ASSERT_NE(session.selectedMcu, kNoMcu);
    win.Clear();
    port->Trace().Clear();
  }
  int ProgramFrames(int page) {
    char prefix[16];
    snprintf(prefix, sizeof prefix, "6E 00 3C %02X", page);
    return CountFrames(prefix);
  }
};

struct SizeCase {
  std::string name;
  std::string sim;
  int imagePages;
  int32_t chosen;
  bool asks;
};

// The size question, and what No and Yes do.
TEST_F(ProgramTest, SizeQuestionGuardsAgainstImagesLargerThanTheChip) {
  const SizeCase cases[] = {
      // The chip itself is larger than its 128-page row, so a Yes programs.
      {"row size exactly", "id=0x3B2E,pages=256", 128, 0, false},
      {"one page more", "id=0x3B2E,pages=256", 129, 0, true},
      {"120-page row, 120 pages", "id=0x55AA,pages=120", 120, 0, false},
      {"dual-size ID without a model", "id=0x3B5C,pages=128", 1, 0, true},
      {"dual-size ID, chosen 120", "id=0x3B5C,pages=128", 120, 120, false},
      {"dual-size ID, one page over the choice", "id=0x3B5C,pages=128", 121, 120, true},
      {"dual-size ID, chosen 128", "id=0x3B5C,pages=128", 128, 128, false},
      {"dual-size ID, choice over 128", "id=0x3B5C,pages=128", 1, 129, true},
  };
  for (const auto& c : cases) {
    for (Answer answer : {Answer::No, Answer::Yes}) {
      SCOPED_TRACE(c.name + (answer == Answer::Yes ? " / Yes" : " / No"));
      Build(c.sim);
      StartUp();
      // A cheap image: only the last page holds data.
      std::vector<uint8_t> bytes(static_cast<size_t>(c.imagePages) * kPageSize, 0xFF);
      bytes[bytes.size() - 1] = 0x5A;
      SetImage(bytes);
      session.chosenPageCount = c.chosen;
      IspOn();
      session.resultCode = kResultReadFail;  // left by an earlier command
      win.confirmAnswers.push_back(answer);

      cmd->ProgramButtonClick();

      const bool asked = !win.Only("confirm").empty();
      EXPECT_EQ(asked, c.asks);
      if (c.asks && answer == Answer::No) {
        EXPECT_EQ(win.events,
                  std::vector<std::string>{"confirm:Code size over Max size!! Write anyway?"});
        EXPECT_TRUE(port->Trace().Lines().empty());  // not even the port bracket
        EXPECT_EQ(session.resultCode, kResultReadFail);
        continue;
      }
      std::vector<std::string> log;
      if (c.asks) log.push_back("Code size over Max size!!!");
      log.push_back("Programing Success!!!");
      EXPECT_EQ(win.log, log);
      EXPECT_EQ(session.resultCode, kResultOk);
      EXPECT_EQ(ProgramFrames((c.imagePages - 1) & 0xFF), 1);
    }
  }
}

TEST_F(ProgramTest, WritesOnlyPagesWithDataAndCountsOnlyThose) {
  StartUp();
  auto bytes = PatternBytes(10, 3);
  for (int blank : {1, 4}) std::fill_n(bytes.begin() + blank * kPageSize, kPageSize, 0xFF);
  SetImage(bytes);
  IspOn();

  cmd->ProgramButtonClick();

  EXPECT_EQ(win.log, std::vector<std::string>{"Programing Success!!!"});
  for (int j = 0; j < 10; ++j) EXPECT_EQ(ProgramFrames(j), (j == 1 || j == 4) ? 0 : 1) << j;
  EXPECT_EQ(win.Only("gaugemax"), std::vector<std::string>{"8"});
  EXPECT_EQ(win.Only("gauge").back(), "8");
  // The colour follows the page number, not the count of pages written.
  EXPECT_EQ(win.Only("color"),
            (std::vector<std::string>{"0,0,0", "51,10,10", "76,15,15", "127,25,25", "153,30,30",
                                      "178,35,35", "204,40,40", "229,45,45"}));
  auto flash = Flash();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
  EXPECT_EQ(session.selectedMcu, 3);  // the link stays on
}

TEST_F(ProgramTest, GaugeStepsFollowTheConventions) {
  StartUp();
  SetImage(PatternBytes(10, 9));
  IspOn();
  cmd->ProgramButtonClick();

  std::vector<std::string> gauge;
  for (const auto& e : win.events)
    if (e.rfind("gauge", 0) == 0 || e.rfind("color", 0) == 0 || e == "repaint") gauge.push_back(e);
  ASSERT_EQ(gauge.size(), 2u + 3u * 10u);
  EXPECT_EQ(gauge[0], "gauge:0");
  EXPECT_EQ(gauge[1], "gaugemax:10");
  // After page 3 of 10: p = 30.
  EXPECT_EQ(std::vector<std::string>(gauge.begin() + 11, gauge.begin() + 14),
            (std::vector<std::string>{"color:76,15,15", "gauge:4", "repaint"}));
  EXPECT_EQ(win.gaugeColor, (Rgb{229, 45, 45}));
}

TEST_F(ProgramTest, EmptyOrBlankImageSendsNothingAndSucceeds) {
  for (int pages : {0, 3}) {
    SCOPED_TRACE(pages);
    Build();
    StartUp();
    SetImage(std::vector<uint8_t>(static_cast<size_t>(pages) * kPageSize, 0xFF));
    IspOn();
    cmd->ProgramButtonClick();
    EXPECT_EQ(win.log, std::vector<std::string>{"Programing Success!!!"});
    EXPECT_EQ(CountFrames("6E"), 0);
    EXPECT_EQ(win.Only("gaugemax"), std::vector<std::string>{"0"});
  }
}

TEST_F(ProgramTest, PageThatFailsOnceIsWrittenAgainSilently) {
  for (const std::string fault : {"fault=program-fail:2:1", "fault=corrupt-read:2:1"}) {
    SCOPED_TRACE(fault);
    Build(fault);
    StartUp();
    const auto bytes = PatternBytes(4, 5);
    SetImage(bytes);
    IspOn();
    cmd->ProgramButtonClick();
    EXPECT_EQ(win.log, std::vector<std::string>{"Programing Success!!!"});
    EXPECT_TRUE(win.Only("error").empty());
    EXPECT_EQ(ProgramFrames(2), 2);
    EXPECT_EQ(ProgramFrames(3), 1);
    EXPECT_EQ(win.Only("gauge").back(), "4");
    auto flash = Flash();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
  }
}

struct FailCase {
  std::string fault;
  uint8_t result;
  std::vector<std::string> report;  // the events between the last page and ISP OFF
  bool hideReadBusy = false;        // page 1's read-back selection gets no handshake
};

TEST_F(ProgramTest, PageThatFailsTwiceStopsTheCommandAndSwitchesOff) {
  const FailCase cases[] = {
      {"fault=program-fail:1:2",
       kResultProgramFail,
       {"error:Programing Fail!", "log:Programing Fail!!!"}},
      {"fault=corrupt-read:1:2",
       kResultCompareFail,
       {"log:Compare Fail!!!", "error:Comparing Fail!"}},
      {"", kResultReadFail, {"error:Reading Fail!", "log:Reading Fail!!!"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hideReadBusy ? "no handshake after selecting page 1" : c.fault);
    Build(c.fault);
    StartUp();
    if (c.hideReadBusy) {
      // Once page 1 holds data, the master never sees the clock pulled low
      // after selecting a page for reading.
      tap->onRead = [this](uint16_t p, uint8_t v) -> uint8_t {
        const auto& reply = port->Target().Reply();
        const bool readOfPage1 =
            reply.size() > 2 && reply[1] == 0xB4 && Flash()[kPageSize] != 0xFF;
        return p == kStatusPort && readOfPage1 ? static_cast<uint8_t>(v | kSclStatusBit) : v;
      };
    }
    SetImage(PatternBytes(4, 7));
    IspOn();
    cmd->ProgramButtonClick();

    EXPECT_EQ(session.resultCode, c.result);
    EXPECT_EQ(ProgramFrames(1), 2);
    EXPECT_EQ(ProgramFrames(2), 0);  // nothing after the failing page
    // Page 0 moved the gauge; then the report, then ISP OFF, nothing else.
    auto it = std::find(win.events.begin(), win.events.end(), "repaint");
    ASSERT_NE(it, win.events.end());
    std::vector<std::string> tail(it + 1, win.events.end());
    std::vector<std::string> expected = c.report;
    expected.insert(expected.end(),
                    {"disable:ISPOFFButton", "disable:ProgramButton", "disable:EraseButton",
                     "enable:ISPLinkButton", "log:ISP OFF.", "status0:ISP OFF", "enable:IspOn1",
                     "disable:IspOff1", "disable:Erase1", "disable:Program1"});
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(session.selectedMcu, kNoMcu);
    EXPECT_EQ(Frames().back(), "3C");  // the leave sequence went out
  }
}

TEST_F(ProgramTest, ByteWriteModeSendsByteFramesAndReadsNothingBack) {
  // Read-backs of page 0 would all come back corrupted; none is made.
  StartUp("fault=corrupt-read:0:9");
  SetImage(PatternBytes(1, 2));
  cmd->ByteWriteClick();
  IspOn();
  cmd->ProgramButtonClick();
  EXPECT_EQ(win.log, std::vector<std::string>{"Programing Success!!!"});
  EXPECT_EQ(CountFrames("6E 04 5A 00"), 256);
  EXPECT_EQ(CountFrames("6E 00 3C"), 0);
  EXPECT_EQ(CountFrames("6E 02 4B"), 0);
  EXPECT_GE(clock.SleptMs(), 256);  // a 1 ms pause after each byte frame
}

TEST_F(ProgramTest, WithoutASelectedChipNothingIsSent) {
  StartUp();
  SetImage(PatternBytes(2, 1));
  cmd->ProgramButtonClick();
  EXPECT_EQ(session.resultCode, kResultNoLink);
  EXPECT_TRUE(win.events.empty());
  EXPECT_TRUE(port->Trace().Lines().empty());
}

}  // namespace
}  // namespace tq::test
