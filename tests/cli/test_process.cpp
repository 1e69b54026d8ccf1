// tarnquill-cli end to end, as a process against the simulated target.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "CliProcess.h"

namespace tq::cli::test {
namespace {

const std::string kHyphens(55, '-');

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += "  " + l + "\n";
  return text;
}

// Each expected line is matched in full as a regular expression.
void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& patterns) {
  ASSERT_EQ(actual.size(), patterns.size()) << Joined(actual);
  for (size_t i = 0; i < patterns.size(); ++i)
    EXPECT_TRUE(std::regex_match(actual[i], std::regex(patterns[i])))
        << "line " << i << ": " << actual[i] << "\n  does not match " << patterns[i];
}

std::string Quoted(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

std::string FillChecksum(const std::vector<uint8_t>& image, int pages) {
  uint32_t sum = 0;
  for (uint8_t b : image) sum += b;
  sum += 0xFFu * (static_cast<uint32_t>(pages) * 512 - static_cast<uint32_t>(image.size()));
  return Hex4(static_cast<uint16_t>(sum));
}

TEST(CliProcess, AutoProgramsTheSimulatedFlashAndReadShowsItsChecksum) {
  CliDir dir;
  const std::vector<uint8_t> image = Pattern(10 * 512);
  WriteFile(dir.WorkDir() / "fw.hex", IntelHex(image));
  const fs::path flash = dir.Root() / "flash.bin";

  const ProcessResult r =
      dir.Run({"--port", "sim:flash=" + flash.string(), "load", "fw.hex", "--mcu", "4", "auto", "read"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  const std::string fw = Quoted((dir.WorkDir() / "fw.hex").string());
  const std::string fill = FillChecksum(image, 128);
  ExpectLines(r.OutLines(), {
      "Kelvane Tarnquill V2\\.3",
      "Information file \\(tarnquil\\.ini\\)  V1\\.3",
      kHyphens,
      "SIMULATED TARGET: virtual adapter, chip ID 0x3B2E, 128 pages.*",
      "Load File @\\(.+\\) - " + fw + " <\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d>",
      "HexFile CheckSum:" + FillChecksum(image, 10),
      "Fill \\(64k\\) Check Sum:" + fill + " - \\(KV230\\)",
      "------------ Auto -------------",
      "ReLoad File @\\(.+\\) - " + fw + " <.+>",
      "ISP ON",
      "Chip erase OK\\.",
      "Programing Success!!!",
      "ISP OFF\\.",
      "Used time : \\d+seconds",
      "------------ End --------------",
      "ISP ON",
      "ISP OFF\\.",
      "Check Sum:" + fill,
  });

  const std::string chip = ReadFile(flash);
  ASSERT_EQ(chip.size(), 128u * 512);
  EXPECT_EQ(chip.substr(0, image.size()), std::string(image.begin(), image.end()));
  EXPECT_EQ(chip.find_first_not_of('\xFF', image.size()), std::string::npos);
}

struct StatusCase {
  const char* name;
  std::string port;
  std::vector<std::string> commands;
  int status;
  std::string errLine;  // a whole line of standard error, or empty for none
  std::string outLine;  // a whole line of standard output
};

TEST(CliProcess, ExitStatusIsTheResultCodeOfTheFirstFailedCommand) {
  const std::vector<std::string> autoRun = {"load", "fw.hex", "--mcu", "4", "auto"};
  const StatusCase cases[] = {
      {"success", "sim", autoRun, 0, "", "Programing Success!!!"},
      {"no target", "sim:fault=absent", {"isp-on"}, 1, "error: Can't enter ISP mode!",
       "Can't enter ISP mode."},
      {"unknown chip", "sim:fault=unknown-id", autoRun, 1, "error: Can't enter ISP mode!",
       "ISP OFF."},
      {"file not found", "sim", {"load", "missing.hex"}, 1, "", "Open file fail."},
      {"program fault", "sim:fault=program-fail:1:2", autoRun, 2, "error: Programing Fail!",
       "Programing Fail!!!"},
      {"read fault", "sim:fault=no-busy", {"read"}, 3, "error: Read process fail!",
       "Reading fail!!!"},
      {"compare fault", "sim:fault=corrupt-read:2:2", autoRun, 4, "error: Comparing Fail!",
       "Compare Fail!!!"},
      {"erase fault", "sim:fault=erase-reply", autoRun, 5, "error: Chip erase fail!",
       "Chip erase fail!!!"},
      {"erase without handshake", "sim:fault=no-busy", {"isp-on", "erase"}, 5, "",
       "Chip erase fail!!!"},
      {"--mcu not in the list", "sim", {"load", "fw.hex", "--mcu", "13"}, 1,
       "error: --mcu 13: the model list has no item 13 (1. KV200/KV210 (60K), 2. KV200G (60K), "
       "3. KV200G (64K), 4. KV230 (64K), 5. KV240/KV250 (128K), 6. KV250A/240A (128K), "
       "7. KV300/310-64K (64K), 8. KV300/310-128K (128K), 9. KV320-64K (64K), "
       "10. KV320-128K (128K), 11. KV330-64K (64K), 12. KV330-128K (128K))",
       "HexFile CheckSum:" + FillChecksum(Pattern(10 * 512), 10)},
  };
  for (const auto& c : cases) {
    CliDir dir;
    WriteFile(dir.WorkDir() / "fw.hex", IntelHex(Pattern(10 * 512)));
    std::vector<std::string> args = {"--port", c.port};
    args.insert(args.end(), c.commands.begin(), c.commands.end());
    const ProcessResult r = dir.Run(args);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err;
    if (c.errLine.empty())
      EXPECT_EQ(r.err, "") << c.name;
    else
      EXPECT_TRUE(Contains(r.ErrLines(), c.errLine)) << c.name << ":\n" << r.err;
    EXPECT_TRUE(Contains(r.OutLines(), c.outLine)) << c.name << ":\n" << r.out;
  }
}

TEST(CliProcess, TheRunStopsAtTheFirstFailedCommand) {
  CliDir dir;
  const ProcessResult r = dir.Run({"--port", "sim:fault=absent", "isp-on", "mcus"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(Contains(r.OutLines(), "-- Support MCU Type --")) << r.out;
}

TEST(CliProcess, BadCommandLinesAreUsageErrorsAndNothingRuns) {
  struct Case {
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    std::string reason;
  };
  const Case cases[] = {
      {{"--port", "sim", "flash"}, {}, "unknown command 'flash'"},
      {{"--port", "sim", "load"}, {}, "load needs a file name"},
      {{"--port", "sim", "read", "--fast"}, {}, "unknown option '--fast'"},
      {{"--port", "sim", "erase"}, {}, "erase needs the ISP link on"},
      {{"--port", "serial", "read"}, {}, "--port: unknown port"},
      {{"--port", "sim:pages=999", "read"}, {}, "--port: sim: pages=999"},
      {{"read"}, {{"TARNQUILL_PORT", "serial"}}, "TARNQUILL_PORT: unknown port"},
  };
  for (const auto& c : cases) {
    CliDir dir;
    const ProcessResult r = dir.Run(c.args, c.env);
    EXPECT_EQ(r.status, 2) << c.reason;
    EXPECT_EQ(r.out, "") << c.reason;
    const auto err = r.ErrLines();
    ASSERT_EQ(err.size(), 2u) << r.err;
    EXPECT_EQ(err[0].rfind("usage error: ", 0), 0u) << err[0];
    EXPECT_NE(err[0].find(c.reason), std::string::npos) << err[0];
    EXPECT_NE(err[1].find("--help"), std::string::npos);
  }
}

// A 121-page image for a 120-page chip: the size question.
TEST(CliProcess, TheSizeQuestionIsAnsweredByTheFlagsAndNoIsNotASuccess) {
  struct Case {
    std::vector<std::string> flag;
    int status;
    std::string confirm;
    bool written;
  };
  const std::string question = "confirm: Code size over Max size!! Write anyway? ";
  const Case cases[] = {
      {{}, 2, question + "no (not a terminal; --yes answers yes)", false},
      {{"--no"}, 2, question + "no (--no)", false},
      {{"--yes"}, 0, question + "yes (--yes)", true},
  };
  for (const auto& c : cases) {
    CliDir dir;
    WriteFile(dir.WorkDir() / "big.hex", IntelHex(Pattern(121 * 512)));
    std::vector<std::string> args = {"--port", "sim:id=0x55AA,pages=256", "load", "big.hex", "auto"};
    args.insert(args.end(), c.flag.begin(), c.flag.end());
    const ProcessResult r = dir.Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.ErrLines(), std::vector<std::string>{c.confirm});
    const auto out = r.OutLines();
    EXPECT_EQ(Contains(out, "Code size over Max size!!!"), c.written);
    EXPECT_EQ(Contains(out, "Programing Success!!!"), c.written);
    // The sequence itself goes on to its end either way.
    EXPECT_EQ(out.back(), "------------ End --------------");
  }
}

TEST(CliProcess, AnUnwritableConfigurationEndsTheStartUp) {
  CliDir dir("");
  fs::create_directory(dir.Ini());  // a directory where the file should be
  const ProcessResult r = dir.Run({"--port", "sim", "mcus"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "error: Unable to write to " + dir.Ini().string() + "\n");
}

TEST(CliProcess, PortComesFromTheOptionThenTheEnvironmentNeverTheSimulationByDefault) {
  struct Case {
    const char* name;
    const char* env;  // nullptr: unset
    std::vector<std::string> args;
    std::string noteStart;  // the start-up line after the hyphens; empty: none
    int status;
  };
  const Case cases[] = {
      {"environment", "sim", {"isp-on", "isp-off"}, "SIMULATED TARGET: ", 0},
      {"option wins", "sim:fault=absent", {"--port", "sim", "isp-on", "isp-off"},
       "SIMULATED TARGET: ", 0},
      {"option wins over a device", "/dev/tq-no-such-parport", {"--port", "sim", "isp-on"},
       "SIMULATED TARGET: ", 0},
      {"a device that is not there", nullptr, {"--port", "/dev/tq-no-such-parport", "isp-on"},
       "Port not available: /dev/tq-no-such-parport", 1},
  };
  for (const auto& c : cases) {
    CliDir dir;
    std::map<std::string, std::string> env;
    if (c.env) env["TARNQUILL_PORT"] = c.env;
    const ProcessResult r = dir.Run(c.args, env);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err;
    const auto out = r.OutLines();
    ASSERT_GE(out.size(), 4u) << c.name;
    EXPECT_EQ(out[2], kHyphens);
    EXPECT_EQ(out[3].rfind(c.noteStart, 0), 0u) << c.name << ": " << out[3];
  }

  // Neither: /dev/parport0, whether or not this machine has one.
  CliDir dir;
  const ProcessResult r = dir.Run({"mcus"});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto out = r.OutLines();
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(r.out.find("SIMULATED"), std::string::npos) << r.out;
  if (out[3] != "-- Support MCU Type --") {
    EXPECT_NE(out[3].find("/dev/parport0"), std::string::npos) << out[3];
  }
  ExpectLines(std::vector<std::string>(out.end() - 14, out.end()),
              {"-- Support MCU Type --", "   KV200/KV210", "   KV200G", "   KV200G", "   KV230",
               "   KV240/KV250", "   KV250A/240A", "   KV300/310-64K", "   KV300/310-128K",
               "   KV320-64K", "   KV320-128K", "   KV330-64K", "   KV330-128K", "-- End --"});
}

TEST(CliProcess, TraceShowsTheWireOnStandardError) {
  CliDir dir;
  const ProcessResult quiet = dir.Run({"--port", "sim", "isp-on", "erase", "isp-off"});
  EXPECT_EQ(quiet.err, "");
  const ProcessResult r = dir.Run({"--port", "sim", "--trace", "isp-on", "erase", "isp-off"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, quiet.out);
  EXPECT_NE(r.err.find("S 6E+ 07+ 1E+ AA+ 55+ CC+ 33+ E2+ 1D+ 88+ P"), std::string::npos) << r.err;
}

TEST(CliProcess, HelpListsCommandsExitStatusesAndSimOptions) {
  CliDir dir;
  const ProcessResult r = dir.Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  for (const char* part : {"Usage: tarnquill-cli", "load FILE", "speed --detect", "Exit status",
                           "fault=NAME", "corrupt-read:N[:K]", "flash=FILE"})
    EXPECT_NE(r.out.find(part), std::string::npos) << part;
}

// ---- the remaining commands --------------------------------------------------

TEST(CliProcess, SaveWritesEachFillSizeOrRefuses) {
  struct Case {
    int imagePages;
    std::vector<std::string> fill;
    int status;
    size_t lines;  // HEX lines, or bytes of a binary
    std::string lastLog;
  };
  const Case cases[] = {
      {3, {}, 0, 1 + 3 * 32 + 1, "File Saved."},
      {3, {"--fill", "32k"}, 0, 1 + 64 * 32 + 1, "File Saved."},
      {3, {"--fill", "60k"}, 0, 1 + 120 * 32 + 1, "File Saved."},
      {3, {"--fill", "64k"}, 0, 1 + 128 * 32 + 1, "File Saved."},
      {3, {"--fill", "128k"}, 0, 2 + 256 * 32 + 1, "File Saved."},
      {3, {"--fill", "bin"}, 0, 3 * 512, "File Saved."},
      {65, {"--fill", "32k"}, 1, 0, "Save File canceled!"},
  };
  for (const auto& c : cases) {
    CliDir dir;
    const std::vector<uint8_t> image = Pattern(static_cast<size_t>(c.imagePages) * 512);
    WriteFile(dir.WorkDir() / "fw.hex", IntelHex(image));
    std::vector<std::string> args = {"--port", "sim", "load", "fw.hex", "save", "out/saved.dat"};
    fs::create_directory(dir.WorkDir() / "out");
    args.insert(args.end(), c.fill.begin(), c.fill.end());
    const ProcessResult r = dir.Run(args);
    const std::string label = c.fill.empty() ? "IntelHex" : c.fill[1];
    EXPECT_EQ(r.status, c.status) << label << "\n" << r.err;
    EXPECT_EQ(r.OutLines().back(), c.lastLog) << label;
    const fs::path saved = dir.WorkDir() / "out" / "saved.dat";
    if (c.status != 0) {
      EXPECT_FALSE(fs::exists(saved));
      EXPECT_TRUE(Contains(r.OutLines(), "Buffer size > File Size!"));
      continue;
    }
    const std::string content = ReadFile(saved);
    if (label == "bin") {
      EXPECT_EQ(content, std::string(image.begin(), image.end()));
      continue;
    }
    const auto lines = ProcessResult::Lines(content);
    EXPECT_EQ(lines.size(), c.lines) << label;
    EXPECT_EQ(lines.front(), ":020000020000FC\r") << label;
    EXPECT_EQ(lines.back(), ":00000001FF\r") << label;
    if (c.lines > 1 + 3 * 32 + 1) {  // the fill: blank records after the image
      EXPECT_EQ(lines[1 + 3 * 32], ":10060000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFA\r") << label;
    }
  }
}

TEST(CliProcess, ReportWritesCheckSumTxtInTheWorkingDirectory) {
  struct Case {
    const char* name;
    std::vector<std::string> commands;
    bool loaded;  // the report names fw.hex, else "(null)"
    std::string checksum;
    std::string company;
    bool blocked;  // CheckSum.txt cannot be created
  };
  const std::vector<uint8_t> image = Pattern(3 * 512);
  const Case cases[] = {
      {"before any load", {"report", "--company", "ACME Ltd"}, false, "0000", "ACME Ltd", false},
      {"after a load and a model", {"load", "fw.hex", "--mcu", "1", "report"}, true,
       FillChecksum(image, 120), "Input Company Here", false},
      {"empty company", {"report", "--company", ""}, false, "0000", "", false},
      {"cannot be created", {"report", "--company", "ACME Ltd"}, false, "", "", true},
  };
  for (const auto& c : cases) {
    CliDir dir;
    WriteFile(dir.WorkDir() / "fw.hex", IntelHex(image));
    if (c.blocked) fs::create_directory(dir.WorkDir() / "CheckSum.txt");
    std::vector<std::string> args = {"--port", "sim"};
    args.insert(args.end(), c.commands.begin(), c.commands.end());
    const ProcessResult r = dir.Run(args);
    const std::string ini = ReadFile(dir.Ini());
    if (c.blocked) {
      EXPECT_EQ(r.status, 1) << c.name;
      EXPECT_EQ(r.err, "error: Creat File fail!\n") << c.name;
      EXPECT_EQ(ini.find("COMPANY"), std::string::npos) << c.name;
      continue;
    }
    EXPECT_EQ(r.status, 0) << c.name << "\n" << r.err;
    EXPECT_EQ(r.err, "info: CheckSum.txt created.\n") << c.name;
    const std::string fileName = c.loaded ? (dir.WorkDir() / "fw.hex").string() : "(null)";
    const std::regex report("Company Name:" + Quoted(c.company) + "\r\nFile Name:" +
                            Quoted(fileName) + "\r\nDate:[^\r\n]+\r\nCheckSum:" + c.checksum +
                            "\r\n");
    const std::string text = ReadFile(dir.WorkDir() / "CheckSum.txt");
    EXPECT_TRUE(std::regex_match(text, report)) << c.name << ":\n" << text;
    EXPECT_NE(ini.find("COMPANY=" + c.company + "\n"), std::string::npos) << c.name << "\n" << ini;
  }
}

TEST(CliProcess, SpeedSetMovesTheBarAndStoresTheCount) {
  struct Case {
    int stored;  // IIC_SPEED in the file before
    long long count;
    int expected;
  };
  const Case cases[] = {
      {0, 150, 150},  // opening pulls 0 up to 20 first, then the bar moves
      {0, 0, 20},     {0, 162, 162}, {150, 99999, 1250}, {150, -3, 20},
      {50, 50, 50},  // the bar does not move: nothing is written
  };
  for (const auto& c : cases) {
    CliDir dir(DefaultIni(c.stored));
    const std::string before = ReadFile(dir.Ini());
    const ProcessResult r =
        dir.Run({"--port", "sim", "speed", "--set", std::to_string(c.count)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "speed: IIC_SPEED " + std::to_string(c.expected) + ", CPU Clock (MHz) " +
                         std::to_string(4 * c.expected) + "\n");
    const std::string after = ReadFile(dir.Ini());
    EXPECT_NE(after.find("IIC_SPEED=" + std::to_string(c.expected) + "\n"), std::string::npos)
        << after;
    if (c.stored == c.expected && c.count == c.expected) {
      EXPECT_EQ(after, before);
    }
  }
}

TEST(CliProcess, ViewPrintsTheViewersRows) {
  CliDir dir;
  std::vector<uint8_t> image(512);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i);
  WriteFile(dir.WorkDir() / "fw.hex", IntelHex(image));

  const ProcessResult empty = dir.Run({"--port", "sim", "view"});
  EXPECT_EQ(empty.status, 0);
  const auto header = empty.OutLines().back();
  EXPECT_NE(header.find("00 01 02 03 04 05 06 07"), std::string::npos) << header;
  EXPECT_NE(header.find("ASCII"), std::string::npos) << header;

  const ProcessResult r = dir.Run({"--port", "sim", "load", "fw.hex", "view"});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto out = r.OutLines();
  ASSERT_GE(out.size(), 33u);
  const std::vector<std::string> rows(out.end() - 33, out.end());
  EXPECT_EQ(rows[0], header);
  const std::pair<int, std::string> expected[] = {
      {1, "0000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ................"},
      {3, "0020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F   !\"#$%&'()*+,-./"},
      {8, "0070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  pqrstuvwxyz{|}~."},
      {32, "01F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  ................"},
  };
  for (const auto& [row, text] : expected) EXPECT_EQ(rows[row], text) << row;
}

}  // namespace
}  // namespace tq::cli::test
