// The command-state table: which buttons and menu items each event leaves
// enabled, followed through a session of events.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>

#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

using C = Control;

// The state at start, as the window is built; commands change it only
// through SetEnabled.
const std::map<C, bool> kAtStart = {
    {C::OpenButton, true},     {C::LoadFile1, true},   {C::ISPLinkButton, true}, {C::IspOn1, true},
    {C::ISPOFFButton, false},  {C::IspOff1, false},    {C::EraseButton, false},  {C::Erase1, false},
    {C::ProgramButton, false}, {C::Program1, false},   {C::AutoButton, false},   {C::Auto1, false},
    {C::SpeedButton1, true},   {C::ViewBuffer1, true}, {C::SpeedButton2, true},  {C::Read1, true},
};

// Columns of the table, in the order of kAtStart's keys.
struct Row {
  std::string event;
  std::function<void()> run;
  // load file, isp on, isp off, erase, program, auto button, auto item, view hex
  std::array<bool, 8> on;
};

class StateTest : public FlowsTest {
 protected:
  std::map<C, bool> Now() {
    auto state = kAtStart;
    for (const auto& [c, on] : win.enabled) state[c] = on;
    return state;
  }
};

TEST_F(StateTest, EachEventLeavesTheTableState) {
  // Page 1 reads back corrupted twice once, so one Program fails.
  StartUp("fault=corrupt-read:1:2");
  const fs::path good = WriteHex("good.hex", {{0, PatternBytes(2, 3)}});

  const Row rows[] = {
      {"start", [] {}, {1, 1, 0, 0, 0, 0, 0, 1}},
      {"load cancelled", [&] { cmd->OpenButtonClick(); }, {1, 1, 0, 0, 0, 0, 0, 1}},
      {"ISP ON before any load", [&] { cmd->ISPLinkButtonClick(); }, {1, 0, 1, 1, 1, 0, 0, 1}},
      {"ISP OFF", [&] { cmd->ISPOFFButtonClick(); }, {1, 1, 0, 0, 0, 0, 0, 1}},
      {"load", [&] { Load(good, 1); }, {1, 1, 0, 0, 0, 1, 1, 1}},
      {"ISP ON", [&] { cmd->ISPLinkButtonClick(); }, {1, 0, 1, 1, 1, 1, 1, 1}},
      {"erase", [&] { cmd->EraseButtonClick(); }, {1, 0, 1, 1, 1, 1, 1, 1}},
      {"program fails, ISP OFF", [&] { cmd->ProgramButtonClick(); }, {1, 1, 0, 0, 0, 1, 1, 1}},
      {"get checksum", [&] { cmd->SpeedButton2Click(); }, {1, 1, 0, 0, 0, 0, 1, 0}},
      {"failed load after a good one",
       [&] { Load(dir / "gone.hex", 1); },
       {1, 1, 0, 0, 0, 0, 1, 0}},
      {"load again", [&] { Load(good, 1); }, {1, 1, 0, 0, 0, 1, 1, 1}},
      {"auto", [&] { cmd->AutoButtonClick(); }, {1, 1, 0, 0, 0, 1, 1, 1}},
      {"support MCU type", [&] { cmd->SupportMCUtype1Click(); }, {1, 1, 0, 0, 0, 1, 1, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.event);
    row.run();
    const auto s = Now();
    const auto& on = row.on;
    EXPECT_EQ(s.at(C::OpenButton), on[0]);
    EXPECT_EQ(s.at(C::LoadFile1), on[0]);
    EXPECT_EQ(s.at(C::ISPLinkButton), on[1]);
    EXPECT_EQ(s.at(C::IspOn1), on[1]);
    EXPECT_EQ(s.at(C::ISPOFFButton), on[2]);
    EXPECT_EQ(s.at(C::IspOff1), on[2]);
    EXPECT_EQ(s.at(C::EraseButton), on[3]);
    EXPECT_EQ(s.at(C::Erase1), on[3]);
    EXPECT_EQ(s.at(C::ProgramButton), on[4]);
    EXPECT_EQ(s.at(C::Program1), on[4]);
    EXPECT_EQ(s.at(C::AutoButton), on[5]);
    EXPECT_EQ(s.at(C::Auto1), on[6]);
    EXPECT_EQ(s.at(C::SpeedButton1), on[7]);
    // Never disabled by any command.
    EXPECT_TRUE(s.at(C::ViewBuffer1));
    EXPECT_TRUE(s.at(C::SpeedButton2));
    EXPECT_TRUE(s.at(C::Read1));
  }
}

}  // namespace
}  // namespace tq::test
