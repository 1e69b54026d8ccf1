#include "bus/IicBus.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/bus/WiredPort.h"

namespace tq {
namespace {

using test::PortCall;
using test::WiredPort;

PortCall W(int port, int value) { return {PortCall::Write, port, value}; }

TEST(IicBusStartUp, WritesTheRegistersInsideABracketOnlyWhenTheLibraryAsks) {
  const std::vector<PortCall> bracketed = {
      {PortCall::Required}, {PortCall::Mode, 1}, {PortCall::Open, 0x378, 0x37A},
      W(0x378, 0x55),       W(0x379, 0xF8),      W(0x37A, 0x0B),
      {PortCall::Mode, 0},  {PortCall::Close, 0x378, 0x37A}};
  const std::vector<PortCall> bare = {{PortCall::Required}, W(0x378, 0x55), W(0x379, 0xF8), W(0x37A, 0x0B)};
  for (int required : {1, 7, 0}) {
    WiredPort port(0, required);
    TIicBus bus(port);
    SCOPED_TRACE(required);
    EXPECT_EQ(port.calls, required ? bracketed : bare);
    EXPECT_EQ(bus.NeedPortAccess, required != 0);
    EXPECT_EQ(bus.DelayCount, 150);
    EXPECT_EQ(bus.PinMap, 0);
    EXPECT_TRUE(port.Scl() && port.Sda()) << "start-up leaves both lines released";

    // The bracket follows the same flag later on.
    port.calls.clear();
    bus.PortAccess(true);
    bus.PortAccess(false);
    const std::vector<PortCall> pair = {{PortCall::Mode, 1}, {PortCall::Open, 0x378, 0x37A},
                                        {PortCall::Mode, 0}, {PortCall::Close, 0x378, 0x37A}};
    EXPECT_EQ(port.calls, required ? pair : std::vector<PortCall>{});
  }
}

TEST(IicBusSelectPinMap, WritesTheMapsInitialDataByteAndNothingElse) {
  struct Case {
    std::vector<uint8_t> maps;  // selected in order; the last one is checked
    uint8_t data;
  };
  const Case cases[] = {
      {{0}, 0x55}, {{1}, 0x77}, {{2}, 0x55}, {{3}, 0x54},
      {{1, 4}, 0x77},  // no wiring: the data byte stays as it was
      {{3, 255}, 0x54},
  };
  for (const Case& c : cases) {
    WiredPort port;
    TIicBus bus(port);
    for (uint8_t map : c.maps) {
      port.calls.clear();
      bus.SelectPinMap(map);
    }
    SCOPED_TRACE(int(c.maps.back()));
    EXPECT_EQ(port.calls, std::vector<PortCall>{W(0x378, c.data)});
    EXPECT_EQ(bus.PinMap, c.maps.back());
    EXPECT_EQ(bus.ControlShadow, 0x0B) << "the control register is not touched";
  }
}

// Each map against an adapter wired the same way: the drive bits move the
// right lines, the reads see them with the right polarity, the unused data
// bits keep the map's initial byte, and a whole transaction goes through.
struct MapCase {
  int map;
  uint8_t initialData;
  uint8_t dataBitsUsed;
};

class IicBusPinMap : public ::testing::TestWithParam<MapCase> {};

TEST_P(IicBusPinMap, DrivesAndReadsBothLinesThroughItsWiring) {
  const MapCase c = GetParam();
  WiredPort port(c.map);
  TIicBus bus(port);
  bus.SetDelayCount(0);
  bus.SelectPinMap(static_cast<uint8_t>(c.map));
  port.calls.clear();

  auto lines = [&] { return std::pair{port.Scl(), port.Sda()}; };
  auto seen = [&] { return std::pair{bus.GetScl(), bus.GetSda()}; };
  EXPECT_EQ(lines(), std::pair(true, true));
  EXPECT_EQ(seen(), std::pair(1, 1));
  bus.SetScl(0);
  EXPECT_EQ(lines(), std::pair(false, true));
  EXPECT_EQ(seen(), std::pair(0, 1));
  bus.SetSda(0);
  EXPECT_EQ(lines(), std::pair(false, false));
  EXPECT_EQ(seen(), std::pair(0, 0));
  bus.ReleaseLines();
  EXPECT_EQ(lines(), std::pair(true, true));

  // A line the target holds reads low although the master released it.
  port.holdSda = true;
  EXPECT_EQ(seen(), std::pair(1, 0));
  port.holdSda = false;
  port.holdScl = true;
  EXPECT_EQ(seen(), std::pair(0, 1));
  port.holdScl = false;

  port.ackBytes = true;
  EXPECT_EQ(bus.Start(), 0);
  EXPECT_EQ(bus.WriteByte(0x6E), 0);
  EXPECT_EQ(bus.Stop(), 0);
  EXPECT_EQ(lines(), std::pair(true, true));

  for (const PortCall& call : port.WritesOnly()) {
    if (call.a == 0x378) {
      EXPECT_EQ(call.b & ~c.dataBitsUsed, c.initialData & ~c.dataBitsUsed) << call;
    } else {
      EXPECT_EQ(call.a, 0x37A) << call;
      EXPECT_EQ(call.b & ~0x08, 0x0B & ~0x08) << call;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Maps, IicBusPinMap,
                         ::testing::Values(MapCase{0, 0x55, 0x80}, MapCase{1, 0x77, 0x88},
                                           MapCase{2, 0x55, 0x80}, MapCase{3, 0x54, 0x03}),
                         [](const auto& info) { return "Map" + std::to_string(info.param.map); });

TEST(IicBusPinMap, UnwiredMapsDriveNothingAndReadZero) {
  for (int map : {4, 5, 255}) {
    SCOPED_TRACE(map);
    WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    bus.SelectPinMap(static_cast<uint8_t>(map));
    port.calls.clear();
    bus.SetScl(0);
    bus.SetSda(0);
    EXPECT_TRUE(port.WritesOnly().empty());
    EXPECT_EQ(bus.GetScl(), 0);
    EXPECT_EQ(bus.GetSda(), 0);
    EXPECT_EQ(bus.Start(), 4);
    EXPECT_TRUE(port.WritesOnly().empty());
    EXPECT_TRUE(port.Scl() && port.Sda()) << "the lines stay as start-up left them";
  }
}

TEST(IicBusReleaseScl, WaitsForAStretchedClockAtMostFiveHundredPolls) {
  struct Case {
    int heldForReads;  // status reads during which the target keeps SCL low; -1: for ever
    bool released;
    int statusReads;  // the polls plus the final reading
  };
  const Case cases[] = {
      {0, true, 2},      // high at the first poll, then the final reading
      {1, true, 3},
      {499, true, 501},  // comes high at the 500th poll
      {500, true, 501},  // comes high only for the final reading
      {501, false, 501},
      {-1, false, 501},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heldForReads);
    WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    if (c.heldForReads >= 0) {
      port.holdSclForReads = c.heldForReads;
    } else {
      port.holdScl = true;
    }
    port.statusReads = 0;
    EXPECT_EQ(bus.ReleaseScl(), c.released);
    EXPECT_EQ(port.statusReads, c.statusReads);
  }
}

// Status codes of the bit and byte operations against a target that holds
// lines, does not answer, or answers.
TEST(IicBusStatus, ReportsHeldLinesAndMissingAcknowledge) {
  enum Op { Start, Stop, WriteByte, ReadByte };
  struct Case {
    const char* name;
    Op op;
    bool holdScl, holdSda, ack;
    std::deque<uint8_t> send;
    int status;
    int byte;  // for ReadByte
  };
  const Case cases[] = {
      {"start, SDA held", Start, false, true, false, {}, 4, -1},
      {"start, SCL held", Start, true, false, false, {}, 1, -1},
      {"start, free", Start, false, false, false, {}, 0, -1},
      {"stop, SCL held", Stop, true, false, false, {}, 1, -1},
      {"write, SCL held, no acknowledge", WriteByte, true, false, false, {}, 3, -1},
      {"write, SCL held, SDA reads acknowledge", WriteByte, true, true, false, {}, 1, -1},
      {"write, nobody answers", WriteByte, false, false, false, {}, 2, -1},
      {"write, acknowledged", WriteByte, false, false, true, {}, 0, -1},
      {"read, SCL held, SDA released", ReadByte, true, false, false, {}, 1, 0xFF},
      {"read, SCL held, SDA held", ReadByte, true, true, false, {}, 1, 0x00},
      {"read, target sends", ReadByte, false, false, false, {0xA5}, 0, 0xA5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    port.holdScl = c.holdScl;
    port.holdSda = c.holdSda;
    port.ackBytes = c.ack;
    port.sendBytes = c.send;
    if (c.op != Start) bus.Start();
    const int risesBefore = port.sclRises, fallsBefore = port.sclFalls;
    const size_t writesBefore = port.WritesOnly().size();
    uint8_t byte = 0x33;
    int status = -1;
    switch (c.op) {
      case Start: status = bus.Start(); break;
      case Stop: status = bus.Stop(); break;
      case WriteByte: status = bus.WriteByte(0x6E); break;
      case ReadByte: status = bus.ReadByte(byte, 0); break;
    }
    EXPECT_EQ(status, c.status);
    if (c.byte >= 0) {
      EXPECT_EQ(byte, c.byte);
    }
    if (c.status == 4) {
      EXPECT_EQ(port.sclRises, risesBefore);
      EXPECT_EQ(port.sclFalls, fallsBefore);
      for (size_t n = writesBefore; n < port.WritesOnly().size(); ++n)
        EXPECT_NE(port.WritesOnly()[n].a, 0x37A) << "SCL must not be touched";
    }
    if (c.op == Stop && c.status == 1) {
      EXPECT_FALSE(port.Sda()) << "after a failed stop SDA stays pulled low";
    }
  }
}

TEST(IicBusReadByte, TheNinthClockCarriesTheAcknowledgeOrLeavesSdaAlone) {
  for (int nack : {0, 1}) {
    SCOPED_TRACE(nack);
    WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    port.sendBytes = {0x5A};
    ASSERT_EQ(bus.Start(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(bus.ReadByte(byte, nack), 0);
    EXPECT_EQ(byte, 0x5A);
    ASSERT_GE(port.masterSdaLowInClock.size(), 9u);
    for (int clock = 0; clock < 8; ++clock)
      EXPECT_FALSE(port.masterSdaLowInClock[clock]) << "data clock " << clock << " belongs to the target";
    EXPECT_EQ(port.masterSdaLowInClock[8], nack == 0);
    EXPECT_EQ(port.Sda(), nack == 1) << "SDA low after an acknowledge, released after a not-acknowledge";
    EXPECT_FALSE(port.Scl());
  }
}

// Where each operation leaves the lines, as the ISP layer relies on.
TEST(IicBusLines, OperationsLeaveTheLinesAsDocumented) {
  struct Case {
    const char* name;
    std::function<void(TIicBus&)> run;
    bool scl, sda;
  };
  const Case cases[] = {
      {"start", [](TIicBus& b) { b.Start(); }, false, false},
      {"write bit 1", [](TIicBus& b) { b.Start(); b.WriteBit(1); }, false, true},
      {"write bit 0", [](TIicBus& b) { b.Start(); b.WriteBit(0); }, false, false},
      {"write byte", [](TIicBus& b) { b.Start(); b.WriteByte(0x00); }, false, true},
      {"stop", [](TIicBus& b) { b.Start(); b.WriteByte(0x00); b.Stop(); }, true, true},
      {"clock pulse", [](TIicBus& b) { b.Start(); b.ClockPulse(); }, true, false},
      {"release lines", [](TIicBus& b) { b.Start(); b.ReleaseLines(); }, true, true},
      {"clock burst", [](TIicBus& b) { b.Start(); b.ClockBurst(); }, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    c.run(bus);
    EXPECT_EQ(port.Scl(), c.scl);
    EXPECT_EQ(port.Sda(), c.sda);
  }
}

TEST(IicBusClockBurst, GivesOneHundredClocksWithoutReadingTheLines) {
  WiredPort port;
  TIicBus bus(port);
  bus.SetDelayCount(-3);  // no delay at all, the bus still runs
  port.calls.clear();
  port.sclRises = port.sclFalls = 0;
  bus.ClockBurst();
  EXPECT_EQ(port.statusReads, 0);
  EXPECT_EQ(port.sclRises, 100);
  EXPECT_EQ(port.sclFalls, 100);
  EXPECT_EQ(port.calls.size(), 1u + 200u + 2u);  // SDA release, the clocks, the final release
}

}  // namespace
}  // namespace tq
