// The start-up check and repair of tarnquil.ini and the MCU table.
#include <gtest/gtest.h>

#include "config/ConfigFile.h"
#include "tests/config/TempDir.h"

namespace tq {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct Row {
  const char* name;
  uint16_t id;
  uint16_t pages;
};

// The twelve models a repair writes, with the IDs in the decimal form the
// file holds them.
const Row kDefaultRows[] = {
    {"KV200/KV210", 21930, 120},   {"KV200G", 15196, 120},         {"KV200G", 15196, 128},
    {"KV230", 15150, 128},         {"KV240/KV250", 15217, 256},    {"KV250A/240A", 14996, 256},
    {"KV300/310-64K", 15150, 128}, {"KV300/310-128K", 15217, 256}, {"KV320-64K", 15150, 128},
    {"KV320-128K", 15217, 256},    {"KV330-64K", 15150, 128},      {"KV330-128K", 15217, 256},
};

std::string RowSection(const char* section, const Row& row) {
  return std::string("\n[") + section + "]\nNAME=" + row.name + "\nID=" + std::to_string(row.id) +
         "\nPAGES=" + std::to_string(row.pages) + "\n";
}

void ExpectSlot(const McuSlot& slot, const Row& row, const std::string& what) {
  EXPECT_EQ(slot.inUse, 1u) << what;
  EXPECT_EQ(slot.name, row.name) << what;
  EXPECT_EQ(slot.id, row.id) << what;
  EXPECT_EQ(slot.pages, row.pages) << what;
}

TEST(Startup, FirstStartCreatesTheFile) {
  TempDir dir;
  ConfigFile config(dir.path());
  const RepairResult r = CheckAndRepair(config);
  EXPECT_TRUE(r.repaired);
  EXPECT_TRUE(r.defaultSpeedWritten);

  std::string expected = "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=150\nPATH=" + dir.path() + "\n";
  const char* sections[] = {"MCU01", "MCU02", "MCU03", "MCU04", "MCU05", "MCU06",
                            "MCU07", "MCU08", "MCU09", "MCU10", "MCU11", "MCU12"};
  for (int i = 0; i < 12; ++i) expected += RowSection(sections[i], kDefaultRows[i]);
  EXPECT_EQ(ReadBytes(config.Path()), expected);

  EXPECT_EQ(ReadIicSpeed(config), 150);
  EXPECT_EQ(InformationLine(config), "Information file (tarnquil.ini)  V1.3");
  EXPECT_EQ(ReadPath(config), dir.path());
  McuTable table;
  LoadMcuTable(config, table);
  for (int i = 0; i < 12; ++i) ExpectSlot(table[i], kDefaultRows[i], "slot " + std::to_string(i));
  for (int i = 12; i < kMcuSlots; ++i) EXPECT_EQ(table[i].inUse, 0u) << "slot " << i;
}

struct RepairCase {
  const char* what;
  const char* before;  // nullptr: no file
  bool repaired;
  bool defaultSpeedWritten;
  int32_t speed;
};

TEST(Startup, RepairCases) {
  const RepairCase cases[] = {
      {"no file", nullptr, true, true, 150},
      {"empty file", "", true, true, 150},
      {"older layout keeps its speed", "[INFORMATION]\nINI_VER=V1.2\nIIC_SPEED=300\n", true, false,
       300},
      {"the version compare counts letter case", "[INFORMATION]\nINI_VER=v1.3\nIIC_SPEED=200\n",
       true, false, 200},
      {"no version", "[INFORMATION]\nIIC_SPEED=75\n", true, false, 75},
      {"a longer version text", "[INFORMATION]\nINI_VER=V1.30\n", true, true, 150},
      {"an information header without keys is no section",
       "[INFORMATION]\n\n[OTHER]\nINI_VER=V1.3\nIIC_SPEED=300\n", true, true, 150},
      {"an empty speed is a speed the repair keeps", "[INFORMATION]\nINI_VER=V1.2\nIIC_SPEED=\n",
       true, false, 0},
      {"current layout", "[information]\nini_ver = V1.3\nIIC_SPEED=$4B\n", false, false, 75},
      {"current layout without a speed", "[INFORMATION]\nINI_VER=V1.3\n", false, false, 0},
  };
  for (const RepairCase& c : cases) {
    TempDir dir;
    ConfigFile config(dir.path());
    if (c.before) WriteBytes(config.Path(), c.before);
    const RepairResult r = CheckAndRepair(config);
    EXPECT_EQ(r.repaired, c.repaired) << c.what;
    EXPECT_EQ(r.defaultSpeedWritten, c.defaultSpeedWritten) << c.what;
    EXPECT_EQ(ReadIicSpeed(config), c.speed) << c.what;
    if (!c.repaired) {
      EXPECT_EQ(ReadBytes(config.Path()), c.before) << c.what << ": the file is not touched";
      continue;
    }
    EXPECT_EQ(InformationLine(config), "Information file (tarnquil.ini)  V1.3") << c.what;
    EXPECT_EQ(ReadPath(config), dir.path()) << c.what;
    McuTable table;
    LoadMcuTable(config, table);
    for (int i = 0; i < 12; ++i) ExpectSlot(table[i], kDefaultRows[i], c.what);
    EXPECT_EQ(table[12].inUse, 0u) << c.what;
    // A repaired file needs no second repair.
    const std::string after = ReadBytes(config.Path());
    EXPECT_FALSE(CheckAndRepair(config).repaired) << c.what;
    EXPECT_EQ(ReadBytes(config.Path()), after) << c.what;
  }
}

// A repair rewrites the version, PATH and the twelve default rows, and
// nothing else: the company, extra keys, comments and the user's own models
// stay where they were.
TEST(Startup, RepairTouchesOnlyWhatItWrites) {
  TempDir dir;
  ConfigFile config(dir.path());
  WriteBytes(config.Path(),
             "; bench 3\n"
             "[INFORMATION]\n"
             "INI_VER=V1.2\n"
             "IIC_SPEED=300\n"
             "PATH=/old/\n"
             "COMPANY=Acme Campany\n"
             "[MCU02]\n"
             "NAME=Old\n"
             "ID=1\n"
             "PAGES=2\n"
             "EXTRA=keep\n"
             "[MCU13]\n"
             "NAME=Custom\n"
             "ID=0x1234\n"
             "PAGES=64\n");
  const RepairResult r = CheckAndRepair(config);
  EXPECT_TRUE(r.repaired);
  EXPECT_FALSE(r.defaultSpeedWritten);

  std::string expected =
      "; bench 3\n"
      "[INFORMATION]\n"
      "INI_VER=V1.3\n"
      "IIC_SPEED=300\n"
      "PATH=" +
      dir.path() + "\n";
  expected +=
      "COMPANY=Acme Campany\n"
      "[MCU02]\n"
      "NAME=KV200G\n"
      "ID=15196\n"
      "PAGES=120\n"
      "EXTRA=keep\n"
      "[MCU13]\n"
      "NAME=Custom\n"
      "ID=0x1234\n"
      "PAGES=64\n";
  expected += RowSection("MCU01", kDefaultRows[0]);
  const char* appended[] = {"MCU03", "MCU04", "MCU05", "MCU06", "MCU07",
                            "MCU08", "MCU09", "MCU10", "MCU11", "MCU12"};
  for (int i = 0; i < 10; ++i) expected += RowSection(appended[i], kDefaultRows[i + 2]);
  EXPECT_EQ(ReadBytes(config.Path()), expected);

  McuTable table;
  LoadMcuTable(config, table);
  for (int i = 0; i < 12; ++i) ExpectSlot(table[i], kDefaultRows[i], "slot " + std::to_string(i));
  ExpectSlot(table[12], Row{"Custom", 0x1234, 64}, "model 13 follows the defaults");
  EXPECT_EQ(table[13].inUse, 0u);
}

TEST(McuTableLoad, FillsSlotsWithoutGapsAndTakesDefaults) {
  TempDir dir;
  ConfigFile config(dir.path());
  WriteBytes(config.Path(),
             "[MCU04]\nID=0x3B5C\nPAGES=65656\n"  // order in the file does not matter
             "[MCU01]\nNAME=First\nID=21930\nPAGES=64\n"
             "[MCU02]\nNAME=Second\n"
             "[MCU03]\n; no keys: absent\n"
             "[MCU05]\nID=0x12345\nPAGES=-1\n"
             "[MCU30]\nNAME=Never read\n"
             "[MCU31]\nNAME=Never read\n");
  McuTable table;
  for (McuSlot& slot : table) slot = McuSlot{1, "stale", 7, 7};
  LoadMcuTable(config, table);
  ExpectSlot(table[0], Row{"First", 21930, 64}, "MCU01");
  ExpectSlot(table[1], Row{"Second", 0xFFFF, 0}, "MCU02, ID and PAGES missing");
  ExpectSlot(table[2], Row{"VOID", 15196, 120}, "MCU04, NAME missing, PAGES cut to 16 bits");
  ExpectSlot(table[3], Row{"VOID", 0x2345, 0xFFFF}, "MCU05, both cut to 16 bits");
  for (int i = 4; i < kMcuSlots; ++i) {
    EXPECT_EQ(table[i].inUse, 0u) << "slot " << i;
    EXPECT_EQ(table[i].name, "") << "slot " << i;
  }
}

TEST(McuTableLoad, ModelsOneToTwentyNineFillTwentyNineSlots) {
  TempDir dir;
  ConfigFile config(dir.path());
  std::string text;
  for (int model = 1; model <= 31; ++model) {
    text += "[" + McuSectionName(model) + "]\nNAME=M" + std::to_string(model) + "\n";
  }
  WriteBytes(config.Path(), text);
  McuTable table;
  LoadMcuTable(config, table);
  for (int i = 0; i < kMcuSections; ++i) {
    EXPECT_EQ(table[i].inUse, 1u);
    EXPECT_EQ(table[i].name, "M" + std::to_string(i + 1));
  }
  EXPECT_EQ(table[kMcuSlots - 1].inUse, 0u) << "the last slot always stays free";
}

TEST(Startup, ReadsWithoutFile) {
  TempDir dir;
  ConfigFile config(dir.path());
  EXPECT_EQ(InformationLine(config), "Information file (tarnquil.ini)  Vxx");
  EXPECT_EQ(ReadPath(config), "/");
  EXPECT_EQ(ReadIicSpeed(config), 0);
}

TEST(Startup, RepairThatCannotWriteRaisesTheWriteError) {
  TempDir dir;
  WriteBytes(dir.path() + "plain", "");
  ConfigFile config(dir.path() + "plain");
  try {
    CheckAndRepair(config);
    ADD_FAILURE() << "no error";
  } catch (const ConfigWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.path() + "plain/tarnquil.ini");
  }
}

}  // namespace
}  // namespace tq
