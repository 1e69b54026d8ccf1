// The flash kept in a file: a chip programmed in one run reads back in the
// next.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/sim/SimRig.h"

namespace tq::sim::test {
namespace {

namespace fs = std::filesystem;

class SimFlashFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tq-sim-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    file_ = dir_ / "chip.bin";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Option() const { return "flash=" + file_.string(); }
  std::vector<uint8_t> FileBytes() const {
    std::ifstream in(file_, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const std::vector<uint8_t>& bytes) const {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_, file_;
};

TEST_F(SimFlashFile, KeepsWhatEachCommandChangedForTheNextRun) {
  const std::vector<uint8_t> data = PagePattern(4);
  {
    SimRig rig(Option() + ",pages=4");
    EXPECT_EQ(FileBytes(), std::vector<uint8_t>(4 * kSimPageSize, 0xFF));  // created erased
    rig.isp->SetIspMode(1);
    rig.isp->ProgramPage(2, data.data());
    ASSERT_TRUE(rig.isp->WaitReady());
    std::vector<uint8_t> bytes(256, 0xFF);
    bytes[7] = 0x42;
    rig.isp->ByteWritePage(0, bytes.data());
    ASSERT_TRUE(rig.isp->WaitReady());
    EXPECT_EQ(FileBytes(), rig.Flash());
  }
  {
    SimRig rig(Option() + ",pages=4");
    EXPECT_EQ(rig.FlashPage(2), data);
    EXPECT_EQ(rig.Flash()[7], 0x42);
    rig.isp->SetIspMode(1);
    std::vector<uint8_t> back(kSimPageSize);
    rig.isp->SelectReadPage(2);
    ASSERT_TRUE(rig.isp->WaitReady());
    ASSERT_TRUE(rig.isp->ReadPage(back.data()));
    EXPECT_EQ(back, data);
    rig.isp->ChipErase();
    ASSERT_TRUE(rig.isp->WaitReady());
  }
  EXPECT_EQ(FileBytes(), std::vector<uint8_t>(4 * kSimPageSize, 0xFF));
}

TEST_F(SimFlashFile, AShortFileIsLoadedAndMadeWholeALongOneKeepsItsTail) {
  WriteFile(std::vector<uint8_t>(100, 0x11));
  {
    SimRig rig(Option() + ",pages=2");
    EXPECT_EQ(rig.Flash()[99], 0x11);
    EXPECT_EQ(rig.Flash()[100], 0xFF);
    std::vector<uint8_t> want(2 * kSimPageSize, 0xFF);
    std::fill(want.begin(), want.begin() + 100, 0x11);
    EXPECT_EQ(FileBytes(), want);
  }
  WriteFile(std::vector<uint8_t>(3 * kSimPageSize, 0x22));
  {
    SimRig rig(Option() + ",pages=1");
    EXPECT_EQ(rig.Flash(), std::vector<uint8_t>(kSimPageSize, 0x22));
    rig.isp->SetIspMode(1);
    rig.isp->ChipErase();
    ASSERT_TRUE(rig.isp->WaitReady());
  }
  std::vector<uint8_t> want(3 * kSimPageSize, 0x22);
  std::fill(want.begin(), want.begin() + kSimPageSize, 0xFF);
  EXPECT_EQ(FileBytes(), want);
}

TEST_F(SimFlashFile, APathThatCannotBeUsedIsRefusedAtCreation) {
  VirtualClock clock;
  for (const fs::path& bad : {dir_ / "missing" / "chip.bin", dir_}) {
    std::string error;
    EXPECT_EQ(MakeSimPort("flash=" + bad.string(), clock, error), nullptr) << bad;
    EXPECT_NE(error.find(bad.string()), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace tq::sim::test
