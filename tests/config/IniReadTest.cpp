// Reading the settings file: names, sections, text and integer values.
#include <gtest/gtest.h>

#include "config/ConfigFile.h"
#include "tests/config/TempDir.h"

namespace tq {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class IniRead : public ::testing::Test {
 protected:
  ConfigFile File(const std::string& text) {
    WriteBytes(dir_.path() + "tarnquil.ini", text);
    return ConfigFile(dir_.path());
  }
  TempDir dir_;
};

struct IntegerCase {
  const char* value;  // the text after "K=" on the key's line
  int32_t expected;   // read with the default -7
};

TEST_F(IniRead, IntegerForms) {
  const IntegerCase cases[] = {
      {"150", 150},
      {"  42  ", 42},
      {"-15", -15},
      {"+8", 8},
      {"0x3B5C", 15196},
      {"0X3b5c", 15196},
      {"$1F", 31},
      {"$ff", 255},
      {"0x0", 0},
      {"0", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"0xFFFFFFFF", -1},  // a 32-bit pattern, as a negative value is written in hex
      {"0x80000000", INT32_MIN},
      {"0x00000000FF", 255},  // leading zeros are not significant
      // Everything below is no integer and gives the default.
      {"", -7},
      {"0x", -7},
      {"0X", -7},
      {"$", -7},
      {"garbage", -7},
      {"12abc", -7},
      {"1 2", -7},
      {"0x1G", -7},
      {"0x-1", -7},
      {"-0x10", -7},
      {"$-1", -7},
      {"-", -7},
      {"+", -7},
      {"1.5", -7},
      {"2147483648", -7},
      {"-2147483649", -7},
      {"99999999999999999999", -7},
      {"0x100000000", -7},
  };
  for (const IntegerCase& c : cases) {
    ConfigFile config = File(std::string("[S]\nK=") + c.value + "\n");
    EXPECT_EQ(config.ReadInteger("S", "K", -7), c.expected) << '"' << c.value << '"';
  }
  ConfigFile config = File("[S]\nOTHER=5\n");
  EXPECT_EQ(config.ReadInteger("S", "K", -7), -7) << "missing key";
}

TEST_F(IniRead, NamesMatchWithoutCaseAndBlanksAreTrimmed) {
  ConfigFile config = File(
      "[Information]\n"
      "Ini_Ver=V1.3\n"
      "[  mcu01  ]   trailing text\n"
      "   NAME   =   KV 200  \t\n"
      "\tpAgEs\t=\t120\n");
  EXPECT_EQ(config.ReadString("INFORMATION", "INI_VER", "0"), "V1.3");
  EXPECT_EQ(config.ReadString("information", "ini_ver", "0"), "V1.3");
  EXPECT_EQ(config.ReadString("MCU01", "name", "VOID"), "KV 200");
  EXPECT_EQ(config.ReadInteger("Mcu01", "PAGES", 0), 120);
  EXPECT_TRUE(config.SectionExists("MCU01"));
  EXPECT_TRUE(config.ValueExists("mcu01", "Name"));
  EXPECT_FALSE(config.ValueExists("MCU01", "ID"));
  EXPECT_FALSE(config.ValueExists("MCU02", "NAME"));
}

TEST_F(IniRead, SectionCountsOnlyWithAKey) {
  ConfigFile config = File(
      "K=outside any section\n"
      "[EMPTY]\n"
      "; a comment is no key\n"
      "# nor is this\n"
      "no equals sign here\n"
      "=no name\n"
      "\n"
      "[FULL]\n"
      "K=\n");
  EXPECT_FALSE(config.SectionExists("EMPTY"));
  EXPECT_TRUE(config.SectionExists("FULL"));
  EXPECT_FALSE(config.SectionExists("MISSING"));
  // An empty value is a value: the key is there and reads as empty text,
  // while an integer read of it gives the default.
  EXPECT_TRUE(config.ValueExists("FULL", "K"));
  EXPECT_EQ(config.ReadString("FULL", "K", "def"), "");
  EXPECT_EQ(config.ReadInteger("FULL", "K", 9), 9);
}

TEST_F(IniRead, FirstOccurrenceWins) {
  ConfigFile config = File("[A]\nK=1\nK=2\n[B]\nK=3\n[a]\nK=4\nL=5\n");
  EXPECT_EQ(config.ReadInteger("A", "K", 0), 1);
  EXPECT_EQ(config.ReadInteger("A", "L", 0), 5) << "a repeated section still holds its keys";
  EXPECT_EQ(config.ReadInteger("B", "K", 0), 3);
}

TEST_F(IniRead, TextIsCutAt2047Characters) {
  const std::string exact(2047, 'a');
  const std::string longer = std::string(2047, 'b') + "tail";
  ConfigFile config = File("[S]\nEXACT=" + exact + "\nLONG=" + longer + "\n");
  EXPECT_EQ(config.ReadString("S", "EXACT", ""), exact);
  EXPECT_EQ(config.ReadString("S", "LONG", ""), std::string(2047, 'b'));
}

TEST_F(IniRead, CrLfLinesReadLikeLfLines) {
  ConfigFile config = File("[S]\r\nK=0x10\r\nT=text\r\n");
  EXPECT_EQ(config.ReadInteger("S", "K", 0), 16);
  EXPECT_EQ(config.ReadString("S", "T", ""), "text");
}

TEST(IniReadNoFile, MissingFileGivesDefaults) {
  TempDir dir;
  ConfigFile config(dir.path());
  EXPECT_EQ(config.ReadString("INFORMATION", "PATH", "/"), "/");
  EXPECT_EQ(config.ReadInteger("INFORMATION", "IIC_SPEED", 0), 0);
  EXPECT_FALSE(config.SectionExists("INFORMATION"));
  EXPECT_FALSE(config.ValueExists("INFORMATION", "PATH"));
  EXPECT_TRUE(dir.Entries().empty()) << "reading creates nothing";
}

TEST(IniReadNoFile, UnreadableFileReadsAsEmpty) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() + "tarnquil.ini");  // in the file's place
  ConfigFile config(dir.path());
  EXPECT_EQ(config.ReadString("S", "K", "def"), "def");
  EXPECT_FALSE(config.SectionExists("S"));
}

// The file is read afresh at every access, so a change made behind the
// object's back is seen at once.
TEST(IniReadNoFile, EveryReadSeesTheFileAsItIsNow) {
  TempDir dir;
  ConfigFile config(dir.path());
  WriteBytes(config.Path(), "[S]\nK=1\n");
  EXPECT_EQ(config.ReadInteger("S", "K", 0), 1);
  WriteBytes(config.Path(), "[S]\nK=2\n");
  EXPECT_EQ(config.ReadInteger("S", "K", 0), 2);
  std::filesystem::remove(config.Path());
  EXPECT_EQ(config.ReadInteger("S", "K", 0), 0);
}

TEST(ConfigPaths, DirectoryAndPath) {
  EXPECT_EQ(ConfigFile("/opt/tq").Directory(), "/opt/tq/");
  EXPECT_EQ(ConfigFile("/opt/tq/").Path(), "/opt/tq/tarnquil.ini");
}

TEST(ConfigPaths, ExecutableDirectoryHoldsThisTestProgram) {
  const std::string dir = ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(dir + "config_tests"));
}

TEST(ConfigPaths, McuSectionNames) {
  const std::pair<int, const char*> cases[] = {
      {1, "MCU01"}, {9, "MCU09"}, {10, "MCU10"}, {12, "MCU12"}, {29, "MCU29"}};
  for (const auto& [model, name] : cases) EXPECT_EQ(McuSectionName(model), name);
}

}  // namespace
}  // namespace tq
