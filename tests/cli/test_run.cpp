// The speed measurement through the command line, in virtual time: a real
// run takes up to 50 seconds, so it is driven in-process with a clock that
// moves on each reading of the time of day.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/Cli.h"
#include "core/Clock.h"

namespace tq::cli {
namespace {

namespace fs = std::filesystem;

class SpeedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tq-cli-run-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    // Each reading of the time moves it on by 1 ms, so a measured second
    // holds about a thousand bursts: count 25 is already slow enough.
    clock_.SetOnRead([](VirtualClock& c) { c.AdvanceUs(1000); });
  }
  void TearDown() override { fs::remove_all(dir_); }

  int Run(const std::vector<std::string>& args, bool errIsTerminal = false) {
    const TerminalStreams streams{out_, err_, in_, errIsTerminal, false};
    return RunCli(args, dir_.string(), streams, CliHost{clock_, dir_.string()});
  }
  std::string Ini() const {
    std::ifstream in(dir_ / "tarnquil.ini");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
  VirtualClock clock_;
  std::ostringstream out_, err_;
  std::istringstream in_;
};

TEST_F(SpeedRun, DetectStoresTheMeasuredCountAndShowsItsProgressOnATerminal) {
  std::ofstream(dir_ / "tarnquil.ini") << "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=300\nPATH=/\n";
  EXPECT_EQ(Run({"--port", "sim", "speed", "--detect"}, true), 0);
  EXPECT_NE(Ini().find("IIC_SPEED=25"), std::string::npos) << Ini();
  const std::string err = err_.str();
  EXPECT_NE(err.find("] 25/1250 delay count"), std::string::npos) << err;
  EXPECT_NE(err.find("Detecting..."), std::string::npos) << err;
  EXPECT_NE(err.find("speed: IIC_SPEED 25, CPU Clock (MHz) 100\n"), std::string::npos) << err;
  // Standard output keeps to the log: the start-up lines only.
  EXPECT_EQ(out_.str().find("speed"), std::string::npos) << out_.str();
}

TEST_F(SpeedRun, FirstStartMeasuresOnceBeforeTheCommands) {
  EXPECT_EQ(Run({"--port", "sim", "mcus"}), 0);
  EXPECT_NE(Ini().find("IIC_SPEED=25"), std::string::npos) << Ini();
  EXPECT_EQ(err_.str(),
            "note: measuring the bus speed once; this takes up to about 50 seconds\n"
            "speed: IIC_SPEED 25, CPU Clock (MHz) 100\n");
  const std::string out = out_.str();
  EXPECT_EQ(out.rfind("Kelvane Tarnquill V2.3\nInformation file (tarnquil.ini)  V1.3\n", 0), 0u)
      << out;
  EXPECT_NE(out.find("-- Support MCU Type --\n   KV200/KV210\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace tq::cli
