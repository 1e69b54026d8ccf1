#include "bus/PpdevPort.h"

#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "bus/IicBus.h"

namespace tq {
namespace {

// Stands in for the kernel: records every call and refuses what a test asks
// it to refuse. Like the real device it rejects register access on a port
// that is not claimed, so a lost claim shows up as a failed call.
class FakePpdev final : public PpdevCalls {
 public:
  int openError = 0;
  int claimError = 0;
  unsigned char status = 0x88;
  std::vector<std::string> log;
  bool claimed = false;
  int unclaimedAccesses = 0;
  int closes = 0;

  int Open(const std::string& path) override {
    log.push_back("open " + path);
    return openError ? -openError : 7;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    EXPECT_EQ(fd, 7);
    auto* byte = static_cast<unsigned char*>(arg);
    auto hex = [](unsigned v) {
      char text[8];
      std::snprintf(text, sizeof text, "%02X", v);
      return std::string(text);
    };
    if (request == PPCLAIM) {
      log.push_back("claim");
      if (claimError) return -claimError;
      claimed = true;
      return 0;
    }
    if (request == PPRELEASE) {
      log.push_back("release");
      claimed = false;
      return 0;
    }
    if (!claimed) {
      ++unclaimedAccesses;
      return -ENXIO;
    }
    if (request == PPWDATA) {
      log.push_back("data " + hex(*byte));
    } else if (request == PPWCONTROL) {
      log.push_back("control " + hex(*byte));
    } else if (request == PPRSTATUS) {
      log.push_back("status");
      *byte = status;
    } else {
      log.push_back("other");
    }
    return 0;
  }
  void Close(int fd) override {
    EXPECT_EQ(fd, 7);
    ++closes;
  }
};

using Log = std::vector<std::string>;

TEST(PpdevPort, ClaimsAroundTheBracketAndAroundAWriteOutsideIt) {
  FakePpdev kernel;
  {
    PpdevPort port("/dev/parport1", kernel);
    EXPECT_EQ(port.Describe(), "/dev/parport1");
    EXPECT_EQ(port.Problem(), "");
    EXPECT_EQ(kernel.log, (Log{"open /dev/parport1", "claim", "release"})) << "one trial claim at opening";

    // The bus start-up: its bracket claims, 0xF8 to the status address goes nowhere.
    kernel.log.clear();
    TIicBus bus(port);
    EXPECT_EQ(kernel.log, (Log{"claim", "data 55", "control 0B", "release"}));

    // The pin-map selection writes outside any bracket.
    kernel.log.clear();
    bus.SelectPinMap(0);
    EXPECT_EQ(kernel.log, (Log{"claim", "data 55", "release"}));

    // Inside a bracket: one claim for the whole command, reads and writes as they come.
    kernel.log.clear();
    bus.PortAccess(true);
    kernel.status = 0x88;
    EXPECT_EQ(bus.GetScl(), 1);
    EXPECT_EQ(bus.GetSda(), 1);
    kernel.status = 0x77;
    EXPECT_EQ(bus.GetScl(), 0);
    EXPECT_EQ(bus.GetSda(), 0);
    bus.SetScl(0);
    bus.SetSda(0);
    bus.PortAccess(false);
    EXPECT_EQ(kernel.log, (Log{"claim", "status", "status", "status", "status", "control 03", "data D5",
                               "release"}));
    EXPECT_FALSE(port.Claimed());
    EXPECT_EQ(kernel.unclaimedAccesses, 0);
  }
  EXPECT_EQ(kernel.closes, 1);
}

TEST(PpdevPort, APortThatCannotBeUsedSaysWhyAndDoesNothing) {
  struct Case {
    int openError, claimError;
    std::string problem;
  };
  const Case cases[] = {
      {EACCES, 0,
       "/dev/parport0: Permission denied; add your user to the group that owns the device (usually lp)"},
      {ENOENT, 0,
       "/dev/parport0: No such file or directory; no such parallel port here; load the ppdev module "
       "(modprobe ppdev) or name another port in TARNQUILL_PORT"},
      {0, EBUSY, "/dev/parport0: Device or resource busy; another driver or program holds the port"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    FakePpdev kernel;
    kernel.openError = c.openError;
    kernel.claimError = c.claimError;
    {
      PpdevPort port("/dev/parport0", kernel);
      EXPECT_EQ(port.Problem(), c.problem);
      TIicBus bus(port);
      bus.SelectPinMap(0);
      bus.PortAccess(true);
      EXPECT_EQ(port.PortRead(kStatusPort), 0xFF) << "reads as a bus with nothing behind it";
      bus.PortAccess(false);
      EXPECT_EQ(port.Problem(), c.problem) << "the first reason is kept";
    }
    EXPECT_EQ(kernel.unclaimedAccesses, 0);
    for (const std::string& line : kernel.log) EXPECT_TRUE(line == "open /dev/parport0" || line == "claim") << line;
    EXPECT_EQ(kernel.closes, c.openError ? 0 : 1);
  }
}

}  // namespace
}  // namespace tq
