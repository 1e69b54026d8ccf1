#include <gtest/gtest.h>
#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/ImageFiles.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/RecordingWindow.h"

namespace tq {
namespace {

using test::DataRecord;
using test::RecordingWindow;
using test::TempDir;
using test::WriteFile;

constexpr const char* kOverflow = "Segment overflow ,file not loaded!!!";

std::string Damaged(int line) {
  return "Record too long or short at line " + std::to_string(line) + ", file not loaded!!!";
}

struct HexCase {
  const char* name;
  std::string text;
  uint8_t resultCode;
  int32_t pageCount;
  uint16_t checksum;
  int32_t loadedBytes;
  std::string sizeText;                             // status panel 2
  std::vector<std::pair<uint32_t, uint8_t>> bytes;  // expected buffer contents
  std::vector<std::string> log;
};

std::ostream& operator<<(std::ostream& os, const HexCase& c) {
  return os << c.name;
}

const std::string k79(79 - 8 - 2 * 34, 'Z');  // filler that brings a 34-byte record to 79

// clang-format off
const HexCase kCases[] = {
    {"NoColonAtAll", "just some text\n\nno records here\n", 0, 0, 0x0000, 0, "0KBytes", {}, {}},
    {"EndRecordStopsReading",
     ":0100000011EE\n:00000001FF\n:0100100022CD\n", 0, 1, 0x0011, 1, "0.5KBytes",
     {{0, 0x11}, {0x10, 0xFF}}, {}},
    {"NoEndRecordLoadsToTheEnd", ":0100000011EE\n:0102000022DB\n", 0, 2, 0x0033, 2, "1KBytes",
     {{0, 0x11}, {0x200, 0x22}}, {}},
    {"LowerCaseDigits", ":02000000abcd84\n", 0, 1, 0x0178, 2, "0.5KBytes",
     {{0, 0xAB}, {1, 0xCD}}, {}},
    {"WrongRecordChecksumLoads", ":0100000011FF\n", 0, 1, 0x0011, 1, "0.5KBytes", {{0, 0x11}}, {}},
    {"NoWrapWithinTheSegment",
     DataRecord(0xFFF8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) + "\n", 0, 129,
     136, 16, "64.5KBytes", {{0xFFF8, 1}, {0xFFFF, 8}, {0x10000, 9}, {0x10007, 16}, {0x0000, 0xFF}},
     {}},
    {"LinearBase1ReachesTheLastByte", ":020000040001F9\n" + DataRecord(0xFFFF, {0x42}) + "\n", 0,
     256, 0x0042, 1, "128KBytes", {{0x1FFFF, 0x42}}, {}},
    {"LinearBase2Overflows", ":020000040002F8\n" + DataRecord(0x0000, {0x42}) + "\n", 1, 0, 0, 0,
     "0", {{0x00000, 0xFF}}, {kOverflow}},
    {"SegmentBase1000", ":020000021000EC\n" + DataRecord(0x0010, {0x99}) + "\n", 0, 129, 0x0099,
     1, "64.5KBytes", {{0x10010, 0x99}, {0x0010, 0xFF}}, {}},
    {"SegmentBaseIsReplaced",
     ":020000021000EC\n:020000020000FC\n" + DataRecord(0x0000, {0x99}) + "\n", 0, 1, 0x0099, 1,
     "0.5KBytes", {{0, 0x99}}, {}},
    {"OneByteAt0200", DataRecord(0x0200, {0x01}) + "\n", 0, 2, 0x0001, 1, "1KBytes",
     {{0x1FF, 0xFF}, {0x200, 0x01}}, {}},
    {"OneByteAt0000", DataRecord(0x0000, {0x01}) + "\n", 0, 1, 0x0001, 1, "0.5KBytes",
     {{0, 0x01}}, {}},
    {"TwoRecordsOneAddress", DataRecord(0x10, {0x10}) + "\n" + DataRecord(0x10, {0x20}) + "\n", 0,
     1, 0x0030, 2, "0.5KBytes", {{0x10, 0x20}}, {}},
    {"TypeNotHexUnknownIsIgnored", ":0100003G55\n", 0, 0, 0, 0, "0KBytes", {{0, 0xFF}}, {}},
    // '\x90' shifted left by four and cut to eight bits is 0, so "\x90" "0" is type 00
    {"TypeNotHexDecodingToData", ":010000\x90" "05A\n", 0, 1, 0x005A, 1, "0.5KBytes",
     {{0, 0x5A}}, {}},
    {"DataNotHexDecodesByThePairRule", ":02000000GZ..\n", 0, 1, 0x0168, 2, "0.5KBytes",
     {{0, 0x7A}, {1, 0xEE}}, {}},
    {"TextAndBlanksBetweenRecords",
     "header text\r\n  \t" + DataRecord(0, {0x01}) + "  trailing\r\n\r\nfooter\n", 0, 1, 0x0001,
     1, "0.5KBytes", {{0, 0x01}}, {}},
    {"CarriageReturnBeforeLineFeedIsDropped",
     DataRecord(0, {0xAA}) + "\r\n" + DataRecord(1, {0xBB}) + "\r\n", 0, 1, 0x0165, 2,
     "0.5KBytes", {{0, 0xAA}, {1, 0xBB}}, {}},
    {"CarriageReturnInsideALineIsData", ":01000000\r5\n", 0, 1, 0x00D5, 1, "0.5KBytes",
     {{0, 0xD5}}, {}},
    {"OverflowInTheMiddleOfARecord",
     ":020000040001F9\n" + DataRecord(0xFFFE, {0x11, 0x22, 0x33, 0x44}) + "\n", 1, 0, 0x0033, 2,
     "0", {{0x1FFFE, 0x11}, {0x1FFFF, 0x22}}, {kOverflow}},
    {"ZeroLengthDataRecordDoesNothing", ":00123400BA\n", 0, 0, 0, 0, "0KBytes", {}, {}},

    // Record lines the 80-character store cannot hold, or that are too
    // short for what they announce.
    {"Line79CharactersFits",
     ":22000000" + std::string(68, '1') + k79 + "\n", 0, 1, static_cast<uint16_t>(34 * 0x11), 34,
     "0.5KBytes", {{0, 0x11}, {33, 0x11}, {34, 0xFF}}, {}},
    {"Line79CharactersFitsWithCrLf",
     ":22000000" + std::string(68, '1') + k79 + "\r\n", 0, 1, static_cast<uint16_t>(34 * 0x11), 34,
     "0.5KBytes", {{0, 0x11}, {33, 0x11}}, {}},
    {"Line80CharactersIsTooLong",
     DataRecord(0, {0x01}) + "\n\n" + ":22000000" + std::string(68, '1') + k79 + "X\n", 1, 0,
     0x0001, 1, "0", {{0, 0x01}, {1, 0xFF}}, {Damaged(3)}},
    {"LongTailMakesTheLineTooLong", ":00000000" + std::string(200, ' ') + "\n", 1, 0, 0, 0,
     "0", {}, {Damaged(1)}},
    {"ByteCountBeyondTheLine", "\n" + DataRecord(0, {0x01}) + "\n:10000000AABB\n", 1, 0, 0x0001,
     1, "0", {{0, 0x01}, {1, 0xFF}}, {Damaged(3)}},
    {"ByteCountNeedsItsPairsNotTheChecksum", ":0200000011\n", 1, 0, 0, 0, "0", {{0, 0xFF}},
     {Damaged(1)}},
    {"DataWithoutChecksumLoads", ":020000001122\n", 0, 1, 0x0033, 2, "0.5KBytes",
     {{0, 0x11}, {1, 0x22}}, {}},
    {"HeaderTooShort", ":0000\n", 1, 0, 0, 0, "0", {}, {Damaged(1)}},
    {"ColonAloneIsTooShort", "a : b\n", 1, 0, 0, 0, "0", {}, {Damaged(1)}},
    {"SegmentRecordWithoutItsValue", "\n\n\n:02000002\n", 1, 0, 0, 0, "0", {}, {Damaged(4)}},
    {"LastLineWithoutLineFeedIsARecord", DataRecord(0, {0x01}) + "\n" + DataRecord(1, {0x02}), 0,
     1, 0x0003, 2, "0.5KBytes", {{0, 0x01}, {1, 0x02}}, {}},
    {"LastLineWithoutLineFeedEndingInCr", DataRecord(0, {0x01}) + "\r", 0, 1, 0x0001, 1,
     "0.5KBytes", {{0, 0x01}}, {}},
    {"LastLineWithoutLineFeedCutShort", DataRecord(0, {0x01}) + "\n:100000001122", 1, 0, 0x0001, 1,
     "0", {{0, 0x01}}, {Damaged(2)}},
    {"RecordsAfterTheEndAreNotChecked", ":00000001FF\n:10000000AABB\n", 0, 0, 0, 0, "0KBytes", {},
     {}},
};
// clang-format on

class HexReader : public testing::TestWithParam<HexCase> {};

TEST_P(HexReader, Loads) {
  const HexCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.File("image.hex");
  WriteFile(path, c.text);

  auto buffer = std::make_unique<CodeBuffer>();
  // Leftovers of an earlier image that every read must clear.
  buffer->bytes.fill(0x00);
  buffer->pageCount = 7;
  buffer->checksum = 0x1234;
  buffer->loadedBytes = 99;
  buffer->fileName = path;
  RecordingWindow win;
  uint8_t rc = 9;
  LoadIntelHex(*buffer, win, rc);

  EXPECT_EQ(rc, c.resultCode);
  EXPECT_EQ(buffer->pageCount, c.pageCount);
  EXPECT_EQ(Hex4(buffer->checksum), Hex4(c.checksum));
  EXPECT_EQ(buffer->loadedBytes, c.loadedBytes);
  for (const auto& [address, value] : c.bytes)
    EXPECT_EQ(buffer->bytes[address], value) << "at " << address;
  EXPECT_EQ(win.log, c.log);
  EXPECT_EQ(win.status[1], c.resultCode == 0 ? FileLabel(path) : "File not loaded");
  EXPECT_EQ(win.status[2], c.sizeText);
  EXPECT_EQ(buffer->fileName, path);
}

INSTANTIATE_TEST_SUITE_P(Cases, HexReader, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HexReaderOpen, AFileThatDoesNotOpenLeavesABlankEmptyBuffer) {
  TempDir dir;
  const std::string missing = dir.File("missing.hex");
  for (const std::string& name : {missing, dir.Path().string()}) {
    SCOPED_TRACE(name);
    auto buffer = std::make_unique<CodeBuffer>();
    buffer->pageCount = 5;
    buffer->checksum = 0x1234;
    buffer->loadedBytes = 10;
    buffer->fileName = name;
    RecordingWindow win;
    uint8_t rc = 0;
    LoadIntelHex(*buffer, win, rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(win.Only("log"), std::vector<std::string>{"Fail to open File" + name});
    EXPECT_EQ(win.Only("status1"), std::vector<std::string>{"File not loaded"});
    EXPECT_EQ(win.Only("status2"), std::vector<std::string>{"0"});
    EXPECT_EQ(buffer->pageCount, 0);
    EXPECT_EQ(buffer->checksum, 0);
    EXPECT_EQ(buffer->loadedBytes, 0);
    EXPECT_TRUE(buffer->IsBlankPage(0));
  }
}

TEST(HexReaderOpen, OverflowReportsInOrder) {
  TempDir dir;
  const std::string path = dir.File("big.hex");
  WriteFile(path, ":020000040002F8\n:0100000011EE\n");
  auto buffer = std::make_unique<CodeBuffer>();
  buffer->fileName = path;
  RecordingWindow win;
  uint8_t rc = 0;
  LoadIntelHex(*buffer, win, rc);
  EXPECT_EQ(win.events, (std::vector<std::string>{"status1:File not loaded",
                                                  "log:" + std::string(kOverflow), "status2:0"}));
}

TEST(FileLabel, StepsBackOutOfTheFullPath) {
  EXPECT_EQ(FileLabel("/home/tech/fw/prog.hex"), "/home/tech/fw/prog.hex/../prog.hex");
  EXPECT_EQ(FileLabel("prog.hex"), "prog.hex/../prog.hex");
}

TEST(HexSizeText, HalfThePageCountInKilobytes) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "0KBytes"}, {1, "0.5KBytes"}, {3, "1.5KBytes"}, {128, "64KBytes"}, {256, "128KBytes"}};
  for (const auto& [pages, text] : cases) EXPECT_EQ(HexSizeText(pages), text) << pages;
}

// A locale whose only setting is a decimal comma, made on the spot so the
// test does not depend on which locales the machine has generated.
bool UseCommaLocale(const TempDir& dir) {
  const std::string source = dir.File("comma.src");
  WriteFile(source,
            "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\n"
            "END LC_NUMERIC\n");
  const std::string make = "localedef -c -i '" + source + "' -f ANSI_X3.4-1968 '" +
                           dir.File("comma") + "' >/dev/null 2>&1";
  const int status = std::system(make.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return false;  // 1: warnings
  setenv("LOCPATH", dir.Path().c_str(), 1);
  const bool ok = std::setlocale(LC_NUMERIC, "comma") != nullptr;
  unsetenv("LOCPATH");
  return ok;
}

TEST(HexSizeText, UsesTheLocaleDecimalSeparator) {
  TempDir dir;
  const std::string old = std::setlocale(LC_NUMERIC, nullptr);
  if (!UseCommaLocale(dir)) GTEST_SKIP() << "cannot make a locale with a decimal comma";
  const std::string odd = HexSizeText(3);
  const std::string even = HexSizeText(4);
  std::setlocale(LC_NUMERIC, old.c_str());
  EXPECT_EQ(odd, "1,5KBytes");
  EXPECT_EQ(even, "2KBytes");
}

}  // namespace
}  // namespace tq
