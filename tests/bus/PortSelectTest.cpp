#include "bus/PortSelect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/Clock.h"

namespace tq {
namespace {

TEST(PortSelect, ParsesEverySpecIntoItsBackEndOrAUsageError) {
  struct Case {
    std::string portName;
    bool opened;
    bool simulated;
    std::string describePrefix;  // of the back-end, when opened
  };
  const Case cases[] = {
      {"sim", true, true, ""},
      {"sim:pages=64,id=0x3B2E", true, true, ""},
      {"/nonexistent/parport1", true, false, "/nonexistent/parport1"},
      {"", true, false, "/dev/parport0"},  // unset: the real port, never the simulation
      {"io", true, false, "direct I/O at 0x378"},
      {"io:0x278", true, false, "direct I/O at 0x278"},
      {"io:632", true, false, "direct I/O at 0x278"},
      {"parport0", false, false, ""},
      {"simulated", false, false, ""},
      {"sim:pages=banana", false, false, ""},
      {"io:", false, false, ""},
      {"io:0x", false, false, ""},
      {"io:0", false, false, ""},
      {"io:0x10000", false, false, ""},
      {"io:12z", false, false, ""},
      {"IO", false, false, ""},
  };
  VirtualClock clock;
  for (const Case& c : cases) {
    SCOPED_TRACE("portName \"" + c.portName + "\"");
    std::string error = "stale";
    std::unique_ptr<PortIo> port = OpenPort(c.portName, clock, error);
    ASSERT_EQ(port != nullptr, c.opened) << error;
    if (!port) {
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
      continue;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(port->IsSimulated(), c.simulated);
    EXPECT_EQ(port->Describe().rfind(c.describePrefix, 0), 0u) << port->Describe();
  }
}

TEST(PortSelect, ADeviceThatCannotBeOpenedIsStillAPortWithAReason) {
  VirtualClock clock;
  std::string error;
  std::unique_ptr<PortIo> port = OpenPort("/nonexistent/parport1", clock, error);
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(port->IsSimulated()) << "never falls back to the simulation";
  EXPECT_EQ(port->Problem().rfind("/nonexistent/parport1: No such file or directory; ", 0), 0u) << port->Problem();
  EXPECT_EQ(port->PortRead(kStatusPort), 0xFF);
  port->PortWrite(kDataPort, 0x55);  // neither crashes nor pretends
}

TEST(PortSelect, TheSpecComesFromTarnquillPort) {
  ASSERT_EQ(::setenv("TARNQUILL_PORT", "sim:pages=64", 1), 0);
  EXPECT_EQ(PortSpecFromEnvironment(), "sim:pages=64");
  ASSERT_EQ(::unsetenv("TARNQUILL_PORT"), 0);
  EXPECT_EQ(PortSpecFromEnvironment(), "");
}

}  // namespace
}  // namespace tq
