// The binary reader, the bank-set merge and the file time stamp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "image/ImageFiles.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/RecordingWindow.h"

namespace tq {
namespace {

using test::DataRecord;
using test::ReadFile;
using test::RecordingWindow;
using test::TempDir;
using test::WriteFile;

// ---- LoadBinary ----

struct BinaryCase {
  const char* name;
  long size;  // -1: no file; -2: a folder
  uint8_t resultCode;
  int32_t pageCount;
  const char* sizeText;  // nullptr: the status bar is not touched
  std::vector<std::string> log;
};

TEST(LoadBinary, Sizes) {
  const char* refused = "Binary file larger than 128KBytes, file not loaded!!!";
  // clang-format off
  const BinaryCase cases[] = {
      {"empty", 0, 0, 0, "0KBytes", {}},
      {"513 bytes", 513, 0, 2, "0KBytes", {}},
      {"1000 bytes", 1000, 0, 2, "0KBytes", {}},
      {"1536 bytes", 1536, 0, 3, "1KBytes", {}},
      {"128K", 131072, 0, 256, "128KBytes", {}},
      {"one byte over 128K", 131073, 1, 9, nullptr, {refused}},
      {"missing", -1, 1, 9, nullptr, {}},
      {"a folder", -2, 1, 9, nullptr, {}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string path = dir.File("image.bin");
    std::string content;
    for (long i = 0; i < c.size; ++i) content += static_cast<char>(i * 13 + 5 + (i >> 9));
    if (c.size >= 0) WriteFile(path, content);
    if (c.size == -2) path = dir.Path().string();

    auto b = std::make_unique<CodeBuffer>();
    b->pageCount = 9;
    b->checksum = 0x4321;
    b->loadedBytes = 55;
    b->fileName = path;
    RecordingWindow win;
    uint8_t rc = 7;
    LoadBinary(*b, win, rc);

    EXPECT_EQ(rc, c.resultCode);
    EXPECT_EQ(b->pageCount, c.pageCount);
    EXPECT_EQ(b->loadedBytes, 55);  // a binary read never touches it
    EXPECT_EQ(win.log, c.log);
    if (c.resultCode == 0) {
      uint16_t sum = 0;
      for (char ch : content) sum = static_cast<uint16_t>(sum + static_cast<uint8_t>(ch));
      EXPECT_EQ(b->checksum, sum);
      EXPECT_EQ(0, std::memcmp(b->bytes.data(), content.data(), content.size()));
      EXPECT_TRUE(std::all_of(b->bytes.begin() + c.size, b->bytes.end(),
                              [](uint8_t x) { return x == 0xFF; }));
      EXPECT_EQ(win.status[1], FileLabel(path));
      EXPECT_EQ(win.status[2], c.sizeText);
    } else {
      // Bytes blank; the other values and the status bar as they were.
      EXPECT_EQ(b->checksum, 0x4321);
      EXPECT_TRUE(
          std::all_of(b->bytes.begin(), b->bytes.end(), [](uint8_t x) { return x == 0xFF; }));
      EXPECT_TRUE(win.Only("status1").empty());
      EXPECT_TRUE(win.Only("status2").empty());
    }
  }
}

// ---- CombineBankSet ----

struct BankCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // extension, content
  std::string pick;                                        // extension of the picked file
  std::vector<std::string> log;                            // '@' stands for the base
  std::vector<std::pair<uint32_t, uint8_t>> bytes;         // after loading the merged file
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

const std::string kH00 = Lines({DataRecord(0x0000, {0x11}), DataRecord(0xFFFF, {0x12}),
                                ":020000021000EC", DataRecord(0x0000, {0x13})});
const std::string kH01Two = Lines({DataRecord(0x0100, {0x21}), DataRecord(0xFFFF, {0x22})});
const std::string kH01 = Lines({DataRecord(0x0000, {0x31}), DataRecord(0xFFFF, {0x32})});
const std::string kH02 =
    Lines({DataRecord(0x1000, {0x41}), DataRecord(0x8000, {0x42}), DataRecord(0xFFFF, {0x43})});
const std::string kH03 =
    Lines({DataRecord(0x7FFF, {0x51}), DataRecord(0x8000, {0x52}), DataRecord(0xFFFF, {0x53})});

std::vector<std::string> Expand(const std::vector<std::string>& lines, const std::string& base) {
  std::vector<std::string> out;
  for (std::string l : lines) {
    const size_t at = l.find('@');
    if (at != std::string::npos) l.replace(at, 1, base);
    out.push_back(l);
  }
  return out;
}

// clang-format off
const BankCase kBankCases[] = {
    {"two banks over an old merged file",
     {{"h00", kH00}, {"h01", kH01Two}, {"hex", "old content\n"}},
     "h01",
     {"Combine @h00", "Combine @h01", "Creat @hex"},
     {{0x00000, 0x11}, {0x0FFFF, 0x12}, {0x10000, 0xFF}, {0x10100, 0x21}, {0x1FFFF, 0x22}}},
    {"two banks, second missing",
     {{"h00", kH00}},
     "h00",
     {"Combine @h00", "Fail to open File@h01", "Bypass @h01", "Creat @hex"},
     {{0x00000, 0x11}, {0x0FFFF, 0x12}, {0x10000, 0xFF}, {0x10100, 0xFF}}},
    {"four banks",
     {{"h01", kH01}, {"h02", kH02}, {"h03", kH03}},
     "h01",
     {"Combine @h01", "Combine @h02", "Combine @h03", "Creat @hex"},
     {{0x00000, 0x31}, {0x0FFFF, 0x32}, {0x10000, 0x42}, {0x17FFF, 0x43}, {0x18000, 0x52},
      {0x1FFFF, 0x53}, {0x11000, 0xFF}}},
    {"four banks, middle missing",
     {{"h01", kH01}, {"h03", kH03}},
     "h03",
     {"Combine @h01", "Fail to open File@h02", "Bypass @h02", "Combine @h03", "Creat @hex"},
     {{0x00000, 0x31}, {0x10000, 0xFF}, {0x17FFF, 0xFF}, {0x18000, 0x52}}},
    {"four banks, one beyond 128K",
     {{"h01", kH01}, {"h02", kH02}, {"h03", ":020000040002F8\n" + DataRecord(0, {1})}},
     "h02",
     {"Combine @h01", "Combine @h02", "Segment overflow ,file not loaded!!!", "Bypass @h03",
      "Creat @hex"},
     {{0x10000, 0x42}, {0x18000, 0xFF}}},
    {"all banks missing",
     {},
     "h01",
     {"Fail to open File@h01", "Bypass @h01", "Fail to open File@h02", "Bypass @h02",
      "Fail to open File@h03", "Bypass @h03", "Creat @hex"},
     {{0x00000, 0xFF}, {0x1FFFF, 0xFF}}},
};
// clang-format on

TEST(CombineBankSet, MergesAndLoads) {
  for (const auto& c : kBankCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string base = dir.File("prog.");
    for (const auto& [ext, content] : c.files) WriteFile(base + ext, content);

    auto b = std::make_unique<CodeBuffer>();
    b->fileName = base + c.pick;
    RecordingWindow win;
    uint8_t rc = 9;
    EXPECT_TRUE(CombineBankSet(*b, win, rc));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(win.log, Expand(c.log, base));
    EXPECT_EQ(b->fileName, base + "hex");

    const std::string merged = ReadFile(base + "hex");
    EXPECT_EQ(std::count(merged.begin(), merged.end(), '\n'), 8195);
    EXPECT_EQ(merged.substr(0, 17), ":020000020000FC\r\n");
    EXPECT_EQ(merged.substr(merged.size() - 13), ":00000001FF\r\n");

    win.Clear();
    LoadIntelHex(*b, win, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(win.log.empty());
    EXPECT_EQ(b->pageCount, 256);
    EXPECT_EQ(b->checksum, b->SumBytes(kBufferSize));
    for (const auto& [address, value] : c.bytes)
      EXPECT_EQ(b->bytes[address], value) << "at " << address;
  }
}

TEST(CombineBankSet, AllBanksMissingGivesABlankImage) {
  TempDir dir;
  auto b = std::make_unique<CodeBuffer>();
  b->fileName = dir.File("gone.h01");
  RecordingWindow win;
  uint8_t rc = 0;
  ASSERT_TRUE(CombineBankSet(*b, win, rc));
  LoadIntelHex(*b, win, rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(b->pageCount, 256);
  EXPECT_EQ(Hex4(b->checksum), "0000");
}

TEST(CombineBankSet, AnyFileOfTheSetGivesTheSameMergedFile) {
  TempDir dir;
  const std::string base = dir.File("prog.");
  WriteFile(base + "h01", kH01);
  WriteFile(base + "h02", kH02);
  WriteFile(base + "h03", kH03);
  std::string first;
  for (const char* pick : {"h01", "h02", "h03"}) {
    SCOPED_TRACE(pick);
    auto b = std::make_unique<CodeBuffer>();
    b->fileName = base + pick;
    RecordingWindow win;
    uint8_t rc = 0;
    ASSERT_TRUE(CombineBankSet(*b, win, rc));
    const std::string merged = ReadFile(base + "hex");
    if (first.empty()) first = merged;
    EXPECT_EQ(merged, first);
  }
  // The four-bank layout: h02's and h03's upper halves in the second segment.
  std::vector<std::string> lines;
  for (size_t s = 0, e; (e = first.find("\r\n", s)) != std::string::npos; s = e + 2)
    lines.push_back(first.substr(s, e - s));
  ASSERT_EQ(lines.size(), 8195u);
  EXPECT_EQ(lines[4097], ":020000021000EC");
  EXPECT_EQ(lines[4098].substr(0, 9), ":10000000");
  EXPECT_EQ(lines[4098].substr(9, 2), "42");
  EXPECT_EQ(lines[4098 + 2048].substr(0, 11), ":1080000052");
  EXPECT_EQ(lines[8194], ":00000001FF");
}

TEST(CombineBankSet, NamesBeyond255CharactersAreRefused) {
  TempDir dir;
  const std::string folder = dir.Path().string() + "/";
  for (size_t length : {255u, 256u}) {
    SCOPED_TRACE(length);
    const std::string picked = folder + std::string(length - folder.size() - 4, 'n') + ".h01";
    ASSERT_EQ(picked.size(), length);
    auto b = std::make_unique<CodeBuffer>();
    b->fileName = picked;
    RecordingWindow win;
    uint8_t rc = 0;
    const bool merged = CombineBankSet(*b, win, rc);
    const std::string mergedName = picked.substr(0, picked.size() - 3) + "hex";
    if (length == 255) {
      EXPECT_TRUE(merged);
      EXPECT_EQ(rc, 0);
      EXPECT_TRUE(std::filesystem::exists(mergedName));
    } else {
      EXPECT_FALSE(merged);
      EXPECT_EQ(rc, 1);
      EXPECT_EQ(win.log, std::vector<std::string>{"Bank file name too long, file not loaded!!!"});
      EXPECT_EQ(b->fileName, picked);
      EXPECT_FALSE(std::filesystem::exists(mergedName));
    }
  }
}

TEST(CombineBankSet, AMergedFileCutShortFailsTheLoad) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir dir;
  const std::string base = dir.File("prog.");
  WriteFile(base + "h00", kH00);
  WriteFile(base + "h01", kH01Two);
  std::filesystem::create_symlink("/dev/full", base + "hex");
  auto b = std::make_unique<CodeBuffer>();
  b->fileName = base + "h00";
  RecordingWindow win;
  uint8_t rc = 0;
  EXPECT_FALSE(CombineBankSet(*b, win, rc));
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(win.log, (std::vector<std::string>{"Combine " + base + "h00", "Combine " + base + "h01",
                                               "Fail to write " + base + "hex"}));
}

// ---- FileTimeStamp ----

TEST(FileTimeStamp, LastWriteTimeAtUtcPlus8) {
  // The stamp must not depend on the machine's own time zone.
  const char* oldTz = std::getenv("TZ");
  const std::string savedTz = oldTz ? oldTz : "";
  setenv("TZ", "America/New_York", 1);
  tzset();

  TempDir dir;
  const std::string path = dir.File("prog.hex");
  WriteFile(path, ":00000001FF\n");
  const std::pair<time_t, const char*> cases[] = {
      {1704054600, " <2024-01-01 04:30:00>"},  // 2023-12-31 20:30:00 UTC
      {1709150400, " <2024-02-29 04:00:00>"},  // 2024-02-28 20:00:00 UTC, leap day
      {1700000000, " <2023-11-15 06:13:20>"},  // same day
      {0, " <1970-01-01 08:00:00>"},
  };
  for (const auto& [mtime, expected] : cases) {
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(FileTimeStamp(path), expected) << mtime;
  }
  EXPECT_EQ(FileTimeStamp(dir.File("missing.hex")), "n/a");

  if (oldTz)
    setenv("TZ", savedTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace tq
