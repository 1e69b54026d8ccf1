// Auto again and again on a target that misbehaves at random (seeded, so
// every run of this test sees the same faults): whenever the tool says it
// programmed the chip, the chip must hold the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

class SoakTest : public FlowsTest {};

TEST_F(SoakTest, EveryReportedSuccessLeavesTheImageInTheFlash) {
  constexpr int kRuns = 200;
  constexpr int kChipPages = 64;
  StartUp("id=0x55AA,pages=" + std::to_string(kChipPages) + ",random=0.03,seed=20240501");
  const fs::path file = dir / "soak.hex";
  WriteBytes(file, IntelHexText({{0, {0}}}));
  Load(file, 1, 0);  // KV200/KV210, 120 pages: every image below fits
  ASSERT_EQ(session.resultCode, kResultOk);

  std::mt19937 random(7);
  int successes = 0, failures = 0;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    // A few pages of random data at random places, blank elsewhere.
    std::vector<uint8_t> image(static_cast<size_t>(kChipPages) * kPageSize, 0xFF);
    std::vector<HexBlock> blocks;
    const int pages = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < pages; ++i) {
      const int page = static_cast<int>(random() % kChipPages);
      std::vector<uint8_t> data(kPageSize);
      for (auto& b : data) b = static_cast<uint8_t>(random());
      std::copy(data.begin(), data.end(), image.begin() + page * kPageSize);
      blocks.push_back({static_cast<uint32_t>(page * kPageSize), data});
    }
    WriteBytes(file, IntelHexText(blocks));
    win.Clear();
    port->Trace().Clear();

    cmd->AutoButtonClick();

    const bool success =
        std::find(win.log.begin(), win.log.end(), "Programing Success!!!") != win.log.end();
    if (success) {
      ++successes;
      EXPECT_EQ(session.resultCode, kResultOk);
      EXPECT_EQ(win.log.back(), "------------ End --------------");
      const auto& flash = port->Target().Flash();
      ASSERT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    } else {
      ++failures;
      EXPECT_NE(session.resultCode, kResultOk);
      EXPECT_EQ(win.log.back(), "ISP OFF.");
    }
    // The target is released after every run.
    EXPECT_EQ(session.selectedMcu, kNoMcu);
    EXPECT_FALSE(port->Target().InIspMode());
  }
  std::cout << "[ soak     ] " << kRuns << " Auto runs: " << successes << " programmed, "
            << failures << " failed\n";
  RecordProperty("successes", successes);
  RecordProperty("failures", failures);
  // The faults must have bitten, and not so often that nothing gets through.
  EXPECT_GT(failures, 0);
  EXPECT_GT(successes, kRuns / 2);
}

}  // namespace
}  // namespace tq::test
