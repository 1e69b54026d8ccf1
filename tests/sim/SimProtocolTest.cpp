// The target's side of the ISP protocol, driven through the real bus master
// and ISP layer, checked on the decoded wire and in the flash array.
#include <algorithm>
#include <functional>

#include "tests/sim/SimRig.h"

namespace tq::sim::test {
namespace {

TEST(SimSession, EntersIspModeReadsTheIdErasesProgramsAndReadsBackAPage) {
  SimRig rig;
  TIspDevice& isp = *rig.isp;
  const std::vector<uint8_t> data = PagePattern(3);
  std::vector<uint8_t> back(kSimPageSize, 0);

  isp.PortAccess(true);
  isp.SetIspMode(1);
  isp.SetIspMode(1);
  EXPECT_EQ(isp.ReadChipId(), 0x3B2E);
  isp.SendSetup(0xF0, 0x1C, 0x48);
  isp.ChipErase();
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckEraseReply());
  isp.ProgramPage(5, data.data());
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckProgramReply());
  isp.SelectReadPage(5);
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.ReadPage(back.data()));
  isp.SetIspMode(0);
  isp.PortAccess(false);

  EXPECT_EQ(back, data);
  EXPECT_EQ(rig.FlashPage(5), data);
  EXPECT_FALSE(rig.port->Target().InIspMode());

  std::vector<uint8_t> program = {0x6E, 0x00, 0x3C, 0x05, 0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC};
  program.insert(program.end(), data.begin(), data.end());
  std::vector<uint8_t> pageReply = {0x6F, 0x00, 0xB4};
  pageReply.insert(pageReply.end(), data.begin(), data.end());
  pageReply.push_back(0x00);
  const std::vector<std::string> enter = {"04", "34", "06", "36"};
  std::vector<std::string> expected = enter;
  expected.insert(expected.end(), enter.begin(), enter.end());
  expected.insert(expected.end(), {"6F 00 3B 2E 00", "6E 04 78 F0 1C 48 B6",
                                   "6E 07 1E AA 55 CC 33 E2 1D 88", "6F 00 E1 00",
                                   Hex(WithCheck(program)), "6F 00 C3 00", "6E 02 4B 05 22",
                                   Hex(pageReply), "04", "34", "06", "3C"});
  EXPECT_EQ(rig.port->Frames(), expected);

  // The full form: acknowledges as the master saw them, the port brackets,
  // the busy handshakes.
  const std::vector<std::string> lines = rig.port->TraceLines();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "[port open]");
  EXPECT_EQ(lines[1], "S 04+ Sr 34+ Sr 06+ Sr 36+ P");
  EXPECT_EQ(lines[3], "S 6F+ 00+ 3B+ 2E+ 00- P");
  EXPECT_EQ(lines[5], "S 6E+ 07+ 1E+ AA+ 55+ CC+ 33+ E2+ 1D+ 88+ P");
  EXPECT_EQ(lines[6], "[busy]");
  EXPECT_EQ(lines[14], "S 04+ Sr 34+ Sr 06+ Sr 3C+ P");
  EXPECT_EQ(lines[15], "[port close]");
}

// The check bytes of every frame, read off the wire.
struct FrameCase {
  const char* name;
  std::function<void(TIspDevice&)> send;
  std::string frame;  // the last frame on the wire
};

class SimFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SimFrames, CarryTheirCheckByte) {
  SimRig rig;
  GetParam().send(*rig.isp);
  ASSERT_FALSE(rig.port->Frames().empty());
  const std::string last = rig.port->Frames().back();
  const std::string& want = GetParam().frame;
  if (want.size() < 40) {
    EXPECT_EQ(last, want);
  } else {  // a program frame: compare its head and its tail
    EXPECT_EQ(last.substr(0, 29), want.substr(0, 29));
    EXPECT_EQ(last.size(), 523u * 3 - 1);
    EXPECT_EQ(last.substr(last.size() - 5), want.substr(want.size() - 5));
  }
}

const std::vector<uint8_t> kBlank(kSimPageSize, 0xFF);
const std::vector<uint8_t> kZero(kSimPageSize, 0x00);

INSTANTIATE_TEST_SUITE_P(
    Isp, SimFrames,
    ::testing::Values(
        FrameCase{"Erase", [](TIspDevice& d) { d.ChipErase(); }, "6E 07 1E AA 55 CC 33 E2 1D 88"},
        FrameCase{"ProgramBlankPage0", [](TIspDevice& d) { d.ProgramPage(0, kBlank.data()); },
                  "6E 00 3C 00 F0 0F 6E 91 13 EC FF ... FF AD"},
        FrameCase{"ProgramZeroPage5", [](TIspDevice& d) { d.ProgramPage(5, kZero.data()); },
                  "6E 00 3C 05 F0 0F 6E 91 13 EC 00 ... 00 A8"},
        FrameCase{"Setup", [](TIspDevice& d) { d.SendSetup(0xF0, 0x1C, 0x48); }, "6E 04 78 F0 1C 48 B6"},
        FrameCase{"SelectPage10", [](TIspDevice& d) { d.SelectReadPage(0x10); }, "6E 02 4B 10 37"},
        FrameCase{"EnterIsp", [](TIspDevice& d) { d.SetIspMode(1); }, "36"},
        FrameCase{"LeaveIsp", [](TIspDevice& d) { d.SetIspMode(7); }, "3C"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFrames, ByteWriteFrameOfPage2Index80) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  std::vector<uint8_t> data(256, 0xFF);
  data[0x80] = 0x55;
  rig.isp->ByteWritePage(2, data.data());
  const std::vector<std::string> frames = rig.port->Frames();
  EXPECT_NE(std::find(frames.begin(), frames.end(), "6E 04 5A 02 80 55 E7"), frames.end());
  EXPECT_EQ(rig.Flash()[2 * kSimPageSize + 0x80], 0x55);
  EXPECT_TRUE(rig.isp->WaitReady());
  EXPECT_TRUE(rig.isp->CheckByteWriteReply());
}

// ---- the ISP mode sequence ----------------------------------------------------

struct SequenceCase {
  const char* name;
  std::vector<uint8_t> bytes;  // one per START
  bool stopAtEnd;
  bool entersIsp;
};

class SimIspSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(SimIspSequence, EntersOnlyOnTheWholeSequenceEndedByAStop) {
  SimRig rig;
  const SequenceCase& c = GetParam();
  for (uint8_t b : c.bytes) {
    rig.bus->Start();
    rig.bus->WriteByte(b);
    rig.bus->ReleaseScl();
  }
  if (c.stopAtEnd) {
    rig.bus->Stop();
  } else {  // another transaction follows at once
    rig.bus->Start();
    rig.bus->WriteByte(0x55);
    rig.bus->Stop();
  }
  EXPECT_EQ(rig.port->Target().InIspMode(), c.entersIsp);
  EXPECT_EQ(rig.isp->ReadChipId(), c.entersIsp ? 0x3B2E : 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(
    Isp, SimIspSequence,
    ::testing::Values(SequenceCase{"Whole", {0x04, 0x34, 0x06, 0x36}, true, true},
                      SequenceCase{"RestartedByAnother04", {0x04, 0x04, 0x34, 0x06, 0x36}, true, true},
                      SequenceCase{"StepMissing", {0x04, 0x34, 0x36}, true, false},
                      SequenceCase{"FirstMissing", {0x34, 0x06, 0x36}, true, false},
                      SequenceCase{"NoStop", {0x04, 0x34, 0x06, 0x36}, false, false},
                      SequenceCase{"LeaveByte", {0x04, 0x34, 0x06, 0x3C}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimIspMode, AcknowledgesTheSequenceButNotItsAddressOutsideIspMode) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  EXPECT_EQ(rig.port->TraceLines().back(), "S 04+ Sr 34+ Sr 06+ Sr 36+ P");
  rig.isp->SetIspMode(0);
  EXPECT_EQ(rig.port->TraceLines().back(), "S 04+ Sr 34+ Sr 06+ Sr 3C+ P");
  EXPECT_FALSE(rig.port->Target().InIspMode());

  rig.bus->Start();
  EXPECT_EQ(rig.bus->WriteByte(0x6E), 2);
  rig.bus->Stop();
  rig.isp->ChipErase();
  EXPECT_FALSE(rig.port->Target().Busy());
  EXPECT_EQ(rig.isp->ReadChipId(), 0xFFFF);
  EXPECT_EQ(rig.port->TraceLines().back(), "S 6F- FF+ FF+ FF+ FF- P");
}

TEST(SimIspMode, EnteringAgainResetsTheReplyToTheChipId) {
  SimRig rig("id=0x3B5C");
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  ASSERT_TRUE(rig.isp->WaitReady());
  EXPECT_EQ(rig.port->Target().Reply(), (std::vector<uint8_t>{0x00, 0xE1, 0x00}));
  rig.isp->SetIspMode(1);
  EXPECT_EQ(rig.port->Target().Reply(), (std::vector<uint8_t>{0x00, 0x3B, 0x5C, 0x00}));
  EXPECT_EQ(rig.isp->ReadChipId(), 0x3B5C);
}

// ---- frames that are not quite right ---------------------------------------------

struct BadFrameCase {
  const char* name;
  std::vector<uint8_t> frame;  // sent as is
};

std::vector<uint8_t> ProgramFrame(uint8_t page, uint8_t length, int dataBytes) {
  std::vector<uint8_t> f = {0x6E, length, 0x3C, page, 0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC};
  f.insert(f.end(), static_cast<size_t>(dataBytes), 0x00);
  return f;
}

std::vector<uint8_t> BadCheck(std::vector<uint8_t> frame) {
  frame = WithCheck(std::move(frame));
  frame.back() ^= 0x01;
  return frame;
}

class SimBadFrame : public ::testing::TestWithParam<BadFrameCase> {};

TEST_P(SimBadFrame, IsIgnoredWithoutHandshakeAndWithTheReplyUnchanged) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  const std::vector<uint8_t> flash = rig.Flash();
  SendRaw(*rig.bus, GetParam().frame);
  EXPECT_FALSE(rig.port->Target().Busy());
  EXPECT_FALSE(rig.isp->WaitReady());
  EXPECT_EQ(rig.port->Target().Reply(), (std::vector<uint8_t>{0x00, 0x3B, 0x2E, 0x00}));
  EXPECT_EQ(rig.Flash(), flash);
  EXPECT_TRUE(rig.port->Target().SetupsReceived().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimBadFrame,
    ::testing::Values(
        BadFrameCase{"EraseBadCheck", BadCheck({0x6E, 0x07, 0x1E, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D})},
        BadFrameCase{"EraseBadKey", WithCheck({0x6E, 0x07, 0x1E, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1C})},
        BadFrameCase{"EraseBadLength", WithCheck({0x6E, 0x06, 0x1E, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D})},
        BadFrameCase{"EraseTooLong", WithCheck({0x6E, 0x07, 0x1E, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D, 0x00})},
        BadFrameCase{"ProgramBadLength", WithCheck(ProgramFrame(1, 0x01, kSimPageSize))},
        BadFrameCase{"ProgramShort", WithCheck(ProgramFrame(1, 0x00, kSimPageSize - 1))},
        BadFrameCase{"ProgramLong", WithCheck(ProgramFrame(1, 0x00, kSimPageSize + 1))},
        BadFrameCase{"ProgramBadCheck", BadCheck(ProgramFrame(1, 0x00, kSimPageSize))},
        BadFrameCase{"ByteWriteBadLength", WithCheck({0x6E, 0x03, 0x5A, 0x00, 0x00, 0x00})},
        BadFrameCase{"SetupBadCheck", BadCheck({0x6E, 0x04, 0x78, 0xF0, 0x1C, 0x48})},
        BadFrameCase{"SelectBadCheck", BadCheck({0x6E, 0x02, 0x4B, 0x00})},
        BadFrameCase{"UnknownCode", WithCheck({0x6E, 0x02, 0x4C, 0x00})},
        BadFrameCase{"AddressOnly", {0x6E}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimBadFrame, AFrameCutByARepeatedStartIsNotActedOn) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  const std::vector<uint8_t> erase = WithCheck({0x6E, 0x07, 0x1E, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D});
  rig.bus->Start();
  for (uint8_t b : erase) rig.bus->WriteByte(b);
  rig.isp->ReadChipId();  // starts with a repeated START
  EXPECT_FALSE(rig.port->Target().Busy());
  EXPECT_EQ(rig.port->Target().Reply()[1], 0x3B);
}

// ---- flash ------------------------------------------------------------------------

TEST(SimFlash, ProgrammingOnlyClearsBitsSoUnerasedFlashFailsTheReadBack) {
  SimRig rig;
  TIspDevice& isp = *rig.isp;
  isp.SetIspMode(1);
  const std::vector<uint8_t> first = PagePattern(1), second = PagePattern(2);
  isp.ProgramPage(7, first.data());
  ASSERT_TRUE(isp.WaitReady());
  isp.ProgramPage(7, second.data());
  ASSERT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckProgramReply());  // the target takes it...

  std::vector<uint8_t> back(kSimPageSize);
  isp.SelectReadPage(7);
  ASSERT_TRUE(isp.WaitReady());
  ASSERT_TRUE(isp.ReadPage(back.data()));
  EXPECT_NE(back, second);  // ...but the read-back tells
  for (int i = 0; i < kSimPageSize; ++i) ASSERT_EQ(back[i], first[i] & second[i]) << i;

  isp.ChipErase();
  ASSERT_TRUE(isp.WaitReady());
  EXPECT_TRUE(std::all_of(rig.Flash().begin(), rig.Flash().end(), [](uint8_t b) { return b == 0xFF; }));
  isp.ProgramPage(7, second.data());
  ASSERT_TRUE(isp.WaitReady());
  EXPECT_EQ(rig.FlashPage(7), second);
}

struct BeyondCase {
  int pages;
  uint8_t page;
};

class SimPagesBeyondSize : public ::testing::TestWithParam<BeyondCase> {};

TEST_P(SimPagesBeyondSize, AreAcceptedDiscardedAndReadAsBlank) {
  const BeyondCase c = GetParam();
  SimRig rig("pages=" + std::to_string(c.pages));
  TIspDevice& isp = *rig.isp;
  isp.SetIspMode(1);
  ASSERT_EQ(rig.Flash().size(), static_cast<size_t>(c.pages) * kSimPageSize);
  const std::vector<uint8_t> flash = rig.Flash();
  isp.ProgramPage(c.page, kZero.data());
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckProgramReply());
  EXPECT_EQ(rig.Flash(), flash);

  std::vector<uint8_t> back(kSimPageSize, 0);
  isp.SelectReadPage(c.page);
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.ReadPage(back.data()));
  EXPECT_EQ(back, kBlank);
}

INSTANTIATE_TEST_SUITE_P(Flash, SimPagesBeyondSize,
                         ::testing::Values(BeyondCase{120, 120}, BeyondCase{120, 127}, BeyondCase{128, 255},
                                           BeyondCase{1, 1}));

TEST(SimFlash, ByteWritesLandAtPageTimes512PlusIndex) {
  SimRig rig("pages=2");
  rig.isp->SetIspMode(1);
  SendRaw(*rig.bus, WithCheck({0x6E, 0x04, 0x5A, 0x01, 0xFF, 0x3C}));
  EXPECT_TRUE(rig.isp->WaitReady());
  EXPECT_TRUE(rig.isp->CheckByteWriteReply());
  SendRaw(*rig.bus, WithCheck({0x6E, 0x04, 0x5A, 0x01, 0xFF, 0xF0}));  // AND, as programming
  EXPECT_TRUE(rig.isp->WaitReady());
  SendRaw(*rig.bus, WithCheck({0x6E, 0x04, 0x5A, 0x02, 0x00, 0x00}));  // beyond the chip
  EXPECT_TRUE(rig.isp->WaitReady());
  for (size_t i = 0; i < rig.Flash().size(); ++i)
    ASSERT_EQ(rig.Flash()[i], i == 512 + 255 ? 0x30 : 0xFF) << i;
}

TEST(SimSetup, IsRememberedWithoutHandshakeAndLeavesTheReply) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  rig.isp->SendSetup(0xF0, 0x1C, 0x48);
  rig.isp->SendSetup(1, 2, 3);
  EXPECT_FALSE(rig.port->Target().Busy());
  EXPECT_EQ(rig.port->Target().SetupsReceived(),
            (std::vector<std::array<uint8_t, 3>>{{0xF0, 0x1C, 0x48}, {1, 2, 3}}));
  EXPECT_EQ(rig.isp->ReadChipId(), 0x3B2E);
}

// ---- replies --------------------------------------------------------------------

TEST(SimReply, StartsOverEachTimeAndReadsFFPastItsEnd) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  ASSERT_TRUE(rig.isp->WaitReady());
  EXPECT_EQ(ReadRaw(*rig.bus, 6), (std::vector<uint8_t>{0x00, 0xE1, 0x00, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ReadRaw(*rig.bus, 2), (std::vector<uint8_t>{0x00, 0xE1}));
}

TEST(SimReply, StopsDrivingSdaAfterTheMastersNack) {
  SimRig rig;
  rig.isp->SetIspMode(1);
  rig.port->Target().LoadFlash(kZero);
  rig.isp->SelectReadPage(0);
  ASSERT_TRUE(rig.isp->WaitReady());

  uint8_t b = 0xAA;
  rig.bus->Start();
  rig.bus->WriteByte(0x6F);
  rig.bus->ReadByte(b, 0);
  rig.bus->ReadByte(b, 0);
  EXPECT_EQ(b, 0xB4);
  rig.bus->ReadByte(b, 1);  // NACK on a page byte of 0x00
  EXPECT_EQ(b, 0x00);
  rig.bus->ReadByte(b, 1);  // nobody drives SDA now
  EXPECT_EQ(b, 0xFF);
  EXPECT_EQ(rig.bus->Stop(), 0);
  EXPECT_TRUE(rig.port->Sda());
}

// ---- the busy handshake ----------------------------------------------------------

struct BusyCase {
  const char* name;
  std::string options;
  std::function<void(TIspDevice&)> command;
  int64_t sleptMs;
};

class SimBusy : public ::testing::TestWithParam<BusyCase> {};

TEST_P(SimBusy, HoldsSclForItsBusyTimeAndCostsNoSleepWithoutOne) {
  SimRig rig(GetParam().options);
  rig.isp->SetIspMode(1);
  GetParam().command(*rig.isp);
  EXPECT_TRUE(rig.port->Target().Busy());
  EXPECT_FALSE(rig.port->Scl());
  EXPECT_TRUE(rig.isp->WaitReady());
  EXPECT_EQ(rig.clock.SleptMs(), GetParam().sleptMs);
  EXPECT_TRUE(rig.port->Scl());
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, SimBusy,
    ::testing::Values(
        BusyCase{"EraseNoTime", "", [](TIspDevice& d) { d.ChipErase(); }, 0},
        BusyCase{"Erase30", "erase-ms=30", [](TIspDevice& d) { d.ChipErase(); }, 30},
        BusyCase{"Page3", "page-ms=3", [](TIspDevice& d) { d.ProgramPage(0, kZero.data()); }, 3},
        BusyCase{"Read2", "read-ms=2", [](TIspDevice& d) { d.SelectReadPage(0); }, 2},
        BusyCase{"OtherTimesDoNotApply", "erase-ms=30,read-ms=9", [](TIspDevice& d) { d.ProgramPage(0, kZero.data()); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimBusy, WaitsForTheMasterToSeeSclLowEvenWhenTheTimeHasPassed) {
  SimRig rig("erase-ms=5");
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  rig.clock.AdvanceUs(1'000'000);
  EXPECT_TRUE(rig.port->Target().Busy());
  EXPECT_EQ(rig.bus->GetScl(), 0);
  EXPECT_EQ(rig.bus->GetScl(), 1);
  EXPECT_FALSE(rig.port->Target().Busy());
}

}  // namespace
}  // namespace tq::sim::test
