// The window services on a terminal: which stream gets what, how the
// questions are answered, and the progress bar.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/TerminalWindow.h"
#include "core/Clock.h"

namespace tq::cli {
namespace {

struct Terminal {
  explicit Terminal(bool errIsTerminal = false, bool inIsTerminal = false, std::string input = "")
      : in(std::move(input)), win(TerminalStreams{out, err, in, errIsTerminal, inIsTerminal}, clock) {}
  std::ostringstream out, err;
  std::istringstream in;
  VirtualClock clock;
  TerminalWindow win;
};

TEST(TerminalWindow, LogLinesGoToStandardOutputAndBoxesToStandardError) {
  Terminal t;
  t.win.AddLog("ISP ON");
  t.win.SetStatus(0, "ISP ON");
  t.win.ErrorBox("Chip erase fail!");
  t.win.AddLog("Chip erase fail!!!");
  t.win.InfoBox("CheckSum.txt created.");
  EXPECT_EQ(t.out.str(), "ISP ON\nChip erase fail!!!\n");
  EXPECT_EQ(t.err.str(), "error: Chip erase fail!\ninfo: CheckSum.txt created.\n");
  EXPECT_TRUE(t.win.ErrorShown());
  t.win.BeginCommand();
  EXPECT_FALSE(t.win.ErrorShown());

  Terminal verbose;
  verbose.win.SetVerbose(true);
  verbose.win.SetStatus(1, "No File loaded");
  EXPECT_EQ(verbose.err.str(), "status 1: No File loaded\n");
  EXPECT_EQ(verbose.out.str(), "");
}

struct QuestionCase {
  const char* name;
  bool terminal;  // stdin and stderr both terminals
  std::optional<Answer> flag;
  const char* typed;
  Answer expected;
  const char* errPart;
};

TEST(TerminalWindow, TheSizeQuestionIsAskedOnATerminalElseAnsweredByTheFlags) {
  const std::string q = "Code size over Max size!! Write anyway?";
  const QuestionCase cases[] = {
      {"no terminal, no flag", false, std::nullopt, "y\n", Answer::No, "no (not a terminal"},
      {"no terminal, --yes", false, Answer::Yes, "", Answer::Yes, "yes (--yes)"},
      {"no terminal, --no", false, Answer::No, "", Answer::No, "no (--no)"},
      {"terminal, y typed", true, std::nullopt, "y\n", Answer::Yes, "[y/N]"},
      {"terminal, Yes typed", true, std::nullopt, " Yes\n", Answer::Yes, "[y/N]"},
      {"terminal, enter", true, std::nullopt, "\n", Answer::No, "[y/N]"},
      {"terminal, end of input", true, std::nullopt, "", Answer::No, "[y/N]"},
      {"terminal, --no wins", true, Answer::No, "y\n", Answer::No, "no (--no)"},
  };
  for (const auto& c : cases) {
    Terminal t(c.terminal, c.terminal, c.typed);
    t.win.SetSizeAnswer(c.flag);
    EXPECT_EQ(t.win.ConfirmBox(q), c.expected) << c.name;
    EXPECT_NE(t.err.str().find("confirm: " + q), std::string::npos) << c.name;
    EXPECT_NE(t.err.str().find(c.errPart), std::string::npos) << c.name << ": " << t.err.str();
    EXPECT_EQ(t.win.SizeDeclined(), c.expected == Answer::No) << c.name;
    EXPECT_EQ(t.out.str(), "") << c.name;
  }
}

TEST(TerminalWindow, DialogsTakeTheAnswersOfTheCommandLineOnce) {
  Terminal t;
  FileDialogState open{1, "/", "hex"};
  t.win.AnswerOpen(FileChoice{"/fw/set.h01", 2});
  auto first = t.win.OpenFileDialog(open);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->path, "/fw/set.h01");
  EXPECT_EQ(open.filterIndex, 2);  // a confirmed dialog keeps its filter
  EXPECT_FALSE(t.win.OpenFileDialog(open).has_value());  // nothing more: cancelled

  FileDialogState save{1, "/", "*.hex"};
  t.win.AnswerSave(FileChoice{"/out/a.bin", 6});
  EXPECT_EQ(t.win.SaveFileDialog(save)->filterIndex, 6);
  EXPECT_EQ(save.filterIndex, 6);
}

// --mcu names the number in front of the item, which is the section number
// and can have gaps; the dialog answers with the item's position.
TEST(TerminalWindow, McuNumberPicksTheItemWithThatNumber) {
  const std::vector<std::string> items = {"1. KV200/KV210 (60K)", "2. KV200G (60K)",
                                          "4. KV230 (64K)", "12. KV330-128K (128K)"};
  const std::pair<std::optional<int>, std::optional<int>> cases[] = {
      {1, 0}, {2, 1}, {4, 2}, {12, 3}, {3, std::nullopt}, {std::nullopt, std::nullopt}};
  for (const auto& [number, position] : cases) {
    Terminal t;
    t.win.AnswerMcu(number);
    EXPECT_EQ(t.win.ChooseMcuModel(items), position) << number.value_or(0);
    EXPECT_TRUE(t.win.McuDialogShown());
    const bool notFound = number && !position;
    EXPECT_EQ(t.win.McuNotFound(), notFound) << number.value_or(0);
    if (notFound) {
      EXPECT_NE(t.err.str().find("error: --mcu 3: the model list has no item 3"), std::string::npos);
    }
  }
}

TEST(TerminalWindow, ProgressBarOnlyOnATerminalAndWipedBeforeOtherOutput) {
  for (bool terminal : {false, true}) {
    Terminal t(terminal);
    t.win.SetGaugeMax(10);
    t.win.SetGaugeProgress(0);
    t.clock.AdvanceUs(65'000'000);
    t.win.SetGaugeProgress(3);
    t.win.RepaintGauge();
    const std::string bar = t.err.str();
    t.win.AddLog("Programing Success!!!");
    EXPECT_EQ(t.out.str(), "Programing Success!!!\n");
    if (!terminal) {
      EXPECT_EQ(t.err.str(), "");
      continue;
    }
    EXPECT_NE(bar.find("[#########---------------------] 3/10 pages  1:05"), std::string::npos)
        << bar;
    EXPECT_EQ(t.err.str().substr(bar.size()), "\r\033[K");  // wiped before the log line
  }
}

}  // namespace
}  // namespace tq::cli
