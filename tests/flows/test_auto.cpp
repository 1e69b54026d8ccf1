// The automatic sequence: reload, ISP ON, Erase, Program, ISP OFF.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/ImageFiles.h"
#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

const std::string kAutoLine = "------------ Auto -------------";
const std::string kEndLine = "------------ End --------------";

class AutoTest : public FlowsTest {
 protected:
  // A HEX file loaded through Load File (model dialog closed unanswered).
  fs::path LoadHex(const std::vector<uint8_t>& bytes) {
    const fs::path file = WriteHex("prog.hex", {{0, bytes}});
    Load(file, 1);
    EXPECT_EQ(session.resultCode, kResultOk);
    win.Clear();
    port->Trace().Clear();
    return file;
  }
  std::string ReloadLine(const fs::path& file) {
    return "ReLoad File @(" + clock.LongTimeText() + ") - " + file.string() +
           FileTimeStamp(file.string());
  }
};

TEST_F(AutoTest, SuccessfulRunLogsTheWholeSequence) {
  StartUp();
  const auto bytes = PatternBytes(6, 1);
  const fs::path file = LoadHex(bytes);
  session.resultCode = kResultCompareFail;  // an earlier failure does not stop the run
  port->Target().LoadFlash(std::vector<uint8_t>(kPageSize, 0x00));  // erased by the run

  cmd->AutoButtonClick();

  EXPECT_EQ(win.log, (std::vector<std::string>{kAutoLine, ReloadLine(file), "ISP ON",
                                               "Chip erase OK.", "Programing Success!!!",
                                               "ISP OFF.", "Used time : 0seconds", kEndLine}));
  EXPECT_TRUE(win.Only("error").empty());
  auto flash = Flash();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
  EXPECT_EQ(flash[6 * kPageSize], 0xFF);
  EXPECT_EQ(session.selectedMcu, kNoMcu);
}

TEST_F(AutoTest, UsedTimeIsTheWholeSecondsBetweenStartAndEnd) {
  StartUp();
  LoadHex(PatternBytes(1, 2));
  int reads = 0;
  clock.SetOnRead([&reads](VirtualClock& c) {
    if (++reads == 2) c.AdvanceUs(7'000'000);
  });
  cmd->AutoButtonClick();
  EXPECT_EQ(win.log.at(win.log.size() - 2), "Used time : 7seconds");
}

TEST_F(AutoTest, ProgramsTheFileAsItIsOnDiskNow) {
  StartUp();
  const fs::path file = LoadHex(PatternBytes(3, 1));
  const auto changed = PatternBytes(4, 99);
  WriteBytes(file, IntelHexText({{0, changed}}));

  cmd->AutoButtonClick();

  EXPECT_EQ(win.log.back(), kEndLine);
  auto flash = Flash();
  EXPECT_TRUE(std::equal(changed.begin(), changed.end(), flash.begin()));
}

TEST_F(AutoTest, EachFileKindIsReloadedByItsOwnReader) {
  StartUp();
  const auto binBytes = PatternBytes(2, 4);
  const auto bankBytes = PatternBytes(2, 5);
  WriteBytes(dir / "img.bin", binBytes);
  WriteBytes(dir / "set.h00", IntelHexText({{0, bankBytes}}));
  WriteBytes(dir / "set.h01", IntelHexText({}));
  struct {
    fs::path file;
    int kind;
    std::vector<uint8_t> bytes;
    std::vector<std::string> reloadLines;
  } cases[] = {
      {dir / "img.bin", 3, binBytes, {}},
      // The merged set fills all 256 pages: the 64 KB chip asks, and is told Yes.
      {dir / "set.h01",
       2,
       bankBytes,
       {"Combine " + (dir / "set.h00").string(), "Combine " + (dir / "set.h01").string(),
        "Creat " + (dir / "set.hex").string()}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    Load(c.file, c.kind);
    ASSERT_EQ(session.resultCode, kResultOk);
    win.Clear();
    win.confirmAnswers.push_back(Answer::Yes);
    cmd->AutoButtonClick();
    ASSERT_GE(win.log.size(), 2 + c.reloadLines.size());
    EXPECT_EQ(
        std::vector<std::string>(win.log.begin() + 1, win.log.begin() + 1 + c.reloadLines.size()),
        c.reloadLines);
    EXPECT_EQ(win.log.back(), kEndLine);
    auto flash = Flash();
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), flash.begin()));
    win.confirmAnswers.clear();
  }
}

struct FailCase {
  std::string name;
  std::string sim;
  bool removeFile;
  std::vector<std::string> log;  // after the Auto line and the reload line
  std::vector<std::string> errors;
  uint8_t result;
};

TEST_F(AutoTest, FailingStepSkipsTheRestButAlwaysSwitchesOff) {
  const FailCase cases[] = {
      {"reload", "", true, {"ISP OFF."}, {}, kResultNoLink},
      {"ISP ON",
       "fault=absent",
       false,
       {"Can't enter ISP mode.", "ISP OFF."},
       {"Can't enter ISP mode!"},
       kResultNoLink},
      {"erase, no handshake",
       "fault=no-busy",
       false,
       {"ISP ON", "Chip erase fail!!!", "ISP OFF."},
       {},
       kResultEraseFail},
      {"erase, wrong reply",
       "fault=erase-reply",
       false,
       {"ISP ON", "Chip erase fail!!!", "ISP OFF."},
       {"Chip erase fail!"},
       kResultEraseFail},
      {"program",
       "fault=program-fail:0:2",
       false,
       {"ISP ON", "Chip erase OK.", "Programing Fail!!!", "ISP OFF.", "ISP OFF."},
       {"Programing Fail!"},
       kResultProgramFail},
      {"compare",
       "fault=corrupt-read:0:2",
       false,
       {"ISP ON", "Chip erase OK.", "Compare Fail!!!", "ISP OFF.", "ISP OFF."},
       {"Comparing Fail!"},
       kResultCompareFail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Build(c.sim);
    StartUp();
    const fs::path file = LoadHex(PatternBytes(2, 6));
    if (c.removeFile) fs::remove(file);
    const int64_t slept = clock.SleptMs();

    cmd->AutoButtonClick();

    std::vector<std::string> log{kAutoLine};
    if (c.removeFile)
      log.push_back("Fail to open File" + file.string());
    else
      log.push_back(ReloadLine(file));
    log.insert(log.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(win.log, log);
    EXPECT_EQ(win.Only("error"), c.errors);
    EXPECT_EQ(session.resultCode, c.result);
    EXPECT_EQ(Frames().back(), "3C");
    EXPECT_EQ(session.selectedMcu, kNoMcu);
    if (c.removeFile) {
      EXPECT_EQ(clock.SleptMs() - slept, 300);  // both pauses, nothing else
    }
  }
}

TEST_F(AutoTest, DecliningTheSizeQuestionStillEndsAsARun) {
  auto rows = DefaultMcuRows();
  rows[3].pages = 1;  // KV230 of one page
  WriteIni(dir, rows);
  StartUp("id=0x3B2E,pages=128");
  LoadHex(PatternBytes(2, 8));
  win.confirmAnswers.push_back(Answer::No);

  cmd->AutoButtonClick();

  EXPECT_EQ(win.Only("confirm"),
            std::vector<std::string>{"Code size over Max size!! Write anyway?"});
  EXPECT_EQ(CountFrames("6E 00 3C"), 0);
  EXPECT_EQ(win.log.at(win.log.size() - 3), "ISP OFF.");
  EXPECT_EQ(win.log.at(win.log.size() - 2), "Used time : 0seconds");
  EXPECT_EQ(win.log.back(), kEndLine);
}

}  // namespace
}  // namespace tq::test
