// The virtual adapter at register level, its pin maps through the bus
// master, the port brackets and the trace itself.
#include "tests/sim/SimRig.h"

namespace tq::sim::test {
namespace {

std::unique_ptr<SimPort> MakePort(const std::string& options, Clock& clock) {
  std::string error;
  auto port = MakeSimPort(options, clock, error);
  EXPECT_TRUE(port) << error;
  return port;
}

// Register writes that release or pull each line, per adapter wiring, and
// the status byte each of the four line states reads back as.
struct WiringCase {
  int map;
  uint8_t dataReleased;  // data register with both lines released
  uint8_t sclPull;       // bit to set (data) or clear (control) to pull SCL
  bool sclOnControl;
  uint8_t sdaPull;       // data bit to set to pull SDA
  uint8_t statusBothHigh, statusSclLow, statusSdaLow, statusBothLow;
};

class SimWiring : public ::testing::TestWithParam<WiringCase> {};

TEST_P(SimWiring, RegistersDriveTheLinesAndTheStatusReadsThemBack) {
  const WiringCase c = GetParam();
  VirtualClock clock;
  auto port = MakePort("pinmap=" + std::to_string(c.map), clock);
  auto set = [&](bool sclLow, bool sdaLow) {
    uint8_t data = c.dataReleased, control = 0x0B;
    if (sclLow) {
      if (c.sclOnControl) control = static_cast<uint8_t>(control & ~c.sclPull);
      else data |= c.sclPull;
    }
    if (sdaLow) data |= c.sdaPull;
    port->PortWrite(kControlPort, control);
    port->PortWrite(kDataPort, data);
    EXPECT_EQ(port->Scl(), !sclLow);
    EXPECT_EQ(port->Sda(), !sdaLow);
    return port->PortRead(kStatusPort);
  };
  EXPECT_EQ(set(false, false), c.statusBothHigh);
  EXPECT_EQ(set(true, false), c.statusSclLow);
  EXPECT_EQ(set(false, true), c.statusSdaLow);
  EXPECT_EQ(set(true, true), c.statusBothLow);
  // The status register is read-only: a write there changes nothing.
  port->PortWrite(kStatusPort, 0xFF);
  EXPECT_EQ(port->PortRead(kStatusPort), c.statusBothLow);
}

// Maps 2 and 3 read through inverting buffers; unwired status bits read 0.
INSTANTIATE_TEST_SUITE_P(Maps, SimWiring,
                         ::testing::Values(WiringCase{0, 0x55, 0x08, true, 0x80, 0x88, 0x80, 0x08, 0x00},
                                           WiringCase{1, 0x77, 0x08, false, 0x80, 0x88, 0x80, 0x08, 0x00},
                                           WiringCase{2, 0x55, 0x08, true, 0x80, 0x08, 0x00, 0x88, 0x80},
                                           WiringCase{3, 0x54, 0x01, false, 0x02, 0x00, 0x08, 0x40, 0x48}));

// The bus master with the same pin map as the adapter's wiring talks to the
// target; any other map does not.
class SimPinMap : public ::testing::TestWithParam<int> {};

TEST_P(SimPinMap, WorksWhenTheBusUsesTheAdaptersWiring) {
  const int map = GetParam();
  for (int busMap = 0; busMap < 5; ++busMap) {
    SimRig rig("pinmap=" + std::to_string(map), busMap);
    rig.isp->SetIspMode(1);
    const std::vector<uint8_t> data = PagePattern(map);
    rig.isp->ProgramPage(1, data.data());
    const bool ready = rig.isp->WaitReady();
    const bool same = busMap == map;
    EXPECT_EQ(rig.port->Target().InIspMode(), same) << "bus map " << busMap;
    EXPECT_EQ(ready, same) << "bus map " << busMap;
    EXPECT_EQ(rig.FlashPage(1) == data, same) << "bus map " << busMap;
    if (same) {
      EXPECT_TRUE(rig.isp->CheckProgramReply());
      EXPECT_EQ(rig.port->TraceLines().back(), "S 6F+ 00+ C3+ 00- P");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Maps, SimPinMap, ::testing::Values(0, 1, 2, 3));

TEST(SimPort, RecordsThePortBracketsAndTakesWritesOutsideThem) {
  VirtualClock clock;
  auto port = MakePort("", clock);
  EXPECT_EQ(port->PortAccessRequired(), 1);
  EXPECT_TRUE(port->IsSimulated());
  TIicBus bus(*port);  // start-up writes inside a bracket
  EXPECT_EQ(port->TraceLines(), (std::vector<std::string>{"[port open]", "[port close]"}));
  EXPECT_EQ(port->OpenBrackets(), 0);

  bus.SetDelayCount(0);
  bus.SelectPinMap(0);
  bus.SetSda(0);  // outside any bracket: SDA falls while SCL is high
  EXPECT_FALSE(port->Sda());
  EXPECT_EQ(port->DataRegister(), 0xD5);
  bus.ReleaseLines();  // and rises again
  bus.PortAccess(true);
  EXPECT_EQ(port->OpenBrackets(), 1);
  bus.Start();
  bus.WriteByte(0x12);
  bus.Stop();
  bus.PortAccess(false);
  EXPECT_EQ(port->TraceLines(), (std::vector<std::string>{"[port open]", "[port close]", "S P", "[port open]",
                                                          "S 12- P", "[port close]"}));
}

TEST(SimPort, DescribesTheSimulatedChip) {
  VirtualClock clock;
  EXPECT_EQ(MakePort("", clock)->Describe(), "virtual adapter, chip ID 0x3B2E, 128 pages (64 KB)");
  EXPECT_EQ(MakePort("id=0x3B5C,pages=120,pinmap=2,fault=no-busy,fault=stretch", clock)->Describe(),
            "virtual adapter, chip ID 0x3B5C, 120 pages (60 KB), pin map 2, faults: no-busy stretch");
}

// ---- the trace ---------------------------------------------------------------------

TEST(SimTrace, DecodesRepeatedStartsCutBytesAndFeedsTheSinkLineByLine) {
  SimRig rig;
  std::vector<std::string> sunk;
  rig.port->SetTraceSink([&](const std::string& line) { sunk.push_back(line); });
  TIicBus& bus = *rig.bus;
  bus.Start();
  bus.WriteByte(0xA5);
  // A byte cut short by the next START; the START's own release of the
  // clock is its fourth bit.
  for (int i = 0; i < 3; ++i) bus.WriteBit(1);
  bus.Start();
  EXPECT_TRUE(sunk.empty());  // the transaction is still open
  EXPECT_EQ(rig.port->TraceLines(), (std::vector<std::string>{"S A5- [4 bits] Sr"}));
  EXPECT_EQ(rig.port->Frames(), (std::vector<std::string>{"A5"}));
  bus.WriteByte(0x5A);
  bus.Stop();
  const std::vector<std::string> want = {"S A5- [4 bits] Sr 5A- P"};
  EXPECT_EQ(sunk, want);
  EXPECT_EQ(rig.port->TraceLines(), want);
  EXPECT_EQ(rig.port->Frames(), (std::vector<std::string>{"A5", "5A"}));
  EXPECT_EQ(rig.port->Trace().Text(), want[0] + "\n");

  rig.port->ClearTrace();
  EXPECT_TRUE(rig.port->TraceLines().empty());
  EXPECT_TRUE(rig.port->Frames().empty());

  // With recording off the sink still hears everything.
  rig.port->Trace().SetRecording(false);
  bus.Start();
  bus.Stop();
  EXPECT_TRUE(rig.port->TraceLines().empty());
  EXPECT_EQ(sunk.back(), "S P");
}

TEST(SimTrace, KeepsOnlyTheNewestLines) {
  SimRig rig;
  const size_t extra = 5;
  for (size_t i = 0; i < SimTrace::kMaxLines + extra; ++i) {
    rig.bus->Start();
    rig.bus->WriteByte(static_cast<uint8_t>(i));
    rig.bus->Stop();
  }
  const std::vector<std::string> lines = rig.port->TraceLines();
  ASSERT_EQ(lines.size(), SimTrace::kMaxLines);
  EXPECT_EQ(rig.port->Trace().DroppedLines(), extra);
  EXPECT_EQ(lines.front(), "S 05- P");
  EXPECT_EQ(rig.port->Frames().size(), SimTrace::kMaxLines);
}

}  // namespace
}  // namespace tq::sim::test
