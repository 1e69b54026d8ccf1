// The checksum report: the dialog's values and "CheckSum.txt".
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "flows/CheckSumReport.h"
#include "tests/flows/Fixture.h"
#include "tests/support/FileSizeLimit.h"

namespace tq::test {
namespace {

std::string TextOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportTest : public FlowsTest {
 protected:
  void SetUp() override {
    FlowsTest::SetUp();
    Build();
    fs::current_path(dir);
    clock.SetTexts("09:30:00", "2026-03-04");
  }
  CheckSumReport Dialog() { return CheckSumReport(session.buffer, *config, win, clock); }
  std::string Company() const { return config->ReadString("INFORMATION", "COMPANY", "<none>"); }
};

TEST_F(ReportTest, BeforeAnyLoad) {
  CheckSumReport dialog = Dialog();
  EXPECT_EQ(dialog.Company(), "Input Company Here");
  EXPECT_EQ(dialog.Date(), "2026-03-04");
  EXPECT_EQ(dialog.FileName(), "");
  EXPECT_EQ(dialog.CheckSum(), "0000");

  // The day changed while the dialog was open: the file takes the new date.
  clock.SetTexts("00:00:01", "2026-03-05");
  EXPECT_TRUE(dialog.Button1Click("Kelvane Works"));
  EXPECT_EQ(TextOf(dir / "CheckSum.txt"),
            "Company Name:Kelvane Works\r\nFile Name:(null)\r\nDate:2026-03-05\r\nCheckSum:0000\r\n");
  EXPECT_EQ(win.events, std::vector<std::string>{"info:CheckSum.txt created."});
  EXPECT_EQ(Company(), "Kelvane Works");
  EXPECT_EQ(Dialog().Company(), "Kelvane Works");
}

TEST_F(ReportTest, AfterALoadAndAModelChoiceItHoldsTheFillChecksum) {
  fs::create_directory(dir / "images");
  const fs::path hex = WriteHex("images/app.hex", {{0, PatternBytes(3, 0x42)}});
  Load(hex, 1, 0);  // the first model: 60k
  ASSERT_EQ(session.chosenPageCount, 120);
  const std::vector<std::string> fill = win.Only("log");
  ASSERT_FALSE(fill.empty());
  const std::string& fillLine = fill.back();  // "Fill (60k) Check Sum:XXXX - (...)"
  ASSERT_EQ(fillLine.rfind("Fill (60k) Check Sum:", 0), 0u) << fillLine;
  const std::string sum = fillLine.substr(21, 4);
  win.Clear();

  CheckSumReport dialog = Dialog();
  EXPECT_EQ(dialog.FileName(), hex.string());
  EXPECT_EQ(dialog.CheckSum(), sum);
  EXPECT_TRUE(dialog.Button1Click("Input Company Here"));
  // The load made the image's folder the working directory.
  EXPECT_EQ(TextOf(dir / "images" / "CheckSum.txt"),
            "Company Name:Input Company Here\r\nFile Name:" + hex.string() +
                "\r\nDate:2026-03-04\r\nCheckSum:" + sum + "\r\n");
  EXPECT_FALSE(fs::exists(dir / "CheckSum.txt"));
  EXPECT_EQ(Company(), "Input Company Here");  // the default text is stored as typed
}

TEST_F(ReportTest, AnEmptyCompanyIsStoredEmpty) {
  WriteBytes(dir / "CheckSum.txt", std::string(500, 'x'));  // replaced without a question
  EXPECT_TRUE(Dialog().Button1Click(""));
  EXPECT_EQ(TextOf(dir / "CheckSum.txt"),
            "Company Name:\r\nFile Name:(null)\r\nDate:2026-03-04\r\nCheckSum:0000\r\n");
  EXPECT_EQ(Company(), "");
  EXPECT_EQ(Dialog().Company(), "");
}

TEST_F(ReportTest, AReportThatCannotBeWrittenIsNotAnnounced) {
  struct Case {
    const char* what;
    void (*setup)(const fs::path& dir);
  };
  const Case cases[] = {
      {"a folder in its place",
       [](const fs::path& d) { fs::create_directory(d / "CheckSum.txt"); }},
      // created, but the lines never reach the disk
      {"a full disk", [](const fs::path& d) { fs::create_symlink("/dev/full", d / "CheckSum.txt"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir / "CheckSum.txt");
    c.setup(dir);
    config->WriteString("INFORMATION", "COMPANY", "Before");
    win.Clear();
    EXPECT_TRUE(Dialog().Button1Click("After"));
    EXPECT_EQ(win.events, std::vector<std::string>{"error:Creat File fail!"});
    EXPECT_EQ(Company(), "Before");
  }
  fs::remove_all(dir / "CheckSum.txt");
}

TEST_F(ReportTest, AFailedCompanyWriteComesAfterTheReportIsOnDisk) {
  config->WriteString("INFORMATION", "COMPANY", "Before");
  const std::string ini = TextOf(config->Path());
  ASSERT_GT(ini.size(), 200u);
  CheckSumReport dialog = Dialog();
  {
    FileSizeLimit limit(200);  // room for the report, not for tarnquil.ini
    try {
      dialog.Button1Click("After");
      ADD_FAILURE() << "no error";
    } catch (const ConfigWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + config->Path());
    }
  }
  EXPECT_EQ(win.events, std::vector<std::string>{"info:CheckSum.txt created."});
  EXPECT_EQ(TextOf(dir / "CheckSum.txt"),
            "Company Name:After\r\nFile Name:(null)\r\nDate:2026-03-04\r\nCheckSum:0000\r\n");
  EXPECT_EQ(TextOf(config->Path()), ini);
}

}  // namespace
}  // namespace tq::test
