// Every fault the target can be asked for, and what the bus master and the
// ISP layer make of it.
#include <algorithm>
#include <bitset>

#include "tests/sim/SimRig.h"

namespace tq::sim::test {
namespace {

// ---- the lines ------------------------------------------------------------------

struct LineCase {
  const char* name;
  std::string options;
  uint8_t start;        // Start
  uint8_t write;        // WriteByte 0x6F
  uint8_t read;         // ReadByte with ACK
  uint8_t readValue;    // the byte it delivers
};

class SimLineFault : public ::testing::TestWithParam<LineCase> {};

TEST_P(SimLineFault, ShowsInTheBusStatuses) {
  const LineCase& c = GetParam();
  SimRig rig(c.options);
  rig.isp->SetIspMode(1);
  rig.port->ClearTrace();
  const uint64_t rises = rig.port->SclRises();
  const uint8_t control = rig.port->ControlRegister();

  EXPECT_EQ(rig.bus->Start(), c.start);
  if (c.start == 4) {  // found before SCL is touched
    EXPECT_EQ(rig.port->SclRises(), rises);
    EXPECT_EQ(rig.port->ControlRegister(), control);
    for (const auto& line : rig.port->TraceLines()) EXPECT_NE(line[0], 'S') << "no START: " << line;
  }
  EXPECT_EQ(rig.bus->WriteByte(0x6F), c.write);
  uint8_t value = 0xA5;
  EXPECT_EQ(rig.bus->ReadByte(value, 0), c.read);
  EXPECT_EQ(value, c.readValue);
  rig.bus->Stop();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimLineFault,
    ::testing::Values(LineCase{"Healthy", "", 0, 0, 0, 0x00},
                      LineCase{"Absent", "fault=absent", 0, 2, 0, 0xFF},
                      LineCase{"NoAcknowledge", "fault=no-ack", 0, 2, 0, 0xFF},
                      LineCase{"SdaHeldLow", "fault=sda-low", 4, 0, 0, 0x00},
                      LineCase{"SclHeldLow", "fault=scl-low", 1, 3, 1, 0xFF},
                      LineCase{"NoAdapter", "fault=no-adapter", 4, 1, 1, 0x00},
                      LineCase{"ClockStretching", "fault=stretch", 0, 0, 0, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimLineFault, HeldLinesAreNotedInTheTrace) {
  SimRig sda("fault=sda-low");
  sda.bus->SetSda(0);
  sda.bus->Start();
  EXPECT_EQ(sda.port->TraceLines(), (std::vector<std::string>{"[SDA held low]"}));

  SimRig scl("fault=scl-low");
  const uint64_t reads = scl.port->StatusReads();
  EXPECT_FALSE(scl.bus->ReleaseScl());
  EXPECT_EQ(scl.port->StatusReads() - reads, 501u);  // 500 polls and the last look
  EXPECT_EQ(scl.port->TraceLines(), (std::vector<std::string>{}));  // noted at start-up, cleared
  scl.bus->SetScl(0);
  scl.bus->SetScl(1);
  EXPECT_EQ(scl.port->TraceLines(), (std::vector<std::string>{"[SCL held low]"}));
}

// Stretching beyond the master's 500 polls makes a bit fail; up to it, the
// bus waits it out.
class SimStretch : public ::testing::TestWithParam<std::pair<int, bool>> {};

TEST_P(SimStretch, IsWaitedOutUpToFiveHundredPolls) {
  SimRig rig("fault=stretch:" + std::to_string(GetParam().first));
  rig.bus->Start();
  const uint64_t reads = rig.port->StatusReads();
  EXPECT_EQ((rig.bus->WriteByte(0x04) & 1) != 0, GetParam().second);
  EXPECT_GE(rig.port->StatusReads() - reads, static_cast<uint64_t>(std::min(GetParam().first, 501)));
  rig.bus->Stop();
}

INSTANTIATE_TEST_SUITE_P(Faults, SimStretch,
                         ::testing::Values(std::make_pair(1, false), std::make_pair(20, false),
                                           std::make_pair(500, false), std::make_pair(501, true)));

TEST(SimStretch, AWholePageStillGoesThrough) {
  SimRig rig("fault=stretch:30");
  TIspDevice& isp = *rig.isp;
  isp.SetIspMode(1);
  isp.SetIspMode(1);
  EXPECT_EQ(isp.ReadChipId(), 0x3B2E);
  const std::vector<uint8_t> data = PagePattern(9);
  isp.ProgramPage(1, data.data());
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckProgramReply());
  std::vector<uint8_t> back(kSimPageSize);
  isp.SelectReadPage(1);
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.ReadPage(back.data()));
  EXPECT_EQ(back, data);
}

// ---- the chip ID ------------------------------------------------------------------

class SimChipId : public ::testing::TestWithParam<std::pair<std::string, uint16_t>> {};

TEST_P(SimChipId, IsWhatTheMasterReads) {
  SimRig rig(GetParam().first);
  rig.isp->SetIspMode(1);
  rig.isp->SetIspMode(1);
  EXPECT_EQ(rig.isp->ReadChipId(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimChipId,
    ::testing::Values(std::make_pair("", 0x3B2E), std::make_pair("id=0x3B5C", 0x3B5C),
                      std::make_pair("id=21930", 0x55AA), std::make_pair("fault=unknown-id", 0x1234),
                      std::make_pair("fault=absent", 0xFFFF), std::make_pair("fault=no-adapter", 0x0000),
                      std::make_pair("fault=no-ack", 0xFFFF), std::make_pair("fault=stretch:499", 0x3B2E),
                      std::make_pair("random-lose=1", 0xFFFF)));

// ---- the busy handshake and the erase reply -----------------------------------------

struct EraseCase {
  const char* name;
  std::string options;
  bool ready;
  int64_t sleptMs;
  bool replyOk;
  bool erased;
};

class SimEraseFault : public ::testing::TestWithParam<EraseCase> {};

TEST_P(SimEraseFault, ShowsInWaitReadyAndTheReply) {
  const EraseCase& c = GetParam();
  SimRig rig(c.options);
  rig.port->Target().LoadFlash(std::vector<uint8_t>(kSimPageSize, 0x00));
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  EXPECT_EQ(rig.isp->WaitReady(), c.ready);
  EXPECT_EQ(rig.clock.SleptMs(), c.sleptMs);
  EXPECT_EQ(rig.isp->CheckEraseReply(), c.replyOk);
  EXPECT_EQ(rig.Flash()[0], c.erased ? 0xFF : 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimEraseFault,
    ::testing::Values(EraseCase{"Healthy", "", true, 0, true, true},
                      EraseCase{"Slow", "erase-ms=30", true, 30, true, true},
                      EraseCase{"NoBusy", "fault=no-busy", false, 0, true, true},
                      EraseCase{"StuckBusy", "fault=stuck-busy", false, 500, false, true},
                      EraseCase{"WrongReply", "fault=erase-reply", true, 0, false, true},
                      // it still takes the frame in, but answers no read
                      EraseCase{"NoAcknowledge", "fault=no-ack", true, 0, false, true},
                      EraseCase{"Absent", "fault=absent", false, 0, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimEraseFault, AStuckBusyTargetKeepsTheBusDown) {
  SimRig rig("fault=stuck-busy");
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  EXPECT_FALSE(rig.isp->WaitReady());
  EXPECT_EQ(rig.bus->Start(), 1);
  EXPECT_EQ(rig.port->TraceLines().back(), "[SCL held low]");
  rig.isp->RecoverBus();
  EXPECT_TRUE(rig.port->Target().Busy());
}

// ---- faults on one page -------------------------------------------------------------

enum class PageOp { Program, Read };

struct PageCase {
  const char* name;
  std::string options;
  PageOp op;
  int page;
  int times;
};

// One attempt at the page, as the program command makes it: true when it
// went through.
bool Attempt(SimRig& rig, PageOp op, int page, const std::vector<uint8_t>& data, int* flippedBits) {
  TIspDevice& isp = *rig.isp;
  if (op == PageOp::Program) {
    isp.ChipErase();
    if (!isp.WaitReady()) return false;
    isp.ProgramPage(static_cast<uint8_t>(page), data.data());
    return isp.WaitReady() && isp.CheckProgramReply() && rig.FlashPage(page) == data;
  }
  std::vector<uint8_t> back(kSimPageSize);
  isp.SelectReadPage(static_cast<uint8_t>(page));
  if (!isp.WaitReady() || !isp.ReadPage(back.data())) return false;
  *flippedBits = 0;
  for (int i = 0; i < kSimPageSize; ++i) *flippedBits += std::bitset<8>(back[i] ^ data[i]).count();
  return back == data;
}

class SimPageFault : public ::testing::TestWithParam<PageCase> {};

TEST_P(SimPageFault, HitsTheFirstTimesOfItsPageOnly) {
  const PageCase& c = GetParam();
  SimRig rig(c.options);
  rig.isp->SetIspMode(1);
  const std::vector<uint8_t> data = PagePattern(c.page);
  std::vector<uint8_t> image(static_cast<size_t>(kSimPageSize) * 8, 0xFF);
  std::copy(data.begin(), data.end(), image.begin() + c.page * kSimPageSize);
  std::copy(data.begin(), data.end(), image.begin() + (c.page + 1) * kSimPageSize);
  if (c.op == PageOp::Read) rig.port->Target().LoadFlash(image);

  int flipped = 0;
  EXPECT_TRUE(Attempt(rig, c.op, c.page + 1, data, &flipped)) << "a neighbour";
  for (int n = 0; n < c.times; ++n) {
    EXPECT_FALSE(Attempt(rig, c.op, c.page, data, &flipped)) << "attempt " << n;
    if (c.op == PageOp::Read) {
      EXPECT_EQ(flipped, 1);
    }
  }
  EXPECT_TRUE(Attempt(rig, c.op, c.page, data, &flipped)) << "after the faults";
}

INSTANTIATE_TEST_SUITE_P(Faults, SimPageFault,
                         ::testing::Values(PageCase{"ProgramFail", "fault=program-fail:5:1", PageOp::Program, 5, 1},
                                           PageCase{"ProgramFailTwice", "fault=program-fail:2:2", PageOp::Program, 2, 2},
                                           PageCase{"ProgramReply", "fault=program-reply:3:2", PageOp::Program, 3, 2},
                                           PageCase{"CorruptRead", "fault=corrupt-read:4", PageOp::Read, 4, 1},
                                           PageCase{"CorruptReadThrice", "fault=corrupt-read:0:3", PageOp::Read, 0, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimPageFault, ADroppedProgramFrameWritesNothing) {
  SimRig rig("fault=program-fail:5");
  rig.isp->SetIspMode(1);
  const std::vector<uint8_t> data = PagePattern(5);
  rig.isp->ProgramPage(5, data.data());
  EXPECT_FALSE(rig.isp->WaitReady());
  EXPECT_EQ(rig.FlashPage(5), std::vector<uint8_t>(kSimPageSize, 0xFF));
  EXPECT_FALSE(rig.isp->CheckProgramReply());  // still the ID reply
}

// ---- random faults ------------------------------------------------------------------

// A program-and-verify run over some pages; per page two letters: the write
// ('i' ignored: no handshake, 'l' reply lost, '.' fine) and the read-back
// ('l' reply lost, 'f' one bit flipped, '.' fine).
std::string RandomRun(const std::string& options, int pages = 64) {
  SimRig rig(options);
  TIspDevice& isp = *rig.isp;
  isp.SetIspMode(1);
  std::string out;
  for (int page = 0; page < pages; ++page) {
    const std::vector<uint8_t> data = PagePattern(page);
    isp.ProgramPage(static_cast<uint8_t>(page), data.data());
    if (!isp.WaitReady()) {
      out += 'i';
    } else {
      out += isp.CheckProgramReply() ? '.' : 'l';
    }
    std::vector<uint8_t> back(kSimPageSize);
    isp.SelectReadPage(static_cast<uint8_t>(page));
    isp.WaitReady();
    if (!isp.ReadPage(back.data())) {
      out += 'l';
      continue;
    }
    int flipped = 0;
    for (int i = 0; i < kSimPageSize; ++i) flipped += std::bitset<8>(back[i] ^ rig.Flash()[page * kSimPageSize + i]).count();
    out += flipped == 0 ? '.' : flipped == 1 ? 'f' : '?';
  }
  return out;
}

TEST(SimRandom, IsRepeatableFromItsSeedAndMakesEveryKindOfFault) {
  const std::string a = RandomRun("random=0.1,seed=42");
  EXPECT_EQ(RandomRun("random=0.1,seed=42"), a);
  EXPECT_NE(RandomRun("random=0.1,seed=43"), a);
  for (char kind : {'i', 'l', 'f'}) EXPECT_NE(a.find(kind), std::string::npos) << kind << " in " << a;
  EXPECT_EQ(a.find('?'), std::string::npos) << a;
  EXPECT_EQ(RandomRun("seed=42"), std::string(128, '.'));
}

TEST(SimRandom, EachKindHasItsOwnProbability) {
  std::string flips, ignores, losses;
  for (int i = 0; i < 8; ++i) {
    flips += ".f";
    ignores += "i.";
    losses += "ll";
  }
  EXPECT_EQ(RandomRun("random-flip=1", 8), flips);
  EXPECT_EQ(RandomRun("random-ignore=1", 8), ignores);
  EXPECT_EQ(RandomRun("random-lose=1", 8), losses);
}

}  // namespace
}  // namespace tq::sim::test
