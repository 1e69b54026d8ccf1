#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "image/ImageFiles.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/RecordingWindow.h"

namespace tq {
namespace {

using test::ReadFile;
using test::RecordingWindow;
using test::TempDir;

std::unique_ptr<CodeBuffer> Patterned(int pages) {
  auto b = std::make_unique<CodeBuffer>();
  b->FillBlank();
  for (int i = 0; i < pages * kPageSize; ++i)
    b->bytes[i] = static_cast<uint8_t>((i * 131 + (i >> 9) * 7 + 3) & 0xFF);
  b->pageCount = pages;
  return b;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
    lines.push_back(text.substr(start, pos - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return lines;
}

TEST(WriteHexPage, BlankRecordsCarryTheirChecksum) {
  auto b = std::make_unique<CodeBuffer>();
  b->FillBlank();
  b->bytes[512 + 16] = 0x00;
  std::ostringstream out;
  WriteHexPage(out, *b, 1, 0xFE00);
  const auto lines = Lines(out.str());
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines[0], ":10FE0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF02");
  EXPECT_EQ(lines[1], ":10FE100000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF1");
  EXPECT_EQ(lines[31], ":10FFF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF11");

  std::ostringstream first;
  WriteHexPage(first, *b, 0, 0x0000);
  EXPECT_EQ(Lines(first.str())[0], ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00");
  EXPECT_EQ(Lines(first.str())[1], ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0");
}

struct WriteCase {
  const char* name;
  int imagePages;  // pages of data in the buffer
  int writePages;  // N
  size_t lines;
  std::vector<std::pair<size_t, std::string>> expectLines;  // index -> exact text
};

TEST(WriteIntelHex, LinesAndReadBack) {
  // clang-format off
  const WriteCase cases[] = {
      {"empty image: end line only", 0, 0, 1, {{0, ":00000001FF"}}},
      {"three pages filled to 32k", 3, 64, 1 + 64 * 32 + 1,
       {{0, ":020000020000FC"},
        {1 + 3 * 32, ":10060000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFA"},
        {64 * 32, ":107FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF91"},
        {1 + 64 * 32, ":00000001FF"}}},
      {"64k with one segment line", 128, 128, 1 + 128 * 32 + 1,
       {{0, ":020000020000FC"}, {1 + 128 * 32, ":00000001FF"}}},
      {"fill 128k", 256, 256, 2 + 256 * 32 + 1,
       {{0, ":020000020000FC"}, {1 + 128 * 32, ":020000021000EC"}, {2 + 256 * 32, ":00000001FF"}}},
      {"129 pages", 129, 129, 2 + 129 * 32 + 1, {{1 + 128 * 32, ":020000021000EC"}}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.File("out.hex");
    auto image = Patterned(c.imagePages);
    RecordingWindow win;
    uint8_t rc = 0;
    WriteIntelHex(*image, path, c.writePages, win, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(win.events, std::vector<std::string>{"log:File Saved."});

    const auto lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), c.lines);
    for (const auto& [index, text] : c.expectLines)
      EXPECT_EQ(lines[index], text) << "line " << index;
    const auto segments = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.rfind(":02000002", 0) == 0;
    });
    EXPECT_EQ(segments, c.writePages == 0 ? 0 : c.writePages > 128 ? 2 : 1);

    // The file reads back into the same image, filled pages blank.
    auto back = std::make_unique<CodeBuffer>();
    back->fileName = path;
    LoadIntelHex(*back, win, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(back->pageCount, c.writePages);
    EXPECT_EQ(back->loadedBytes, c.writePages * kPageSize);
    EXPECT_EQ(back->bytes, image->bytes);
  }
}

TEST(WriteIntelHex, ObjcopyReadsTheSameBytes) {
  if (std::system("objcopy --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no objcopy";
  TempDir dir;
  const std::string hex = dir.File("full.hex");
  const std::string bin = dir.File("full.bin");
  auto image = Patterned(256);
  RecordingWindow win;
  uint8_t rc = 0;
  WriteIntelHex(*image, hex, 256, win, rc);
  ASSERT_EQ(rc, 0);
  const std::string command = "objcopy -I ihex -O binary '" + hex + "' '" + bin + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto bytes = test::ReadBytes(bin);
  ASSERT_EQ(bytes.size(), image->bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image->bytes.begin()));
}

TEST(WriteBinary, WritesWholePages) {
  TempDir dir;
  // A 1000-byte binary loads as two pages and saves as 1024 bytes.
  std::string original(1000, '\0');
  for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<char>(i * 7);
  const std::string in = dir.File("in.bin");
  test::WriteFile(in, original);
  auto b = std::make_unique<CodeBuffer>();
  b->fileName = in;
  RecordingWindow win;
  uint8_t rc = 0;
  LoadBinary(*b, win, rc);
  ASSERT_EQ(rc, 0);

  const std::string out = dir.File("out.bin");
  WriteBinary(*b, out, b->pageCount, win, rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(win.log.back(), "File Saved.");
  const std::string saved = ReadFile(out);
  ASSERT_EQ(saved.size(), 1024u);
  EXPECT_EQ(saved.substr(0, 1000), original);
  EXPECT_EQ(saved.substr(1000), std::string(24, '\xFF'));

  WriteBinary(*b, out, 0, win, rc);
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(ReadFile(out).empty());
}

using Writer = void (*)(const CodeBuffer&, const std::string&, int, WindowServices&, uint8_t&);

TEST(Writers, FailuresAreReportedAndLeaveNoFile) {
  TempDir dir;
  const bool haveFull = std::filesystem::exists("/dev/full");
  const std::string full = dir.File("full.out");
  if (haveFull) std::filesystem::create_symlink("/dev/full", full);
  struct Case {
    const char* name;
    Writer writer;
    std::string path;
    const char* line;
  };
  const Case cases[] = {
      {"hex, no folder", WriteIntelHex, dir.File("no/such/dir/x.hex"), "Fail to open file!!!"},
      {"bin, no folder", WriteBinary, dir.File("no/such/dir/x.bin"), "Fail to open file!!!"},
      {"hex, a folder", WriteIntelHex, dir.Path().string(), "Fail to open file!!!"},
      {"hex, disk full", WriteIntelHex, full, "Fail to write file!!!"},
      {"bin, disk full", WriteBinary, full, "Fail to write file!!!"},
  };
  auto image = Patterned(256);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.path == full && !haveFull) continue;
    RecordingWindow win;
    uint8_t rc = 0;
    c.writer(*image, c.path, 256, win, rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(win.events,
              (std::vector<std::string>{std::string("log:") + c.line, "status1:File not saved"}));
  }
}

}  // namespace
}  // namespace tq
