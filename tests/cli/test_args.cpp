// The command line: what is accepted, what is refused before anything runs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/ArgParse.h"

namespace tq::cli {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

struct BadLine {
  const char* line;
  const char* error;  // a part of the message
};

TEST(CommandLine, RefusesBadLinesWithAReason) {
  const BadLine cases[] = {
      {"", "no command given"},
      {"--yes", "no command given"},
      {"load", "load needs a file name"},
      {"load --kind hex", "load needs a file name"},
      {"save", "save needs a file name"},
      {"flash", "unknown command 'flash'"},
      {"auto --force", "unknown option '--force'"},
      {"--mcu 3 load a.hex", "option --mcu belongs to the command 'load'"},
      {"load a.hex auto --mcu 3", "not to 'auto'"},
      {"load a.hex --kind srec", "--kind takes hex, bank or bin"},
      {"load a.hex --mcu 0", "--mcu takes a model number from 1 to 29"},
      {"load a.hex --mcu 30", "--mcu takes a model number from 1 to 29"},
      {"load a.hex --mcu two", "--mcu takes a model number"},
      {"load a.hex --mcu", "--mcu needs a value"},
      {"save b.hex --fill 16k", "--fill takes 32k, 60k, 64k, 128k or bin"},
      {"speed", "exactly one of --detect and --set COUNT"},
      {"speed --detect --set 100", "exactly one of --detect and --set COUNT"},
      {"speed --set fast", "--set takes a whole number"},
      {"speed --set", "--set needs a value"},
      {"report --company", "--company needs a value"},
      {"--port", "--port needs a port"},
      {"--yes --no read", "--yes and --no exclude each other"},
      {"--trace=1 read", "--trace takes no value"},
      {"speed --detect=yes", "--detect takes no value"},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseCommandLine(Split(c.line), "/work");
    EXPECT_NE(r.error.find(c.error), std::string::npos)
        << "line: " << c.line << "\nerror: " << r.error;
  }
}

TEST(CommandLine, HelpWinsOverEverythingElse) {
  for (const char* line : {"--help", "-h", "flash --help", "load"}) {
    const ParseResult r = ParseCommandLine(Split(std::string(line) + " --help"), "/");
    EXPECT_TRUE(r.error.empty()) << line;
    EXPECT_TRUE(r.options.help) << line;
  }
}

TEST(CommandLine, ReadsGlobalOptionsAnywhere) {
  const ParseResult r =
      ParseCommandLine(Split("--port sim:pages=64 read --no --trace mcus --verbose"), "/");
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.options.port, "sim:pages=64");
  EXPECT_EQ(r.options.sizeAnswer, Answer::No);
  EXPECT_TRUE(r.options.trace);
  EXPECT_TRUE(r.options.verbose);
  ASSERT_EQ(r.options.commands.size(), 2u);
  EXPECT_EQ(r.options.commands[0].kind, CommandKind::Read);
  EXPECT_EQ(r.options.commands[1].kind, CommandKind::Mcus);

  const ParseResult inlineForm = ParseCommandLine(Split("--port=/dev/parport1 --yes auto"), "/");
  EXPECT_EQ(inlineForm.options.port, "/dev/parport1");
  EXPECT_EQ(inlineForm.options.sizeAnswer, Answer::Yes);
}

struct LoadCase {
  const char* line;
  const char* file;
  int filter;
  int mcu;  // 0: none
};

TEST(CommandLine, LoadTakesItsKindFromTheExtensionUnlessTold) {
  const LoadCase cases[] = {
      {"load fw.hex", "/base/fw.hex", 1, 0},
      {"load FW.HEX", "/base/FW.HEX", 1, 0},
      {"load set.h00", "/base/set.h00", 2, 0},
      {"load set.h03", "/base/set.h03", 2, 0},
      {"load set.h04", "/base/set.h04", 1, 0},
      {"load image.bin", "/base/image.bin", 3, 0},
      {"load image.srec", "/base/image.srec", 1, 0},
      {"load image.bin --kind hex", "/base/image.bin", 1, 0},
      {"load fw.hex --kind=bank", "/base/fw.hex", 2, 0},
      {"load ../up/fw.hex --mcu 4", "/up/fw.hex", 1, 4},
      {"load /abs/./fw.hex --mcu=29 --kind bin", "/abs/fw.hex", 3, 29},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseCommandLine(Split(c.line), "/base");
    ASSERT_TRUE(r.error.empty()) << c.line << ": " << r.error;
    ASSERT_EQ(r.options.commands.size(), 1u);
    const Command& cmd = r.options.commands[0];
    EXPECT_EQ(cmd.kind, CommandKind::Load);
    EXPECT_EQ(cmd.file, c.file) << c.line;
    EXPECT_EQ(cmd.filterIndex, c.filter) << c.line;
    EXPECT_EQ(cmd.mcu.value_or(0), c.mcu) << c.line;
  }
}

TEST(CommandLine, SaveFillsAreTheSaveDialogsFilters) {
  const std::pair<const char*, int> cases[] = {
      {"save out.hex", 1},           {"save out.hex --fill 32k", 2},
      {"save out.hex --fill 60k", 3}, {"save out.hex --fill 64k", 4},
      {"save out.hex --fill 128K", 5}, {"save out.hex --fill bin", 6},
      {"save out.bin", 1},  // the extension does not choose a writer
  };
  for (const auto& [line, filter] : cases) {
    const ParseResult r = ParseCommandLine(Split(line), "/base");
    ASSERT_TRUE(r.error.empty()) << line << ": " << r.error;
    EXPECT_EQ(r.options.commands[0].filterIndex, filter) << line;
  }
}

TEST(CommandLine, ReportAndSpeedKeepTheirValues) {
  const std::vector<std::string> args = {"report", "--company", "", "report", "speed",
                                         "--set",  "-5",        "speed", "--detect"};
  const ParseResult r = ParseCommandLine(args, "/");
  ASSERT_TRUE(r.error.empty()) << r.error;
  const auto& c = r.options.commands;
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].company, std::string());  // an empty company is a company
  EXPECT_FALSE(c[1].company.has_value());
  EXPECT_TRUE(c[2].set);
  EXPECT_EQ(c[2].count, -5);
  EXPECT_TRUE(c[3].detect);
}

struct OrderCase {
  const char* line;
  const char* refusal;  // empty: accepted
};

// Mirrors the command-state table: a command whose button and menu item
// are both disabled at its point cannot be pressed.
TEST(CommandLine, RefusesCommandsTheWindowWouldHaveDisabled) {
  const OrderCase cases[] = {
      {"erase", "erase needs the ISP link on"},
      {"program", "program needs the ISP link on"},
      {"isp-off", "isp-off needs the ISP link on"},
      {"auto", "auto needs a file"},
      {"isp-on isp-on", "isp-on cannot run while the ISP link is on"},
      {"isp-on erase isp-off program", "program needs the ISP link on"},
      {"load a.hex auto erase", "erase needs the ISP link on"},
      {"isp-on read erase", "erase needs the ISP link on"},
      {"isp-on erase program isp-off", ""},
      {"load a.hex auto auto", ""},
      {"load a.hex read auto", ""},  // the Auto item stays on after a read
      {"read read mcus view report save b.hex speed --set 50", ""},
      {"isp-on read isp-on isp-off", ""},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseCommandLine(Split(c.line), "/");
    ASSERT_TRUE(r.error.empty()) << c.line << ": " << r.error;
    const std::string refusal = CheckCommandOrder(r.options.commands);
    if (*c.refusal == '\0')
      EXPECT_EQ(refusal, "") << c.line;
    else
      EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.line << ": " << refusal;
  }
}

TEST(CommandLine, HelpNamesEveryCommandTheExitStatusesAndTheSimOptions) {
  const std::string help = HelpText("  fault=absent   no target\n");
  for (const char* part : {"load FILE", "isp-on", "isp-off", "erase", "program", "read", "auto",
                           "mcus", "save FILE", "--fill 32k|60k|64k|128k|bin", "report",
                           "--company NAME", "speed --detect", "speed --set COUNT", "view",
                           "--port", "--yes", "--no", "--trace", "TARNQUILL_PORT",
                           "Exit status", "usage error", "fault=absent   no target"})
    EXPECT_NE(help.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace tq::cli
