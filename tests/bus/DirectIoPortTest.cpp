#include "bus/DirectIoPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "bus/IicBus.h"

namespace tq {
namespace {

class FakeIo final : public DirectIoCalls {
 public:
  bool available = true;
  int iopermError = 0;
  std::vector<std::string> log;

  bool Available() const override { return available; }
  int Ioperm(uint16_t from, uint16_t count, bool on) override {
    log.push_back("ioperm " + Hex(from) + " " + std::to_string(count) + (on ? " on" : " off"));
    return iopermError ? -iopermError : 0;
  }
  uint8_t Inb(uint16_t port) override {
    log.push_back("in " + Hex(port));
    return 0x88;
  }
  void Outb(uint16_t port, uint8_t value) override { log.push_back("out " + Hex(port) + " " + Hex(value)); }

  static std::string Hex(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", v);
    return text;
  }
};

using Log = std::vector<std::string>;

TEST(DirectIoPort, MapsTheRegistersOntoItsBaseAndNeedsNoBracket) {
  FakeIo io;
  {
    DirectIoPort port(0x278, io);
    EXPECT_EQ(port.Describe(), "direct I/O at 0x278");
    EXPECT_EQ(port.Problem(), "");
    TIicBus bus(port);
    EXPECT_FALSE(bus.NeedPortAccess) << "permission is held for the whole run";
    EXPECT_EQ(bus.GetScl(), 1);
    EXPECT_EQ(io.log, (Log{"ioperm 278 3 on", "out 278 55", "out 279 F8", "out 27A B", "in 279"}));
  }
  EXPECT_EQ(io.log.back(), "ioperm 278 3 off");
}

TEST(DirectIoPort, WithoutPermissionEveryAccessIsSkippedAndProblemSaysWhy) {
  struct Case {
    bool available;
    int error;
    std::string problem;
  };
  const Case cases[] = {
      {true, EPERM,
       "direct I/O at 0x378: Operation not permitted; direct port I/O needs root or CAP_SYS_RAWIO; or use "
       "/dev/parport0 (ppdev)"},
      {true, EINVAL, "direct I/O at 0x378: Invalid argument; ioperm reaches only ports below 0x400"},
      {false, 0, "direct I/O at 0x378: direct port I/O needs an x86 processor; use a ppdev device such as /dev/parport0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    FakeIo io;
    io.available = c.available;
    io.iopermError = c.error;
    {
      DirectIoPort port(kDefaultIoBase, io);
      EXPECT_EQ(port.Problem(), c.problem);
      TIicBus bus(port);
      bus.SelectPinMap(0);
      EXPECT_EQ(port.PortRead(kStatusPort), 0xFF);
      EXPECT_EQ(bus.GetSda(), 1);
    }
    for (const std::string& line : io.log) EXPECT_EQ(line.rfind("ioperm", 0), 0u) << line;
    EXPECT_LE(io.log.size(), 1u) << "no permission to give back";
  }
}

// On the machine itself: either permission is granted or the port refuses
// cleanly with a reason. Nothing is written to the port.
TEST(DirectIoPort, TheRealCallsRefuseCleanlyWithoutPermission) {
  DirectIoPort port;
  EXPECT_EQ(port.Permitted(), port.Problem().empty()) << port.Problem();
}

}  // namespace
}  // namespace tq
