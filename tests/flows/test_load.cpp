// Load File: the filter decides the reader, bank sets, the model choice,
// the folder remembered.
#include <gtest/gtest.h>

#include <algorithm>

#include "flows/McuSelection.h"
#include "image/ImageFiles.h"
#include "tests/flows/Fixture.h"

namespace tq::test {
namespace {

class LoadTest : public FlowsTest {
 protected:
  std::string LoadLine(const fs::path& file) {
    return "Load File @(" + clock.LongTimeText() + ") - " + file.string() +
           FileTimeStamp(file.string());
  }
  int ModelDialogs() {
    return static_cast<int>(std::count(win.events.begin(), win.events.end(), "mcu"));
  }
  std::string ReadPathKey() {
    return ConfigFile(dir.string()).ReadString("INFORMATION", "PATH", "");
  }
};

uint16_t Sum(const std::string& bytes) {
  uint16_t s = 0;
  for (unsigned char c : bytes) s = static_cast<uint16_t>(s + c);
  return s;
}

TEST_F(LoadTest, FilterNotExtensionDecidesTheReader) {
  StartUp();
  const std::string hexText = IntelHexText({{0, std::vector<uint8_t>(100, 0x11)}});
  const std::string raw = "\x01\x02\x03 not a hex file";
  WriteBytes(dir / "fw.bin", hexText);
  WriteBytes(dir / "raw.hex", raw);
  struct {
    std::string file;
    int kind;
    std::string checksumLine;  // empty: the load fails
    std::string defaultExt;
    bool modelDialog;
  } cases[] = {
      {"fw.bin", 1, "HexFile CheckSum:06A4", "hex", true},
      {"fw.bin", 3, "BinFile CheckSum:" + Hex4(Sum(hexText)), "bin", false},
      {"raw.hex", 3, "BinFile CheckSum:" + Hex4(Sum(raw)), "bin", false},
      {"fw.bin", 4, "", "bin", false},  // no such filter: left as the last load set it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + " as " + std::to_string(c.kind));
    win.Clear();
    win.enabled.clear();
    session.resultCode = kResultEraseFail;
    Load(dir / c.file, c.kind);

    EXPECT_EQ(session.buffer.fileKind, c.kind);
    EXPECT_EQ(session.openDialog.defaultExt, c.defaultExt);
    EXPECT_EQ(ModelDialogs(), c.modelDialog ? 1 : 0);
    if (c.checksumLine.empty()) {
      EXPECT_EQ(win.log, std::vector<std::string>{"Open file fail."});
      EXPECT_EQ(session.resultCode, kResultNoLink);
      continue;
    }
    EXPECT_EQ(session.resultCode, kResultOk);
    EXPECT_EQ(win.log, (std::vector<std::string>{LoadLine(dir / c.file), c.checksumLine}));
    EXPECT_EQ(win.Only("enable"),
              (std::vector<std::string>{"AutoButton", "Auto1", "SpeedButton1"}));
  }
}

struct BankCase {
  std::string name;
  std::vector<std::pair<std::string, std::vector<HexBlock>>> files;  // extension, content
  std::string picked;
  std::vector<std::string> banks;    // bank extensions read, in order
  std::vector<std::string> missing;  // those that fail to open
  std::vector<HexBlock> image;       // expected merged image (rest blank)
};

TEST_F(LoadTest, BankSetsAreMergedIntoOneHexFileAndLoaded) {
  const auto a = PatternBytes(2, 1), b = PatternBytes(2, 2), c = PatternBytes(1, 3),
             d = PatternBytes(1, 4);
  const BankCase cases[] = {
      {"two banks",
       {{"h00", {{0, a}}}, {"h01", {{0, b}}}},
       "h01",
       {"h00", "h01"},
       {},
       {{0, a}, {0x10000, b}}},
      {"four banks, h02 picked, lower halves of h02 and h03 ignored",
       {{"h01", {{0, a}}}, {"h02", {{0, b}, {0x8000, c}}}, {"h03", {{0x8000, d}}}},
       "h02",
       {"h01", "h02", "h03"},
       {},
       {{0, a}, {0x10000, c}, {0x18000, d}}},
      {"all banks missing", {}, "h01", {"h01", "h02", "h03"}, {"h01", "h02", "h03"}, {}},
  };
  int set = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Build();
    StartUp();
    const std::string base = (dir / ("set" + std::to_string(++set) + ".")).string();
    for (const auto& [ext, blocks] : k.files) WriteBytes(base + ext, IntelHexText(blocks));

    Load(base + k.picked, 2);

    std::vector<std::string> log;
    for (const auto& ext : k.banks) {
      const bool miss = std::find(k.missing.begin(), k.missing.end(), ext) != k.missing.end();
      if (miss) log.push_back("Fail to open File" + base + ext);
      log.push_back((miss ? "Bypass " : "Combine ") + base + ext);
    }
    log.push_back("Creat " + base + "hex");
    log.push_back(LoadLine(base + "hex"));
    CodeBuffer expected;
    expected.FillBlank();
    for (const auto& [at, bytes] : k.image)
      std::copy(bytes.begin(), bytes.end(), expected.bytes.begin() + at);
    log.push_back("HexFile CheckSum:" + Hex4(expected.SumBytes(kBufferSize)));
    EXPECT_EQ(win.log, log);
    EXPECT_TRUE(session.buffer.bytes == expected.bytes);
    EXPECT_EQ(session.buffer.pageCount, 256);
    EXPECT_EQ(*session.buffer.fileName, base + "hex");
    EXPECT_EQ(session.openDialog.defaultExt, "h01");
    EXPECT_EQ(ModelDialogs(), 0);  // a full 128 KB image needs no model
  }
}

TEST_F(LoadTest, ModelChoiceAfterAHexLoadLogsTheFillChecksum) {
  StartUp();
  const fs::path file = WriteHex("small.hex", {{0, std::vector<uint8_t>(100, 0x00)}});
  Load(file, 1, 0);
  EXPECT_EQ(win.lastMcuItems, McuItemTexts(BuildModelList(*config)));
  EXPECT_EQ(win.lastMcuItems.at(0), "1. KV200/KV210 (60K)");
  EXPECT_EQ(win.log, (std::vector<std::string>{LoadLine(file), "HexFile CheckSum:0000",
                                               "Fill (60k) Check Sum:AC64 - (KV200/KV210)"}));
  EXPECT_EQ(session.chosenPageCount, 120);
  EXPECT_EQ(session.buffer.checksum, 0xAC64);

  // Closing the dialog chooses nothing; data in page 255 opens no dialog.
  win.Clear();
  Load(file, 1);
  EXPECT_EQ(win.log.size(), 2u);
  EXPECT_EQ(session.chosenPageCount, 120);
  win.Clear();
  Load(WriteHex("full.hex", {{0x1FE00, {0x42}}}), 1, 0);
  EXPECT_EQ(ModelDialogs(), 0);
  EXPECT_EQ(session.chosenPageCount, 120);
}

TEST_F(LoadTest, ConfirmedLoadRemembersTheFolder) {
  StartUp();
  const fs::path folder = dir / "work" / "fw";
  fs::create_directories(folder);
  const fs::path file = folder / "prog.hex";
  WriteBytes(file, IntelHexText({{0, {1, 2, 3}}}));

  Load(file, 1);

  EXPECT_EQ(fs::current_path(), folder);
  EXPECT_EQ(ReadPathKey(), folder.string());
  EXPECT_EQ(session.openDialog.initialDir, folder.string());
  EXPECT_EQ(session.saveDialog.initialDir, folder.string());
  EXPECT_EQ(*session.buffer.fileName, file.string());

  // A failed load moves the working directory (the dialog was confirmed)
  // but remembers nothing.
  const fs::path other = dir / "other";
  fs::create_directories(other);
  win.Clear();
  Load(other / "missing.hex", 1);
  EXPECT_EQ(fs::current_path(), other);
  EXPECT_EQ(ReadPathKey(), folder.string());
  EXPECT_EQ(session.openDialog.initialDir, folder.string());
  EXPECT_EQ(win.log,
            (std::vector<std::string>{"Fail to open File" + (other / "missing.hex").string(),
                                      "Open file fail."}));
  EXPECT_EQ(*session.buffer.fileName, (other / "missing.hex").string());
}

TEST_F(LoadTest, FailedLoadDisablesOnlyTheAutoButton) {
  StartUp();
  Load(WriteHex("ok.hex", {{0, {1}}}), 1);
  win.Clear();
  win.enabled.clear();
  Load(dir / "gone.hex", 1);
  EXPECT_EQ(session.resultCode, kResultNoLink);
  EXPECT_EQ(win.Only("disable"), std::vector<std::string>{"AutoButton"});
  EXPECT_TRUE(win.Only("enable").empty());
  EXPECT_EQ(session.buffer.pageCount, 0);
}

TEST_F(LoadTest, CancelledDialogChangesNothing) {
  StartUp();
  session.resultCode = kResultCompareFail;
  const fs::path cwd = fs::current_path();
  cmd->OpenButtonClick();
  EXPECT_EQ(win.events, std::vector<std::string>{"open"});
  EXPECT_EQ(session.resultCode, kResultOk);
  EXPECT_FALSE(session.buffer.fileName.has_value());
  EXPECT_EQ(fs::current_path(), cwd);
  EXPECT_EQ(win.lastOpenState.initialDir, dir.string());
  EXPECT_EQ(win.lastOpenState.defaultExt, "hex");
}

TEST_F(LoadTest, UnwritablePathSkipsTheRestOfTheCommand) {
  StartUp();
  const fs::path file = WriteHex("prog.hex", {{0, {9}}});
  // A directory where the settings file should be: every write fails.
  fs::remove(dir / ConfigFile::kFileName);
  fs::create_directory(dir / ConfigFile::kFileName);
  const std::string before = session.openDialog.initialDir;

  QueueOpen(file, 1);
  EXPECT_THROW(cmd->OpenButtonClick(), ConfigWriteError);

  EXPECT_EQ(win.log, std::vector<std::string>{LoadLine(file)});
  EXPECT_EQ(win.Only("enable"), (std::vector<std::string>{"AutoButton", "Auto1"}));
  EXPECT_EQ(ModelDialogs(), 0);
  EXPECT_EQ(session.openDialog.initialDir, before);
  EXPECT_EQ(session.saveDialog.initialDir, before);
}

}  // namespace
}  // namespace tq::test

namespace tq::test {
namespace {

// A bank set whose name is too long for the merge is refused; neither Load
// File nor Auto may then read the picked bank file as if it were the image.
TEST_F(LoadTest, RefusedBankSetLoadsNothing) {
  StartUp();
  const fs::path deep = dir / std::string(120, 'd') / std::string(120, 'e');
  fs::create_directories(deep);
  std::ofstream(deep / "prog.h01") << ":0100000042BD\n:00000001FF\n";
  const fs::path picked = deep / "prog.h01";
  ASSERT_GT(picked.string().size(), 255u);

  Load(picked, 2);
  EXPECT_EQ(session.resultCode, kResultNoLink);
  EXPECT_EQ(win.log.back(), "Open file fail.");
  EXPECT_EQ(session.buffer.pageCount, 0);

  win.Clear();
  session.buffer.fileKind = 2;
  cmd->AutoButtonClick();
  EXPECT_EQ(session.resultCode, kResultNoLink);
  EXPECT_EQ(std::count(win.log.begin(), win.log.end(), "ISP ON"), 0);
  EXPECT_EQ(win.log.back(), "ISP OFF.");
}

}  // namespace
}  // namespace tq::test

namespace tq::test {
namespace {

// A relative name from the dialog still names the picked file after the
// working directory has moved to its folder.
TEST_F(LoadTest, RelativeNameIsKeptAbsolute) {
  StartUp();
  const fs::path file = WriteHex("rel.hex", {{0, {7}}});
  fs::create_directories(dir / "sub");
  fs::current_path(dir / "sub");
  QueueOpen(fs::path("..") / "rel.hex", 1);
  cmd->OpenButtonClick();
  EXPECT_EQ(session.resultCode, kResultOk);
  EXPECT_EQ(fs::path(*session.buffer.fileName).lexically_normal(), file);
  EXPECT_EQ(fs::current_path(), dir);
}

}  // namespace
}  // namespace tq::test
