// Save File: the filters and their fill sizes, the refusal, PATH and the
// working directory after the dialog.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/ImageFiles.h"
#include "tests/flows/Fixture.h"
#include "tests/support/FileSizeLimit.h"

namespace tq::test {
namespace {

std::string FileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One data record of 16 bytes as the tool writes it, CR LF included.
std::string DataRecord(uint16_t address, const uint8_t* bytes) {
  char text[64];
  uint8_t sum = static_cast<uint8_t>(16 + (address >> 8) + (address & 0xFF));
  int n = std::snprintf(text, sizeof text, ":10%04X00", address);
  for (int i = 0; i < 16; ++i) {
    n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X", bytes[i]);
    sum = static_cast<uint8_t>(sum + bytes[i]);
  }
  std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X\r\n",
                static_cast<uint8_t>(-sum) & 0xFF);
  return text;
}

// The HEX file expected for `pages` pages of this buffer.
std::string ExpectedHex(const CodeBuffer& buffer, int pages) {
  std::string text;
  for (int page = 0; page < pages; ++page) {
    if (page == 0) text += ":020000020000FC\r\n";
    if (page == 128) text += ":020000021000EC\r\n";
    for (int row = 0; row < 32; ++row) {
      const uint32_t offset = static_cast<uint32_t>(page) * kPageSize + static_cast<uint32_t>(row) * 16;
      text += DataRecord(static_cast<uint16_t>(offset & 0xFFFF), buffer.bytes.data() + offset);
    }
  }
  return text + ":00000001FF\r\n";
}

class SaveTest : public FlowsTest {
 protected:
  void SetUp() override {
    FlowsTest::SetUp();
    Build();
    fs::create_directory(dir / "out");
  }
  // A buffer of `pages` pages of pattern bytes, blank beyond them.
  void Image(int pages) {
    CodeBuffer& b = session.buffer;
    b.FillBlank();
    const std::vector<uint8_t> bytes = PatternBytes(pages, 0x21);
    std::copy(bytes.begin(), bytes.end(), b.bytes.begin());
    b.pageCount = pages;
    b.checksum = 0x1234;
    b.fileName = (dir / "image.hex").string();
    b.fileKind = 1;
  }
  void Save(const fs::path& file, int filter) {
    win.saveAnswers.push_back(FileChoice{file.string(), filter});
    cmd->SaveFile1Click();
  }
};

TEST_F(SaveTest, FiltersChooseWriterAndFillSize) {
  struct Case {
    int pages;
    int filter;
    int written;  // pages in the file; -1: refused, -2: binary
  };
  const Case cases[] = {
      {3, 1, 3},     {3, 2, 64},     {3, 0, 3},       {3, -4, 3},     {128, 2, -1},
      {128, 3, -1},  {128, 4, 128},  {130, 4, -1},    {130, 5, 256},  {256, 5, 256},
      {0, 1, 0},     {0, 4, 128},    {121, 3, -1},    {120, 3, 120},  {3, 6, -2},
      {0, 6, -2},    {5, 9, -2},     {256, 6, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("pages " + std::to_string(c.pages) + " filter " + std::to_string(c.filter));
    Image(c.pages);
    const CodeBuffer before = session.buffer;
    session.resultCode = kResultReadFail;  // a successful save leaves it alone
    win.Clear();
    const fs::path file = dir / "out" / "saved.hex";
    fs::remove(file);
    Save(file, c.filter);

    if (c.written == -1) {
      EXPECT_EQ(win.log, (std::vector<std::string>{"Buffer size > File Size!", "Save File canceled!"}));
      EXPECT_EQ(session.resultCode, kResultNoLink);
      EXPECT_FALSE(fs::exists(file));
    } else {
      EXPECT_EQ(win.log, std::vector<std::string>{"File Saved."});
      EXPECT_EQ(session.resultCode, kResultReadFail);
      if (c.written == -2) {
        const auto& bytes = before.bytes;
        EXPECT_EQ(FileText(file), std::string(bytes.begin(), bytes.begin() + c.pages * kPageSize));
      } else {
        EXPECT_EQ(FileText(file), ExpectedHex(before, c.written));
      }
    }
    // Saving changes nothing in the buffer and touches no status panel.
    EXPECT_EQ(session.buffer.bytes, before.bytes);
    EXPECT_EQ(session.buffer.pageCount, before.pageCount);
    EXPECT_EQ(session.buffer.checksum, before.checksum);
    EXPECT_EQ(session.buffer.fileName, before.fileName);
    EXPECT_TRUE(win.Only("status1").empty());
  }
}

TEST_F(SaveTest, ThreePagesFilledTo32kAreBlankFromPage3) {
  Image(3);
  Save(dir / "out" / "fill.hex", 2);
  std::istringstream lines(FileText(dir / "out" / "fill.hex"));
  std::vector<std::string> records;
  for (std::string line; std::getline(lines, line);) records.push_back(line);
  ASSERT_EQ(records.size(), 1u + 64 * 32 + 1);
  EXPECT_EQ(records.front(), ":020000020000FC\r");
  EXPECT_EQ(records.back(), ":00000001FF\r");
  for (size_t i = 1 + 3 * 32; i < records.size() - 1; ++i)
    ASSERT_EQ(records[i].substr(9, 32), std::string(32, 'F')) << records[i];
  EXPECT_EQ(records[1 + 63 * 32 + 31].substr(0, 9), ":107FF000");
}

TEST_F(SaveTest, Fill128kReadsBackIntoTheSameImage) {
  Image(130);
  session.buffer.bytes[0x1FFFF] = 0x5A;  // beyond the image: saved as it stands
  const CodeBuffer saved = session.buffer;
  Save(dir / "out" / "full.hex", 5);

  CodeBuffer back;
  back.fileName = (dir / "out" / "full.hex").string();
  uint8_t result = 0;
  RecordingWindow quiet;
  LoadIntelHex(back, quiet, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(back.pageCount, 256);
  EXPECT_TRUE(back.bytes == saved.bytes);
}

TEST_F(SaveTest, ABinaryOf1000BytesSavesAsTwoWholePages) {
  std::vector<uint8_t> image(1000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 3 + 1);
  WriteBytes(dir / "small.bin", image);
  Load(dir / "small.bin", 3);
  ASSERT_EQ(session.buffer.pageCount, 2);

  Save(dir / "out" / "small.bin", 6);
  const std::string saved = FileText(dir / "out" / "small.bin");
  ASSERT_EQ(saved.size(), 1024u);
  EXPECT_EQ(saved.substr(0, 1000), std::string(image.begin(), image.end()));
  EXPECT_EQ(saved.substr(1000), std::string(24, '\xFF'));
}

TEST_F(SaveTest, AConfirmedDialogRemembersTheFolder) {
  struct Case {
    const char* what;
    int pages;
    int filter;
    const char* name;  // in dir/out/<sub>
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"saved", 2, 1, "a.hex", {"File Saved."}},
      {"refused", 200, 2, "b.hex", {"Buffer size > File Size!", "Save File canceled!"}},
      // a folder in the file's place: the writer cannot create the file
      {"not created", 2, 6, "taken", {"Fail to open file!!!"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = dir / "out" / ("sub" + std::to_string(++n));
    fs::create_directories(folder / "taken");
    Image(c.pages);
    session.openDialog.filterIndex = 3;
    win.Clear();
    Save(folder / c.name, c.filter);
    EXPECT_EQ(win.log, c.log);
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_EQ(ReadPath(*config), folder.string());
    EXPECT_EQ(session.openDialog.initialDir, folder.string());
    EXPECT_EQ(session.saveDialog.initialDir, folder.string());
    EXPECT_EQ(session.openDialog.filterIndex, 1);
    EXPECT_EQ(session.saveDialog.filterIndex, c.filter);
  }
}

TEST_F(SaveTest, ACancelledDialogStillResetsTheOpenFilter) {
  Image(2);
  session.openDialog.filterIndex = 3;
  session.openDialog.initialDir = "/before";
  session.saveDialog.initialDir = "/before";
  const std::string ini = FileText(config->Path());
  const fs::path cwd = fs::current_path();
  session.resultCode = kResultEraseFail;

  cmd->SaveFile1Click();  // no answer queued: cancelled

  EXPECT_EQ(win.events, std::vector<std::string>{"save"});
  EXPECT_EQ(session.openDialog.filterIndex, 1);
  EXPECT_EQ(session.openDialog.initialDir, "/before");
  EXPECT_EQ(session.saveDialog.initialDir, "/before");
  EXPECT_EQ(FileText(config->Path()), ini);
  EXPECT_EQ(fs::current_path(), cwd);
  EXPECT_EQ(session.resultCode, kResultEraseFail);
}

TEST_F(SaveTest, AFailedPathWriteKeepsTheDialogsButNotTheFile) {
  Image(0);
  session.openDialog.initialDir = "/before";
  session.saveDialog.initialDir = "/before";
  const std::string ini = FileText(config->Path());
  ASSERT_GT(ini.size(), 100u);
  {
    FileSizeLimit limit(100);  // room for the file, not for tarnquil.ini
    EXPECT_THROW(Save(dir / "out" / "empty.hex", 1), ConfigWriteError);
  }
  EXPECT_EQ(FileText(dir / "out" / "empty.hex"), ":00000001FF\r\n");
  EXPECT_EQ(FileText(config->Path()), ini);
  EXPECT_EQ(session.openDialog.initialDir, "/before");
  EXPECT_EQ(session.saveDialog.initialDir, "/before");
}

}  // namespace
}  // namespace tq::test
