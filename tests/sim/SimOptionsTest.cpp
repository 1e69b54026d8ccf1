// The option text of the simulated target.
#include "tests/sim/SimRig.h"

namespace tq::sim::test {
namespace {

TEST(SimOptions, ReadsEveryOption) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions(
      "sim:id=0x3B5C,pages=120,erase-ms=30,page-ms=3,byte-ms=2,read-ms=1,flash=/tmp/a b.bin,"
      "pinmap=3,seed=42,random=0.25,random-lose=0.5,fault=absent,fault=no-adapter,"
      "fault=unknown-id,fault=no-busy,fault=stuck-busy,fault=erase-reply,fault=no-ack,"
      "fault=sda-low,fault=scl-low,fault=stretch:7,fault=program-fail:5:2,fault=program-fail:9,"
      "fault=program-reply:0x10:3,fault=corrupt-read:255:1",
      o, error))
      << error;
  EXPECT_EQ(o.chipId, 0x3B5C);
  EXPECT_EQ(o.pages, 120);
  EXPECT_EQ(o.eraseMs, 30);
  EXPECT_EQ(o.pageMs, 3);
  EXPECT_EQ(o.byteMs, 2);
  EXPECT_EQ(o.readMs, 1);
  EXPECT_EQ(o.flashFile, "/tmp/a b.bin");
  EXPECT_EQ(o.pinMap, 3);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.randomFlip, 0.25);
  EXPECT_EQ(o.randomIgnore, 0.25);
  EXPECT_EQ(o.randomLose, 0.5);
  EXPECT_TRUE(o.absent && o.noAdapter && o.unknownId && o.noBusy && o.stuckBusy && o.eraseReply &&
              o.noAck && o.sdaLow && o.sclLow);
  EXPECT_EQ(o.stretchReads, 7);
  ASSERT_EQ(o.programFail.size(), 2u);
  EXPECT_EQ(o.programFail[0].page, 5);
  EXPECT_EQ(o.programFail[0].times, 2);
  EXPECT_EQ(o.programFail[1].page, 9);
  EXPECT_EQ(o.programFail[1].times, 1);
  ASSERT_EQ(o.programReply.size(), 1u);
  EXPECT_EQ(o.programReply[0].page, 0x10);
  EXPECT_EQ(o.programReply[0].times, 3);
  ASSERT_EQ(o.corruptRead.size(), 1u);
  EXPECT_EQ(o.corruptRead[0].page, 255);
}

TEST(SimOptions, EmptyTextGivesTheDefaultChip) {
  for (const char* text : {"", "sim", "sim:", ",,"}) {
    SimOptions o;
    o.pages = 5;
    std::string error;
    ASSERT_TRUE(ParseSimOptions(text, o, error)) << text << ": " << error;
    EXPECT_EQ(o.chipId, 0x3B2E);
    EXPECT_EQ(o.pages, 128);
    EXPECT_EQ(o.stretchReads, 0);
  }
}

class SimBadOption : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SimBadOption, IsRefusedWithAReason) {
  VirtualClock clock;
  std::string error;
  EXPECT_EQ(MakeSimPort(GetParam().first, clock, error), nullptr);
  EXPECT_NE(error.find(GetParam().second), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimBadOption,
    ::testing::Values(std::make_pair("colour=red", "unknown option 'colour'"),
                      std::make_pair("pages", "needs a value"),
                      std::make_pair("pages=0", "page count"), std::make_pair("pages=257", "page count"),
                      std::make_pair("pages=12x", "page count"), std::make_pair("id=0x10000", "chip ID"),
                      std::make_pair("id=-1", "chip ID"), std::make_pair("id=0x", "chip ID"),
                      std::make_pair("erase-ms=-5", "milliseconds"), std::make_pair("pinmap=4", "pin map"),
                      std::make_pair("random=1.5", "probability"), std::make_pair("random-flip=x", "probability"),
                      std::make_pair("seed=4294967296", "seed"), std::make_pair("flash=", "file name"),
                      std::make_pair("fault=melt", "unknown fault 'melt'"),
                      std::make_pair("fault=absent:3", "takes no arguments"),
                      std::make_pair("fault=program-fail", "PAGE[:TIMES]"),
                      std::make_pair("fault=corrupt-read:256", "PAGE[:TIMES]"),
                      std::make_pair("fault=program-reply:1:0", "PAGE[:TIMES]"),
                      std::make_pair("fault=stretch:0", "status reads")));

TEST(SimOptions, HelpNamesEveryOptionAndFault) {
  const std::string help = SimOptionsHelp();
  for (const char* name : {"id=", "pages=", "erase-ms=", "page-ms=", "byte-ms=", "read-ms=", "flash=",
                           "pinmap=", "random=", "random-flip=", "random-ignore=", "random-lose=", "seed=",
                           "fault=", "absent", "no-adapter", "unknown-id", "no-busy", "stuck-busy",
                           "erase-reply", "program-fail:", "program-reply:", "corrupt-read:", "no-ack",
                           "sda-low", "scl-low", "stretch"}) {
    EXPECT_NE(help.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(help.back(), '\n');
}

}  // namespace
}  // namespace tq::sim::test
