// The model list, its item texts, and what a choice does to the checksum.
#include <gtest/gtest.h>

#include "flows/McuSelection.h"
#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

class McuSelectionTest : public FlowsTest {};

TEST_F(McuSelectionTest, ListFollowsPresentSectionsWithTheirNumbers) {
  // Section 3 is a bare header (absent), 30 is never looked at, 5 has no
  // NAME and a PAGES that only fits after cutting to 16 bits.
  WriteBytes(dir / ConfigFile::kFileName, std::string("[INFORMATION]\nINI_VER=V1.3\n"
                                                      "[MCU01]\nNAME=ALPHA\nPAGES=120\n"
                                                      "[MCU02]\nNAME=BETA\nPAGES=128\n"
                                                      "[MCU03]\n"
                                                      "[MCU04]\nNAME=DELTA\nPAGES=121\n"
                                                      "[MCU05]\nPAGES=65656\n"
                                                      "[MCU11]\nNAME=ZERO\n"
                                                      "[MCU30]\nNAME=NEVER\nPAGES=4\n"));
  ConfigFile config(dir.string());
  const auto models = BuildModelList(config);
  EXPECT_EQ(McuItemTexts(models),
            (std::vector<std::string>{"1. ALPHA (60K)", "2. BETA (64K)", "4. DELTA (60K)",
                                      "5. VOID (60K)", "11. ZERO (0K)"}));

  // The third item is the model of section 4.
  Session s;
  RecordingWindow w;
  ASSERT_TRUE(RadioGroup1Click(s, w, models, 2));
  EXPECT_EQ(s.chosenPageCount, 121);
  EXPECT_EQ(w.log.back().rfind("Fill (60k) Check Sum:", 0), 0u);
  EXPECT_TRUE(w.log.back().ends_with(" - (DELTA)"));
}

TEST_F(McuSelectionTest, DefaultTableGivesTheTwelveItems) {
  WriteIni(dir, DefaultMcuRows());
  ConfigFile config(dir.string());
  EXPECT_EQ(McuItemTexts(BuildModelList(config)),
            (std::vector<std::string>{
                "1. KV200/KV210 (60K)", "2. KV200G (60K)", "3. KV200G (64K)", "4. KV230 (64K)",
                "5. KV240/KV250 (128K)", "6. KV250A/240A (128K)", "7. KV300/310-64K (64K)",
                "8. KV300/310-128K (128K)", "9. KV320-64K (64K)", "10. KV320-128K (128K)",
                "11. KV330-64K (64K)", "12. KV330-128K (128K)"}));
}

struct FillCase {
  int zeroBytes;   // loaded bytes of 0x00 at address 0
  uint16_t pages;  // the chosen model's pages
  std::string line;
};

TEST_F(McuSelectionTest, ChoiceAddsTheBlankFillAndLogsIt) {
  const FillCase cases[] = {
      {100, 120, "Fill (60k) Check Sum:AC64 - (M)"},
      {100, 121, "Fill (60k) Check Sum:AA64 - (M)"},    // odd: 60k shown, 121 pages filled
      {61440, 120, "Fill (60k) Check Sum:0000 - (M)"},  // nothing left to fill
      {70000, 120, "Fill (60k) Check Sum:0000 - (M)"},  // image larger than the model
      {100, 0, "Fill (0k) Check Sum:0000 - (M)"},
      {100, 256, "Fill (128k) Check Sum:9C64 - (M)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Session s;
    s.chosenPageCount = 77;
    s.buffer.FillBlank();
    for (int a = 0; a < c.zeroBytes; ++a) s.buffer.StoreDataByte(static_cast<uint32_t>(a), 0);
    RecordingWindow w;
    ChooseMcuModel(s, w, McuModel{1, "M", c.pages});
    EXPECT_EQ(w.log, std::vector<std::string>{c.line});
    EXPECT_EQ(s.chosenPageCount, c.pages);
    EXPECT_EQ(s.buffer.loadedBytes, c.zeroBytes);
  }
}

TEST_F(McuSelectionTest, ClickWithoutAModelChangesNothing) {
  Session s;
  s.chosenPageCount = 64;
  s.buffer.checksum = 0x1234;
  RecordingWindow w;
  const std::vector<McuModel> models{{1, "A", 120}};
  for (int item : {-1, 1, 5}) EXPECT_FALSE(RadioGroup1Click(s, w, models, item));
  EXPECT_TRUE(w.events.empty());
  EXPECT_EQ(s.chosenPageCount, 64);
  EXPECT_EQ(s.buffer.checksum, 0x1234);
}

}  // namespace
}  // namespace tq::test
