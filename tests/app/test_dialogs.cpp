// The four small windows and the file dialogs, with the default MCU table.
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>

#include <fstream>
#include <sstream>

#include "dialogs/Checksumlist.h"
#include "dialogs/Editmenu.h"
#include "dialogs/Gauge.h"
#include "dialogs/Selectmcu.h"
#include "dialogs/Setup.h"
#include "tests/app/AppFixture.h"

namespace tq::test {
namespace {

std::string Text(const QString& s) { return s.toStdString(); }

// ---- the MCU model dialog after a HEX load -------------------------------------

struct McuCase {
  const char* name;
  std::optional<int> item;  // nullopt: the close box
  const char* line;         // the fill line, or "" for none
  int chosenPages;
};

class McuDialogTest : public WindowTest, public ::testing::WithParamInterface<McuCase> {};

TEST_P(McuDialogTest, ListsTheDefaultModelsInTwoColumnsAndAChoiceCloses) {
  const McuCase& c = GetParam();
  Build();
  const fs::path image = WriteImage("zeros.hex", std::vector<uint8_t>(100, 0x00));
  prompter.fileAnswers.push_back(FileChoice{image.string(), 1});
  bool seen = false;
  prompter.onExec = [&](QDialog& dialog) {
    auto* mcu = qobject_cast<TMcuForm*>(&dialog);
    if (!mcu) return dialog.result();
    seen = true;
    EXPECT_EQ(Text(mcu->windowTitle()), "Select MCU model for CheckSum");
    EXPECT_EQ(Text(mcu->RadioGroup1->title()), "Select MCU name");
    EXPECT_EQ(mcu->size(), QSize(402, 233));
    EXPECT_EQ(mcu->pos(), QPoint(361, 190));
    EXPECT_EQ(mcu->RadioGroup1->font().pixelSize(), 15);
    const char* const texts[] = {"1. KV200/KV210 (60K)",    "2. KV200G (60K)",
                                 "3. KV200G (64K)",         "4. KV230 (64K)",
                                 "5. KV240/KV250 (128K)",   "6. KV250A/240A (128K)",
                                 "7. KV300/310-64K (64K)",  "8. KV300/310-128K (128K)",
                                 "9. KV320-64K (64K)",      "10. KV320-128K (128K)",
                                 "11. KV330-64K (64K)",     "12. KV330-128K (128K)"};
    EXPECT_EQ(mcu->ItemCount(), 12);
    for (int i = 0; i < 12 && i < mcu->ItemCount(); ++i) {
      QRadioButton* item = mcu->Item(i);
      EXPECT_EQ(Text(item->text()), texts[i]);
      EXPECT_FALSE(item->isChecked()) << i;
      // Filled column by column: 1-6 on the left, 7-12 on the right.
      QRadioButton* top = mcu->Item(i < 6 ? 0 : 6);
      EXPECT_EQ(item->x(), top->x()) << i;
      if (i < 6) {
        EXPECT_LT(item->x(), mcu->Item(i + 6)->x()) << i;
        EXPECT_EQ(item->y(), mcu->Item(i + 6)->y()) << i;
      }
      if (i % 6) {
        EXPECT_GT(item->y(), mcu->Item(i - 1)->y()) << i;
      }
    }
    if (c.item) {
      QTest::mouseClick(mcu->Item(*c.item), Qt::LeftButton);
      EXPECT_FALSE(mcu->isVisible());
    } else {
      mcu->reject();
    }
    return dialog.result();
  };
  Click("OpenButton");
  EXPECT_TRUE(seen);

  bool anyFill = false;
  for (const auto& l : LogLines()) anyFill = anyFill || l.rfind("Fill (", 0) == 0;
  if (*c.line) {
    EXPECT_TRUE(Logged(c.line)) << c.line;
  } else {
    EXPECT_FALSE(anyFill);
  }
  EXPECT_EQ(session.chosenPageCount, c.chosenPages);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, McuDialogTest,
    ::testing::Values(McuCase{"First", 0, "Fill (60k) Check Sum:AC64 - (KV200/KV210)", 120},
                      McuCase{"Fourth", 3, "Fill (64k) Check Sum:9C64 - (KV230)", 128},
                      McuCase{"CloseBox", std::nullopt, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the speed dialog ------------------------------------------------------------------

TEST_F(WindowTest, SetSpeedOpensOneMoreModelessDialogEachTime) {
  Build();  // IIC_SPEED 0 in the file
  Item("SetSpeed1")->trigger();
  Item("SetSpeed1")->trigger();
  const auto dialogs = form->findChildren<TSetupForm*>();
  ASSERT_EQ(dialogs.size(), 2);
  for (TSetupForm* d : dialogs) EXPECT_TRUE(d->isVisible() && !d->isModal());

  TSetupForm* d = dialogs.front();
  EXPECT_EQ(Text(d->windowTitle()), "SetupForm");
  EXPECT_EQ(d->size(), QSize(297, 230));
  EXPECT_EQ(Text(d->GroupBox1->title()), "Manual Adjust IIC speed");
  EXPECT_EQ(Text(d->GroupBox2->title()), "Auto Detect IIC speed");
  EXPECT_EQ(Text(d->Label1->text()), "CPU Clock (MHz)");
  EXPECT_EQ(Text(d->Memo1->toPlainText()), "Press key and waiting 5~50 Seconds");
  EXPECT_EQ(Text(d->Button2->text()), "Auto detect");
  EXPECT_EQ(d->ScrollBar1->minimum(), 80);
  EXPECT_EQ(d->ScrollBar1->maximum(), 5000);
  EXPECT_EQ(d->ScrollBar1->singleStep(), 50);
  EXPECT_EQ(d->ScrollBar1->pageStep(), 50);
  EXPECT_EQ(d->CGauge1->MinValue(), 0);
  EXPECT_EQ(d->CGauge1->MaxValue(), 1250);
  // A count of 0 opens at the bottom of the bar and stores 20.
  EXPECT_EQ(d->ScrollBar1->value(), 80);
  EXPECT_EQ(Text(d->Label2->text()), "80");
  EXPECT_EQ(config->ReadInteger("INFORMATION", "IIC_SPEED", -1), 20);

  // One small step from 600 stores 650 div 4 and hands it to the bus.
  d->ScrollBar1->setValue(600);
  d->ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Text(d->Label2->text()), "650");
  EXPECT_EQ(session.IicSpeed, 162);
  EXPECT_EQ(config->ReadInteger("INFORMATION", "IIC_SPEED", -1), 162);
  EXPECT_EQ(bus->DelayCount, 162);
}

TEST_F(WindowTest, FirstStartDetectsTheSpeedBeforeTheWindowIsBuilt) {
  // Every reading of the time moves it on 0.6 s: count 25 manages far fewer
  // than 1700 bursts in its second and wins at once.
  clock.SetOnRead([](VirtualClock& c) { c.AdvanceUs(600'000); });
  bool duringConstruction = false;
  prompter.onShow = [&](QWidget&) { duringConstruction = form == nullptr; };
  Build("", /*writeIni=*/false);
  ASSERT_TRUE(prompter.Saw("show:SetupForm"));
  EXPECT_TRUE(duringConstruction);
  const auto dialogs = form->findChildren<TSetupForm*>();
  ASSERT_EQ(dialogs.size(), 1);
  TSetupForm* d = dialogs.front();
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(Text(d->Memo1->toPlainText()), "Finished.");
  EXPECT_EQ(Text(d->Label2->text()), "100");
  EXPECT_EQ(d->CGauge1->Progress(), 1250);
  EXPECT_EQ(session.IicSpeed, 25);
  EXPECT_EQ(config->ReadInteger("INFORMATION", "IIC_SPEED", -1), 25);
  // The bus got the detected count at the end of the start-up.
  EXPECT_EQ(bus->DelayCount, 25);
}

// ---- the checksum report dialog -----------------------------------------------------

TEST_F(WindowTest, ChecksumDialogShowsItsValuesAndItsButtonWritesTheReport) {
  Build();
  bool seen = false;
  prompter.onExec = [&](QDialog& dialog) {
    auto* f = qobject_cast<TCheckSumForm*>(&dialog);
    if (!f) return dialog.result();
    seen = true;
    EXPECT_EQ(Text(f->windowTitle()), "Check Sum Dialog");
    struct LabelRow {
      QLabel* label;
      const char* text;
    };
    const LabelRow labels[] = {{f->Label1, "Campany Name:"}, {f->Label2, "Date:"},
                               {f->Label3, "File Name:"},    {f->Label5, "Check Sum:"},
                               {f->Label6, "12/11/26"},      {f->Label7, ""},
                               {f->Label8, "0000"}};
    for (const LabelRow& l : labels) EXPECT_EQ(Text(l.label->text()), l.text);
    for (QLabel* caption : {f->Label1, f->Label2, f->Label3, f->Label5})
      EXPECT_EQ(caption->x(), 8);
    EXPECT_EQ(Text(f->Edit1->text()), "Input Company Here");
    EXPECT_EQ(Text(f->Button1->text()), "Creat Check Sum File");
    EXPECT_EQ(f->Button1->geometry(), QRect(8, 104, 289, 41));
    EXPECT_TRUE(f->Button1->font().bold());
    EXPECT_EQ(f->Button1->font().pixelSize(), 16);

    f->Edit1->setText(QStringLiteral("ACME"));
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    EXPECT_FALSE(f->isVisible());
    return dialog.result();
  };
  Item("CreatRomFile1")->trigger();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(prompter.Saw("info:CheckSum.txt created."));
  std::ifstream in(dir / "CheckSum.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Company Name:ACME\r\nFile Name:(null)\r\nDate:12/11/26\r\nCheckSum:0000\r\n");
  EXPECT_EQ(config->ReadString("INFORMATION", "COMPANY", ""), "ACME");
}

// ---- the buffer viewer ----------------------------------------------------------------

class ViewerTest : public ::testing::TestWithParam<int> {};

TEST_P(ViewerTest, ShowsTheLoadedPagesAsADump) {
  const int pages = GetParam();
  CodeBuffer buffer;
  buffer.pageCount = pages;
  buffer.bytes.fill(0x41);
  const uint8_t first[] = {0x20, 0x7E, 0x7F, 0xA0, 0x00, 0xFF};
  std::copy(std::begin(first), std::end(first), buffer.bytes.begin());

  TEditForm viewer(buffer);
  buffer.bytes[0] = 0x30;  // a snapshot: later changes do not show
  EXPECT_EQ(Text(viewer.windowTitle()), "EditForm");
  EXPECT_EQ(viewer.size(), QSize(646, 593));

  const DumpTableModel* model = viewer.Model();
  QTableView* grid = viewer.StringGrid1;
  ASSERT_EQ(model->rowCount(), 32 * pages + 1);
  ASSERT_EQ(model->columnCount(), 19);
  const auto cell = [&](int r, int c) { return Text(model->index(r, c).data().toString()); };

  const char* const headers[] = {"",   "00", "01", "02", "03", "04", "05", "06", "07", "",
                                 "08", "09", "0A", "0B", "0C", "0D", "0E", "0F", "ASCII"};
  const int widths[] = {49, 25, 25, 25, 25, 25, 25, 25, 25, 7, 25, 25, 25, 25, 25, 25, 25, 26, 141};
  for (int c = 0; c < 19; ++c) {
    EXPECT_EQ(cell(0, c), headers[c]) << c;
    EXPECT_EQ(Text(model->headerData(c, Qt::Horizontal).toString()), headers[c]) << c;
    EXPECT_EQ(grid->columnWidth(c), widths[c]) << c;
  }
  // Row 0 stays in place above the rows: the grid shows it in its header.
  EXPECT_TRUE(grid->isRowHidden(0));
  EXPECT_TRUE(grid->horizontalHeader()->isVisible() || !viewer.isVisible());
  EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 20);
  EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(grid->showGrid());
  const QFontMetrics metrics(grid->font());  // fixed pitch
  EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));

  if (pages == 0) return;
  EXPECT_EQ(cell(1, 0), "0000");
  const char* const bytes[] = {"20", "7E", "7F", "A0", "00", "FF", "41", "41"};
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(cell(1, c), bytes[c - 1]) << c;
  EXPECT_EQ(cell(1, 9), "");
  EXPECT_EQ(cell(1, 18), " ~....AAAAAAAAAA");
  EXPECT_EQ(cell(32 * pages, 0), pages == 256 ? "1FFF0" : "01F0");
}

INSTANTIATE_TEST_SUITE_P(Pages, ViewerTest, ::testing::Values(0, 1, 256));

// ---- the file dialogs ----------------------------------------------------------------

TEST(FileDialogs, CarryTheFiltersTheFolderAndTheExtensionAndReportTheFilterNumber) {
  const QString folder = QDir::tempPath();
  struct Case {
    FileDialogKind kind;
    FileDialogState state;
    std::vector<std::string> filters;
    int pick;  // the filter chosen before confirming
    const char* typed;
    const char* chosenName;
  };
  const Case cases[] = {
      {FileDialogKind::Open,
       {2, folder.toStdString(), "hex"},
       {"IntelHex (*.hex)", "BankSwitch(2/4 bank) (*.h0?)", "Binary File (*.bin)"},
       3,
       "image.bin",
       "image.bin"},
      {FileDialogKind::Save,
       {6, folder.toStdString(), "*.hex"},
       {"IntelHex (*.hex)", "Fill 32k (*.hex)", "Fill 60k (*.hex)", "Fill 64k (*.hex)",
        "Fill 128k (*.hex)", "Binary File (*.bin)"},
       4,
       "firmware",
       "firmware.hex"},
  };
  for (Case c : cases) {
    auto dialog = MakeFileDialog(nullptr, c.kind, c.state);
    std::vector<std::string> filters;
    for (const QString& f : dialog->nameFilters()) filters.push_back(Text(f));
    EXPECT_EQ(filters, c.filters);
    EXPECT_EQ(Text(dialog->selectedNameFilter()),
              c.filters[static_cast<size_t>(c.state.filterIndex - 1)]);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(Text(dialog->defaultSuffix()), "hex");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder).absolutePath());

    dialog->selectNameFilter(QString::fromStdString(c.filters[static_cast<size_t>(c.pick - 1)]));
    dialog->selectFile(QString::fromLatin1(c.typed));
    const auto choice = ChoiceOf(*dialog, c.kind, c.state);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->filterIndex, c.pick);
    EXPECT_EQ(c.state.filterIndex, c.pick);
    EXPECT_EQ(fs::path(choice->path).filename().string(), c.chosenName);
  }
}

}  // namespace
}  // namespace tq::test
