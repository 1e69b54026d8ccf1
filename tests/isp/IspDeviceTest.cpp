#include "isp/IspDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "sim/SimPort.h"
#include "tests/bus/WiredPort.h"

namespace tq {
namespace {

using Bytes = std::vector<uint8_t>;
using Frames = std::vector<std::string>;

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02X", b);
    if (!text.empty()) text += ' ';
    text += part;
  }
  return text;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Pattern(int seed) {
  Bytes page(512);
  for (int n = 0; n < 512; ++n) page[n] = static_cast<uint8_t>(n * 7 + seed);
  return page;
}

// The whole stack over the simulated target: the target's trace is the
// oracle for what went over the wire.
struct SimRig {
  explicit SimRig(const std::string& options) {
    std::string error;
    port = sim::MakeSimPort(options, clock, error);
    EXPECT_NE(port, nullptr) << error;
    bus = std::make_unique<TIicBus>(*port);
    bus->SetDelayCount(0);
    isp = std::make_unique<TIspDevice>(*bus, clock);
    port->ClearTrace();
  }
  VirtualClock clock;
  std::unique_ptr<sim::SimPort> port;
  std::unique_ptr<TIicBus> bus;
  std::unique_ptr<TIspDevice> isp;
};

TEST(IspFrames, EveryCommandPutsItsExactBytesOnTheWire) {
  Bytes byteWriteData(512);
  for (int n = 0; n < 512; ++n) byteWriteData[n] = static_cast<uint8_t>(255 - n);
  byteWriteData[0x80] = 0x55;
  Frames byteWriteFrames;
  for (int i = 0; i < 256; ++i) {
    const uint8_t d = byteWriteData[i];
    const uint8_t check = static_cast<uint8_t>(0x02 ^ i ^ d ^ 0x30);
    byteWriteFrames.push_back(Hex({0x6E, 0x04, 0x5A, 0x02, static_cast<uint8_t>(i), d, check}));
  }
  ASSERT_EQ(byteWriteFrames[0x80], "6E 04 5A 02 80 55 E7");

  const Bytes programHead = {0x6E, 0x00, 0x3C};
  const Bytes keys = {0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC};
  const Bytes blank(512, 0xFF), zeros(512, 0x00);

  struct Case {
    const char* name;
    std::function<void(TIspDevice&)> run;
    Frames frames;
    int sleptMs;
  };
  const Case cases[] = {
      {"chip erase", [](TIspDevice& d) { d.ChipErase(); }, {"6E 07 1E AA 55 CC 33 E2 1D 88"}, 0},
      {"program page 0, blank", [&](TIspDevice& d) { d.ProgramPage(0, blank.data()); },
       {Hex(Cat(Cat(Cat(programHead, {0x00}), keys), Cat(blank, {0xAD})))}, 0},
      {"program page 5, zeros", [&](TIspDevice& d) { d.ProgramPage(5, zeros.data()); },
       {Hex(Cat(Cat(Cat(programHead, {0x05}), keys), Cat(zeros, {0xA8})))}, 0},
      {"setup", [](TIspDevice& d) { d.SendSetup(0xF0, 0x1C, 0x48); }, {"6E 04 78 F0 1C 48 B6"}, 0},
      {"select read page 0x10", [](TIspDevice& d) { d.SelectReadPage(0x10); }, {"6E 02 4B 10 37"}, 0},
      {"byte write page 2", [&](TIspDevice& d) { d.ByteWritePage(2, byteWriteData.data()); }, byteWriteFrames,
       256},
      {"ISP mode 1", [](TIspDevice& d) { d.SetIspMode(1); }, {"04", "34", "06", "36"}, 0},
      {"ISP mode 0", [](TIspDevice& d) { d.SetIspMode(0); }, {"04", "34", "06", "3C"}, 0},
      {"ISP mode 7", [](TIspDevice& d) { d.SetIspMode(7); }, {"04", "34", "06", "3C"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimRig rig("fault=absent");  // lines follow the master only: nothing but its own bytes
    c.run(*rig.isp);
    EXPECT_EQ(rig.port->Frames(), c.frames);
    EXPECT_EQ(rig.clock.SleptMs(), c.sleptMs);
    EXPECT_TRUE(rig.port->Scl() && rig.port->Sda()) << "every operation leaves both lines released";
  }
}

// Command frames between one START and one STOP; the ISP mode sequence as
// repeated starts with the clock released after each acknowledge.
TEST(IspFrames, TransactionsAreFramedByStartAndStop) {
  SimRig rig("id=0x3B5C");
  rig.isp->SetIspMode(1);
  rig.isp->ChipErase();
  const std::vector<std::string> lines = rig.port->TraceLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "S 04+ Sr 34+ Sr 06+ Sr 36+ P");
  EXPECT_EQ(lines[1].rfind("S 6E+ 07+ 1E+ AA+ 55+ CC+ 33+ E2+ 1D+ 88+ P", 0), 0u) << lines[1];
}

// Replies as the target chooses to send them, from a scripted target that
// acknowledges the read address and shifts out the given bytes.
TEST(IspReplies, OnlyTheStatusByteDecidesAndTheIdIsHighThenLow) {
  enum Reader { Erase, Program, ByteWrite, Page, ChipId };
  struct Case {
    const char* name;
    Reader reader;
    Bytes reply;
    int result;  // the boolean, or the chip ID
  };
  const Case cases[] = {
      {"erase accepted", Erase, {0x00, 0xE1, 0x00}, 1},
      {"erase accepted, odd first and final", Erase, {0xFF, 0xE1, 0xFF}, 1},
      {"erase accepted, other odd bytes", Erase, {0x5A, 0xE1, 0xA5}, 1},
      {"erase, status in the wrong place", Erase, {0xE1, 0x00, 0xE1}, 0},
      {"erase, nobody there", Erase, {}, 0},
      {"program accepted", Program, {0x00, 0xC3, 0x00}, 1},
      {"program refused", Program, {0x00, 0xE1, 0x00}, 0},
      {"byte write accepted", ByteWrite, {0x77, 0xA5, 0x88}, 1},
      {"byte write refused", ByteWrite, {0x00, 0xC3, 0x00}, 0},
      {"page accepted", Page, Cat(Cat({0x00, 0xB4}, Pattern(3)), {0x00}), 1},
      {"page refused, still stored", Page, Cat(Cat({0x00, 0x4B}, Pattern(9)), {0x00}), 0},
      {"page, nobody there", Page, {}, 0},
      {"chip ID", ChipId, {0x00, 0x3B, 0x5C, 0x00}, 0x3B5C},
      {"chip ID, odd first and final", ChipId, {0x12, 0x3B, 0x5C, 0x34}, 0x3B5C},
      {"chip ID, nobody there", ChipId, {}, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    test::WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    TIspDevice isp(bus, clock);
    port.sendBytes.assign(c.reply.begin(), c.reply.end());
    port.sendAfterBytes = 1;
    if (c.reply.empty()) port.sendAfterBytes = 1 << 20;  // never answers, never acknowledges

    Bytes page(512, 0xEE);
    int result = -1;
    switch (c.reader) {
      case Erase: result = isp.CheckEraseReply(); break;
      case Program: result = isp.CheckProgramReply(); break;
      case ByteWrite: result = isp.CheckByteWriteReply(); break;
      case Page: result = isp.ReadPage(page.data()); break;
      case ChipId: result = isp.ReadChipId(); break;
    }
    EXPECT_EQ(result, c.result);
    if (c.reader == Page) {
      const Bytes expected = c.reply.empty() ? Bytes(512, 0xFF) : Bytes(c.reply.begin() + 2, c.reply.end() - 1);
      EXPECT_EQ(page, expected) << "the payload overwrites the destination whatever the status";
    }
    EXPECT_EQ(port.starts, 1);
    EXPECT_EQ(port.stops, 1);
    EXPECT_TRUE(port.Scl() && port.Sda());
  }
}

// The busy handshake, counted in status reads and virtual milliseconds.
TEST(IspWaitReady, WaitsForTheTargetToTakeAndReleaseTheClock) {
  struct Case {
    const char* name;
    bool neverLow;
    int heldForReads;  // -1: held for ever
    bool ready;
    int statusReads;
    int sleptMs;
  };
  const Case cases[] = {
      {"target never takes the clock", true, 0, false, 20000, 0},
      {"taken and given back at once", false, 1, true, 2, 0},
      {"given back at the 2nd 1 ms reading", false, 2, true, 3, 1},
      {"given back at the 500th 1 ms reading", false, 500, true, 501, 499},
      {"still held after the 500th 1 ms reading", false, 501, false, 501, 500},
      {"held for ever", false, -1, false, 501, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    test::WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    TIspDevice isp(bus, clock);
    port.statusReads = 0;
    if (!c.neverLow) {
      if (c.heldForReads >= 0) {
        port.holdSclForReads = c.heldForReads;
      } else {
        port.holdScl = true;
      }
    }
    port.calls.clear();
    EXPECT_EQ(isp.WaitReady(), c.ready);
    EXPECT_EQ(port.statusReads, c.statusReads);
    EXPECT_EQ(clock.SleptMs(), c.sleptMs);
    EXPECT_TRUE(port.WritesOnly().empty()) << "the wait only listens";
  }
}

TEST(IspRecoverBus, SendsFourStartStopPairsUnlessBothLinesAreHigh) {
  struct Case {
    const char* name;
    std::function<void(TIicBus&)> leave;
    int starts;
    int stops;
  };
  const Case cases[] = {
      {"idle bus", [](TIicBus&) {}, 0, 0},
      {"after a start: both low", [](TIicBus& b) { b.Start(); }, 4, 4},
      {"after a byte: SCL low", [](TIicBus& b) { b.Start(); b.WriteByte(0x6E); }, 4, 4},
      // The first START releases SDA while SCL is high, itself a stop condition.
      {"after a clock pulse: SDA low", [](TIicBus& b) { b.Start(); b.ClockPulse(); }, 4, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    test::WiredPort port;
    TIicBus bus(port);
    bus.SetDelayCount(0);
    TIspDevice isp(bus, clock);
    c.leave(bus);
    port.starts = port.stops = 0;
    port.calls.clear();
    isp.RecoverBus();
    EXPECT_EQ(port.starts, c.starts);
    EXPECT_EQ(port.stops, c.stops);
    if (c.starts == 0) {
      EXPECT_TRUE(port.WritesOnly().empty()) << "nothing is sent on an idle bus";
    }
    EXPECT_TRUE(port.Scl() && port.Sda());
  }
}

// The simulated target's side of the handshake and replies, including its faults.
TEST(IspOnTheSimulatedTarget, HandshakeAndRepliesFollowTheTarget) {
  struct Case {
    const char* options;
    bool ready;
    int sleptMs;
    bool accepted;
  };
  const Case cases[] = {
      {"", true, 0, true},
      {"erase-ms=30", true, 30, true},
      {"fault=no-busy", false, 0, true},
      {"fault=stuck-busy", false, 500, false},
      {"fault=erase-reply", true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    SimRig rig(c.options);
    rig.isp->SetIspMode(1);
    rig.isp->ChipErase();
    EXPECT_EQ(rig.isp->WaitReady(), c.ready);
    EXPECT_NEAR(rig.clock.SleptMs(), c.sleptMs, 1);
    EXPECT_EQ(rig.isp->CheckEraseReply(), c.accepted);
  }
}

TEST(IspOnTheSimulatedTarget, ChipIdIsReportedInIspModeOnly) {
  struct Case {
    const char* options;
    bool enter;
    uint16_t id;
  };
  const Case cases[] = {
      {"id=0x3B5C", true, 0x3B5C},
      {"id=0x3B5C", false, 0xFFFF},
      {"id=0x3B5C,fault=absent", true, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.options) + (c.enter ? " in ISP mode" : ""));
    SimRig rig(c.options);
    if (c.enter) rig.isp->SetIspMode(1);
    EXPECT_EQ(rig.isp->ReadChipId(), c.id);
  }
}

// One whole session the way the commands run it: ISP on, ID, setup, erase,
// program a page, read it back, ISP off, with the exact frames on the wire.
TEST(IspOnTheSimulatedTarget, EraseProgramAndReadBackAPage) {
  SimRig rig("id=0x3B5C,pages=128");
  TIspDevice& isp = *rig.isp;
  const Bytes data = Pattern(1);
  Bytes readBack(512, 0x00);

  isp.PortAccess(true);
  isp.SetIspMode(1);
  isp.SetIspMode(1);
  rig.clock.SleepMs(20);
  EXPECT_EQ(isp.ReadChipId(), 0x3B5C);
  isp.SendSetup(0xF0, 0x1C, 0x48);
  isp.ChipErase();
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckEraseReply());
  isp.ProgramPage(3, data.data());
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.CheckProgramReply());
  isp.SelectReadPage(3);
  EXPECT_TRUE(isp.WaitReady());
  EXPECT_TRUE(isp.ReadPage(readBack.data()));
  isp.SetIspMode(0);
  isp.PortAccess(false);

  EXPECT_EQ(readBack, data);
  const std::vector<uint8_t>& flash = rig.port->Target().Flash();
  EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 3 * 512));
  EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + 3 * 512, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_FALSE(rig.port->Target().InIspMode());
  EXPECT_EQ(rig.port->OpenBrackets(), 0);

  uint8_t programCheck = 0x03 ^ 0xAD;
  for (uint8_t b : data) programCheck ^= b;
  const Frames expected = {
      "04", "34", "06", "36",  //
      "04", "34", "06", "36",  //
      "6F 00 3B 5C 00",
      "6E 04 78 F0 1C 48 B6",
      "6E 07 1E AA 55 CC 33 E2 1D 88",
      "6F 00 E1 00",
      Hex(Cat(Cat({0x6E, 0x00, 0x3C, 0x03, 0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC}, data), {programCheck})),
      "6F 00 C3 00",
      "6E 02 4B 03 24",
      Hex(Cat(Cat({0x6F, 0x00, 0xB4}, data), {0x00})),
      "04", "34", "06", "3C",
  };
  EXPECT_EQ(rig.port->Frames(), expected);
}

TEST(IspOnTheSimulatedTarget, ByteWritePageWritesTheFirstHalfOfAPage) {
  SimRig rig("");
  const Bytes data = Pattern(5);
  rig.isp->SetIspMode(1);
  rig.isp->ByteWritePage(2, data.data());
  EXPECT_TRUE(rig.isp->CheckByteWriteReply());
  EXPECT_EQ(rig.clock.SleptMs(), 256);
  const std::vector<uint8_t>& flash = rig.port->Target().Flash();
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 256, flash.begin() + 2 * 512));
  EXPECT_TRUE(std::all_of(flash.begin() + 2 * 512 + 256, flash.begin() + 3 * 512, [](uint8_t b) { return b == 0xFF; }))
      << "only 256 bytes travel";
}

}  // namespace
}  // namespace tq
