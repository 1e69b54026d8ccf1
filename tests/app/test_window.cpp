// The main window: its layout and texts, the command-state table on the
// real buttons and menu items, the plain-letter keys, the log, the gauge,
// and errors that no command handles.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include "dialogs/Checksumlist.h"
#include "dialogs/Gauge.h"
#include "dialogs/Setup.h"
#include "tests/app/AppFixture.h"

namespace tq::test {
namespace {

// ---- layout and texts -------------------------------------------------------

TEST_F(WindowTest, ButtonsCarryTheirCaptionsTooltipsAndPlaces) {
  Build();
  EXPECT_EQ(form->windowTitle().toStdString(), "Kelvane Tarnquill V2.3 ");
  EXPECT_EQ(form->centralWidget()->width(), 521);
  EXPECT_EQ(form->centralWidget()->height() + form->statusBar()->height(), 359);

  struct Row {
    const char* name;
    const char* caption;
    const char* tooltip;
    int row, column;
  };
  const Row rows[] = {
      {"OpenButton", "Load File", "Load Hex File to Buffer", 0, 0},
      {"ISPLinkButton", "ISP ON", "Set In-System-Programing enable", 0, 1},
      {"ISPOFFButton", "ISP OFF", "Set ISP off", 0, 2},
      {"SpeedButton1", "View Hex", "View Hex data in buffer", 0, 3},
      {"AutoButton", "Auto", "Auto Progress(isp_on->erase->program->isp_off)", 1, 0},
      {"ProgramButton", "&Program", "Write buffer data to MCU flash rom", 1, 1},
      {"EraseButton", "&Erase", "Erase MCU flash rom", 1, 2},
      {"SpeedButton2", "&Get CheckSum", "Read data from MCU", 1, 3},
  };
  const QToolButton* first = Button("OpenButton");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    QToolButton* b = Button(r.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text().toStdString(), r.caption);
    EXPECT_EQ(b->toolTip().toStdString(), r.tooltip);
    EXPECT_EQ(b->size(), QSize(130, 30));
    EXPECT_EQ(b->iconSize(), QSize(124, 28));
    EXPECT_TRUE(b->autoRaise());
    EXPECT_EQ(b->x(), first->x() + r.column * 130);
    EXPECT_EQ(b->y() > first->y(), r.row == 1);
  }

  EXPECT_TRUE(form->Memo1->isReadOnly());
  EXPECT_EQ(form->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form->Memo1->toolTip().toStdString(),
            "Information window, double click left key to clear window");
  EXPECT_EQ(form->Memo1->font().pixelSize(), 13);
  EXPECT_TRUE(form->Memo1->font().bold());
  EXPECT_EQ(form->Memo1->palette().color(QPalette::Text), QColor(Qt::blue));

  EXPECT_EQ(form->StatusPanels[0]->text().toStdString(), "");
  EXPECT_EQ(form->StatusPanels[1]->text().toStdString(), "No File loaded");
  EXPECT_EQ(form->StatusPanels[2]->text().toStdString(), "Empty");
  EXPECT_EQ(form->StatusPanels[0]->width(), 70);
  EXPECT_EQ(form->StatusPanels[1]->width(), 380);
  EXPECT_EQ(form->statusBar()->height(), 29);

  // The start-up lines, the simulation said plainly.
  const auto log = LogLines();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "Kelvane Tarnquill V2.3");
  EXPECT_EQ(log[1], "Information file (tarnquil.ini)  V1.3");
  EXPECT_EQ(log[2], std::string(55, '-'));
  EXPECT_EQ(log[3].rfind("SIMULATED TARGET: ", 0), 0u) << log[3];
}

TEST_F(WindowTest, MenusHoldTheirItemsInOrder) {
  Build();
  struct ItemRow {
    const char* name;
    const char* caption;
    const char* key;  // "" for none
    bool visible;
  };
  struct MenuRow {
    const char* title;
    std::vector<ItemRow> items;
  };
  const MenuRow menus[] = {
      {"&File     ",
       {{"LoadFile1", "Load File", "L", true},
        {"SaveFile1", "&Save File", "", false},
        {"CreatRomFile1", "Creat &CheckSum File", "", true},
        {"ViewBuffer1", "View Buffer", "V", true},
        {"eXit1", "e&Xit", "", true}}},
      {"&Run     ",
       {{"Auto1", "&Auto", "A", true},
        {"IspOn1", "Isp On", "I", true},
        {"IspOff1", "Isp Off", "O", true},
        {"Erase1", "Erase", "", true},
        {"Program1", "Program", "", true},
        {"Read1", "Read", "R", true}}},
      {"&Option    ",
       {{"SetSpeed1", "Set Speed", "", true},
        {"SupportMCUtype1", "Support MCU type", "", true},
        {"ByteWrite", "Byte Write", "", false}}},
  };
  const QList<QAction*> bar = form->menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  for (int m = 0; m < 3; ++m) {
    const MenuRow& menu = menus[m];
    EXPECT_EQ(bar[m]->text().toStdString(), menu.title);
    const QList<QAction*> items = bar[m]->menu()->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(menu.items.size()));
    for (size_t i = 0; i < menu.items.size(); ++i) {
      const ItemRow& want = menu.items[i];
      QAction* got = items[static_cast<qsizetype>(i)];
      SCOPED_TRACE(want.name);
      EXPECT_EQ(got->objectName().toStdString(), want.name);
      EXPECT_EQ(got->text().toStdString(), want.caption);
      EXPECT_EQ(got->shortcut().toString().toStdString(), want.key);
      EXPECT_EQ(got->isVisible(), want.visible);
      if (*want.key) {
        EXPECT_FALSE(got->autoRepeat());
      }
    }
  }
  EXPECT_TRUE(Item("ByteWrite")->isCheckable());
  EXPECT_FALSE(Item("ByteWrite")->isChecked());
}

TEST(WindowPlacement, CentredByHalfTheFreeSpaceCutTowardZero) {
  struct Case {
    QSize desktop, window;
    QPoint origin;
  };
  const Case cases[] = {
      {{1024, 768}, {521, 380}, {251, 194}},
      {{1025, 769}, {520, 380}, {252, 194}},
      {{400, 300}, {521, 381}, {-60, -40}},  // larger than the desktop: toward zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(TMainForm::CentredOrigin(c.desktop, c.window), c.origin)
        << c.desktop.width() << "x" << c.desktop.height();
}

// ---- the command-state table -------------------------------------------------

// The controls in a fixed order: the eight buttons, then the menu items that
// are shown. 1 enabled, 0 disabled; the blank only helps the eye.
const char* const kButtons[] = {"OpenButton",    "ISPLinkButton", "ISPOFFButton",
                                "SpeedButton1",  "AutoButton",    "ProgramButton",
                                "EraseButton",   "SpeedButton2"};
const char* const kItems[] = {"LoadFile1", "CreatRomFile1", "ViewBuffer1", "eXit1",
                              "Auto1",     "IspOn1",        "IspOff1",     "Erase1",
                              "Program1",  "Read1",         "SetSpeed1",   "SupportMCUtype1"};

struct StateCase {
  const char* name;
  std::vector<const char*> steps;  // "load", "load-missing", "isp-on", "read"
  const char* states;
};

class StateTableTest : public WindowTest, public ::testing::WithParamInterface<StateCase> {
 protected:
  std::string States() {
    std::string s;
    for (const char* b : kButtons) s += Button(b)->isEnabled() ? '1' : '0';
    s += ' ';
    for (const char* i : kItems) s += Item(i)->isEnabled() ? '1' : '0';
    return s;
  }
};

TEST_P(StateTableTest, ButtonsAndItemsFollowTheTable) {
  Build();
  const fs::path image = WriteImage("image.hex", std::vector<uint8_t>(100, 0x5A));
  for (const std::string step : GetParam().steps) {
    if (step == "load") Load(image);
    if (step == "load-missing") Load(dir / "missing.hex");
    if (step == "isp-on") Click("ISPLinkButton");
    if (step == "read") Click("SpeedButton2");
  }
  EXPECT_EQ(States(), GetParam().states);
}

INSTANTIATE_TEST_SUITE_P(
    Events, StateTableTest,
    ::testing::Values(
        StateCase{"AtStart", {}, "11010001 111101000111"},
        StateCase{"FileLoaded", {"load"}, "11011001 111111000111"},
        StateCase{"IspOn", {"isp-on"}, "10110111 111100111111"},
        StateCase{"LoadedThenIspOn", {"load", "isp-on"}, "10111111 111110111111"},
        // Get CheckSum ends with ISP OFF and leaves View Hex and Auto off;
        // the Auto item stays on once any load has succeeded.
        StateCase{"GetCheckSum", {"read"}, "11000001 111101000111"},
        StateCase{"LoadedThenGetCheckSum", {"load", "read"}, "11000001 111111000111"},
        // A failed load turns the Auto button off and leaves the item alone.
        StateCase{"LoadFailedAfterLoad", {"load", "load-missing"}, "11010001 111111000111"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- plain-letter keys ---------------------------------------------------------

struct KeyCase {
  const char* name;
  const char* before;  // "", "isp-on", "load+read"
  Qt::Key key;
  const char* event;  // a question the key must raise, or ""
  const char* line;   // a line the key must log, or ""
};

class KeyTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, LetterRunsItsItemOnlyWhileTheItemIsEnabled) {
  const KeyCase& c = GetParam();
  Build();
  if (std::string(c.before) == "isp-on") Click("ISPLinkButton");
  if (std::string(c.before) == "load+read") {
    Load(WriteImage("image.hex", std::vector<uint8_t>(600, 0x11)));
    Click("SpeedButton2");
    ASSERT_FALSE(Button("AutoButton")->isEnabled());
    ASSERT_FALSE(Button("SpeedButton1")->isEnabled());
  }
  const size_t lines = LogLines().size();
  const size_t events = prompter.events.size();
  port->ClearTrace();

  Key(c.key);

  const std::vector<std::string> newEvents(prompter.events.begin() + static_cast<long>(events),
                                           prompter.events.end());
  const auto log = LogLines();
  const std::vector<std::string> newLines(log.begin() + static_cast<long>(lines), log.end());
  if (!*c.event && !*c.line) {
    // A disabled item: no line, no question, not a bit on the wire.
    EXPECT_TRUE(newLines.empty()) << newLines.front();
    EXPECT_TRUE(newEvents.empty()) << newEvents.front();
    EXPECT_TRUE(port->Frames().empty());
  }
  if (*c.event) {
    EXPECT_TRUE(prompter.Saw(c.event)) << c.event;
  }
  if (*c.line) {
    EXPECT_NE(std::find(newLines.begin(), newLines.end(), std::string(c.line)), newLines.end())
        << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTest,
    ::testing::Values(KeyCase{"L_LoadFile", "", Qt::Key_L, "open", ""},
                      KeyCase{"V_ViewBuffer", "", Qt::Key_V, "exec:EditForm", ""},
                      KeyCase{"I_IspOn", "", Qt::Key_I, "", "ISP ON"},
                      KeyCase{"R_Read", "", Qt::Key_R, "", "Check Sum:0000"},
                      KeyCase{"O_DisabledAtStart", "", Qt::Key_O, "", ""},
                      KeyCase{"A_DisabledAtStart", "", Qt::Key_A, "", ""},
                      KeyCase{"I_WhileIspOn", "isp-on", Qt::Key_I, "", ""},
                      KeyCase{"O_WhileIspOn", "isp-on", Qt::Key_O, "", "ISP OFF."},
                      // The Auto and View Hex buttons are off after Get
                      // CheckSum; their items are not.
                      KeyCase{"A_AfterGetCheckSum", "load+read", Qt::Key_A, "",
                              "Programing Success!!!"},
                      KeyCase{"V_AfterGetCheckSum", "load+read", Qt::Key_V, "exec:EditForm",
                              ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the log --------------------------------------------------------------------

TEST_F(WindowTest, LeftDoubleClickClearsTheLogAndTheNextLinesStartAtTheTop) {
  Build();
  QWidget* area = form->Memo1->viewport();
  QTest::mouseDClick(area, Qt::RightButton);
  EXPECT_FALSE(LogLines().empty());
  QTest::mouseDClick(area, Qt::LeftButton);
  EXPECT_TRUE(LogLines().empty());

  Item("SupportMCUtype1")->trigger();
  std::vector<std::string> want{"-- Support MCU Type --"};
  for (const auto& row : DefaultMcuRows()) want.push_back("   " + row.name);
  want.push_back("-- End --");
  EXPECT_EQ(LogLines(), want);
}

// ---- the gauge --------------------------------------------------------------------

TEST_F(WindowTest, GaugePaintsItsBarInTheColourSet) {
  Build();
  TCGauge* gauge = form->CGauge1;
  form->SetGaugeMax(10);
  form->SetGaugeProgress(5);
  const Rgb colours[] = {{0, 0, 255}, {76, 15, 15}, {252, 49, 49}};
  bool first = true;
  for (const Rgb& c : colours) {
    if (!first) form->SetGaugeColor(c);  // the first: the colour at start
    first = false;
    form->RepaintGauge();
    const QImage shot = gauge->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(8, 4)), QColor(c.red, c.green, c.blue));
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 8, 4)), QColor(Qt::white));
  }
  EXPECT_EQ(gauge->PercentDone(), 50);
}

// ---- errors that no command handles ---------------------------------------------

TEST_F(WindowTest, ErrorEscapingACommandIsShownAndTheWindowGoesOn) {
  Build();
  const std::string ini = config->Path();
  // The folder of tarnquil.ini is gone: storing the speed must fail.
  fs::current_path(oldCwd);
  fs::remove_all(dir);
  Item("SetSpeed1")->trigger();
  EXPECT_TRUE(prompter.Saw("exception:Unable to write to " + ini));

  form->Memo1->clear();
  Item("SupportMCUtype1")->trigger();
  EXPECT_EQ(LogLines().front(), "-- Support MCU Type --");
}

TEST_F(WindowTest, WriteErrorInADialogsOwnEventIsShownLikeOneEscapingACommand) {
  Build();
  Item("SetSpeed1")->trigger();
  const auto dialogs = form->findChildren<TSetupForm*>();
  ASSERT_EQ(dialogs.size(), 1);
  const std::string ini = config->Path();
  const std::string failure = "exception:Unable to write to " + ini;
  // The report goes to a folder of its own; the folder of tarnquil.ini is gone.
  const fs::path reports = dir.string() + "-reports";
  fs::create_directory(reports);
  fs::current_path(reports);
  fs::remove_all(dir);

  dialogs.front()->ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_TRUE(prompter.Saw(failure));

  prompter.events.clear();
  bool stayedOpen = false;
  prompter.onExec = [&](QDialog& dialog) {
    auto* f = qobject_cast<TCheckSumForm*>(&dialog);
    if (!f) return dialog.result();
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    stayedOpen = f->isVisible();
    return dialog.result();
  };
  Item("CreatRomFile1")->trigger();
  const std::vector<std::string> want{"exec:CheckSumForm", "info:CheckSum.txt created.", failure};
  EXPECT_EQ(prompter.events, want);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(fs::exists(reports / "CheckSum.txt"));

  fs::current_path(oldCwd);
  fs::remove_all(reports);
}

TEST_F(WindowTest, StartUpWriteErrorEscapesTheConstruction) {
  std::string error;
  port = sim::MakeSimPort("", clock, error);
  bus = std::make_unique<TIicBus>(*port);
  isp = std::make_unique<TIspDevice>(*bus, clock);
  ConfigFile nowhere((dir / "no-such-folder").string());
  try {
    TMainForm window(session, *isp, nowhere, clock, "", prompter);
    ADD_FAILURE() << "the window was built";
  } catch (const ConfigWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + nowhere.Path());
  }
}

}  // namespace
}  // namespace tq::test
