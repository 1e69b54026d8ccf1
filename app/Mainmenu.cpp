#include "app/Mainmenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>

#include <exception>
#include <memory>

#include "app/ButtonPictures.h"
#include "dialogs/Checksumlist.h"
#include "dialogs/Editmenu.h"
#include "dialogs/Gauge.h"
#include "dialogs/Selectmcu.h"
#include "dialogs/Setup.h"

namespace tq {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

constexpr int kPanelHeight = 65;
constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 30;
constexpr int kStatusHeight = 29;

}  // namespace

TMainForm::TMainForm(Session& session, TIspDevice& isp, ConfigFile& config, Clock& clock,
                     const std::string& portNote, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent, kMainWindowFlags),
      session_(session),
      isp_(isp),
      config_(config),
      clock_(clock),
      prompter_(prompter),
      commands_(session, *this, isp, config, clock) {
  setObjectName("MainForm");
  setWindowTitle(Q(ProductLine() + " "));
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(WindowPicture(size));
  setWindowIcon(icon);

  auto* client = new QWidget(this);
  client->setObjectName("Client");
  setCentralWidget(client);
  BuildMenus();
  BuildPanel();
  BuildLog();
  CGauge1 = new TCGauge(client);
  CGauge1->setObjectName("CGauge1");
  CGauge1->setGeometry(0, 300, kClientWidth, 29);
  CGauge1->SetForeColor(QColor(0, 0, 255));
  BuildStatusBar();

  // The client area below the menu bar is the fixed 521 x 359.
  setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(CentredOrigin(screen->geometry().size(), frameGeometry().size()));

  commands_.Startup(portNote);
}

TMainForm::~TMainForm() = default;

QPoint TMainForm::CentredOrigin(const QSize& desktop, const QSize& window) {
  // C++ division cuts toward zero, also for a window larger than the desktop.
  return QPoint((desktop.width() - window.width()) / 2, (desktop.height() - window.height()) / 2);
}

QAction* TMainForm::MakeAction(const char* name, const QString& text) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setIconVisibleInMenu(false);
  return action;
}

void TMainForm::BuildMenus() {
  const auto plainKey = [](QAction* action, Qt::Key key) {
    action->setShortcut(QKeySequence(key));
    action->setAutoRepeat(false);
  };
  const auto on = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, [this, handler] { Run([&] { handler(commands_); }); });
  };

  // File
  QAction* load = MakeAction("LoadFile1", QStringLiteral("Load File"));
  plainKey(load, Qt::Key_L);
  on(load, [](MainCommands& c) { c.LoadFile1Click(); });
  QAction* save = MakeAction("SaveFile1", QStringLiteral("&Save File"));
  save->setVisible(false);
  on(save, [](MainCommands& c) { c.SaveFile1Click(); });
  QAction* report = MakeAction("CreatRomFile1", QStringLiteral("Creat &CheckSum File"));
  on(report, [](MainCommands& c) { c.CreatRomFile1Click(); });
  QAction* viewBuffer = MakeAction("ViewBuffer1", QStringLiteral("View Buffer"));
  plainKey(viewBuffer, Qt::Key_V);
  on(viewBuffer, [](MainCommands& c) { c.ViewBuffer1Click(); });
  QAction* exit = MakeAction("eXit1", QStringLiteral("e&Xit"));
  connect(exit, &QAction::triggered, this, &TMainForm::eXit1Click);

  // Run
  QAction* auto1 = MakeAction("Auto1", QStringLiteral("&Auto"));
  plainKey(auto1, Qt::Key_A);
  auto1->setEnabled(false);
  on(auto1, [](MainCommands& c) { c.AutoButtonClick(); });
  QAction* ispOn = MakeAction("IspOn1", QStringLiteral("Isp On"));
  plainKey(ispOn, Qt::Key_I);
  on(ispOn, [](MainCommands& c) { c.ISPLinkButtonClick(); });
  QAction* ispOff = MakeAction("IspOff1", QStringLiteral("Isp Off"));
  plainKey(ispOff, Qt::Key_O);
  ispOff->setEnabled(false);
  on(ispOff, [](MainCommands& c) { c.ISPOFFButtonClick(); });
  QAction* erase = MakeAction("Erase1", QStringLiteral("Erase"));
  erase->setEnabled(false);
  on(erase, [](MainCommands& c) { c.EraseButtonClick(); });
  QAction* program = MakeAction("Program1", QStringLiteral("Program"));
  program->setEnabled(false);
  on(program, [](MainCommands& c) { c.ProgramButtonClick(); });
  QAction* read = MakeAction("Read1", QStringLiteral("Read"));
  plainKey(read, Qt::Key_R);
  on(read, [](MainCommands& c) { c.SpeedButton2Click(); });

  // Option
  QAction* speed = MakeAction("SetSpeed1", QStringLiteral("Set Speed"));
  on(speed, [](MainCommands& c) { c.SetSpeed1Click(); });
  QAction* support = MakeAction("SupportMCUtype1", QStringLiteral("Support MCU type"));
  on(support, [](MainCommands& c) { c.SupportMCUtype1Click(); });
  QAction* byteWrite = MakeAction("ByteWrite", QStringLiteral("Byte Write"));
  byteWrite->setCheckable(true);
  byteWrite->setVisible(false);
  connect(byteWrite, &QAction::triggered, this, [this, byteWrite] {
    Run([&] { commands_.ByteWriteClick(); });
    byteWrite->setChecked(session_.byteWrite);
  });

  // The buttons whose enabled state differs from their menu item's.
  QAction* autoButton = MakeAction("AutoButtonAction", QStringLiteral("&Auto"));
  autoButton->setEnabled(false);
  on(autoButton, [](MainCommands& c) { c.AutoButtonClick(); });
  QAction* viewHex = MakeAction("SpeedButton1Action", QStringLiteral("View Buffer"));
  on(viewHex, [](MainCommands& c) { c.SpeedButton1Click(); });

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File     "));
  file->setObjectName("File1");
  file->addActions({load, save, report, viewBuffer, exit});
  QMenu* run = menuBar()->addMenu(QStringLiteral("&Run     "));
  run->setObjectName("Run1");
  run->addActions({auto1, ispOn, ispOff, erase, program, read});
  QMenu* option = menuBar()->addMenu(QStringLiteral("&Option    "));
  option->setObjectName("Option1");
  option->addActions({speed, support, byteWrite});

  const auto set = [this](Control c, QAction* a) { actions_[static_cast<size_t>(c)] = a; };
  set(Control::OpenButton, load);
  set(Control::LoadFile1, load);
  set(Control::ISPLinkButton, ispOn);
  set(Control::IspOn1, ispOn);
  set(Control::ISPOFFButton, ispOff);
  set(Control::IspOff1, ispOff);
  set(Control::SpeedButton1, viewHex);
  set(Control::ViewBuffer1, viewBuffer);
  set(Control::AutoButton, autoButton);
  set(Control::Auto1, auto1);
  set(Control::ProgramButton, program);
  set(Control::Program1, program);
  set(Control::EraseButton, erase);
  set(Control::Erase1, erase);
  set(Control::SpeedButton2, read);
  set(Control::Read1, read);
  set(Control::SaveFile1, save);
  set(Control::CreatRomFile1, report);
  set(Control::eXit1, exit);
  set(Control::SetSpeed1, speed);
  set(Control::SupportMCUtype1, support);
  set(Control::ByteWrite, byteWrite);
}

QAction* TMainForm::ActionOf(Control control) const {
  return actions_[static_cast<size_t>(control)];
}

void TMainForm::BuildPanel() {
  Panel1 = new QFrame(centralWidget());
  Panel1->setObjectName("Panel1");
  static_cast<QFrame*>(Panel1)->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, kClientWidth, kPanelHeight);

  struct ButtonRow {
    QToolButton** button;
    const char* name;
    Control control;
    const char* caption;
    const char* tooltip;
    ButtonSymbol symbol;
  };
  const ButtonRow rows[] = {
      {&OpenButton, "OpenButton", Control::OpenButton, "Load File", "Load Hex File to Buffer",
       ButtonSymbol::Open},
      {&ISPLinkButton, "ISPLinkButton", Control::ISPLinkButton, "ISP ON",
       "Set In-System-Programing enable", ButtonSymbol::IspOn},
      {&ISPOFFButton, "ISPOFFButton", Control::ISPOFFButton, "ISP OFF", "Set ISP off",
       ButtonSymbol::IspOff},
      {&SpeedButton1, "SpeedButton1", Control::SpeedButton1, "View Hex", "View Hex data in buffer",
       ButtonSymbol::ViewHex},
      {&AutoButton, "AutoButton", Control::AutoButton, "Auto",
       "Auto Progress(isp_on->erase->program->isp_off)", ButtonSymbol::Auto},
      {&ProgramButton, "ProgramButton", Control::ProgramButton, "&Program",
       "Write buffer data to MCU flash rom", ButtonSymbol::Program},
      {&EraseButton, "EraseButton", Control::EraseButton, "&Erase", "Erase MCU flash rom",
       ButtonSymbol::Erase},
      {&SpeedButton2, "SpeedButton2", Control::SpeedButton2, "&Get CheckSum",
       "Read data from MCU", ButtonSymbol::CheckSum},
  };
  int i = 0;
  for (const ButtonRow& row : rows) {
    QAction* action = ActionOf(row.control);
    const QString caption = QString::fromUtf8(row.caption);
    action->setIconText(caption);
    action->setToolTip(QString::fromUtf8(row.tooltip));
    action->setIcon(QIcon(ButtonPicture(row.symbol, caption)));

    auto* button = new QToolButton(Panel1);
    button->setObjectName(QString::fromLatin1(row.name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(kButtonPictureWidth, kButtonPictureHeight));
    button->setDefaultAction(action);
    button->setGeometry(1 + (i % 4) * kButtonWidth, 2 + (i / 4) * (kButtonHeight + 1),
                        kButtonWidth, kButtonHeight);
    *row.button = button;
    ++i;
  }
}

void TMainForm::BuildLog() {
  Memo1 = new QPlainTextEdit(centralWidget());
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(0, 64, kClientWidth, 233);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setToolTip(QStringLiteral("Information window, double click left key to clear window"));
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(13);
  font.setBold(true);
  Memo1->setFont(font);
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Text, Qt::blue);
  Memo1->setPalette(palette);
  Memo1->viewport()->installEventFilter(this);
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  const char* texts[] = {"", "No File loaded", "Empty"};
  for (int panel = 0; panel < 3; ++panel) {
    auto* label = new QLabel(QString::fromUtf8(texts[panel]), bar);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setIndent(2);
    StatusPanels[static_cast<size_t>(panel)] = label;
  }
  StatusPanels[0]->setFixedWidth(70);
  StatusPanels[1]->setFixedWidth(380);
  bar->addWidget(StatusPanels[0]);
  bar->addWidget(StatusPanels[1]);
  bar->addWidget(StatusPanels[2], 1);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (Memo1 && watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Memo1DblClick();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

template <typename F>
void TMainForm::Run(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowUnhandled(e.what());
  } catch (...) {
    ShowUnhandled("Unknown error");
  }
}

void TMainForm::ShowUnhandled(const std::string& text) {
  prompter_.Box(this, BoxKind::Exception, Q(text));
}

void TMainForm::Memo1DblClick() { Memo1->clear(); }

void TMainForm::eXit1Click() { close(); }

// ---- WindowServices ---------------------------------------------------------

void TMainForm::AddLog(const std::string& line) { Memo1->appendPlainText(Q(line)); }

void TMainForm::SetStatus(int panel, const std::string& text) {
  if (panel < 0 || panel >= static_cast<int>(StatusPanels.size())) return;
  StatusPanels[static_cast<size_t>(panel)]->setText(Q(text));
}

void TMainForm::SetEnabled(Control control, bool enabled) {
  if (QAction* action = ActionOf(control)) action->setEnabled(enabled);
}

void TMainForm::SetGaugeMax(int max) { CGauge1->SetMaxValue(max); }

void TMainForm::SetGaugeProgress(int progress) { CGauge1->SetProgress(progress); }

void TMainForm::SetGaugeColor(Rgb color) {
  CGauge1->SetForeColor(QColor(color.red, color.green, color.blue));
}

// The command still holds the thread: paint now, not when the loop runs.
void TMainForm::RepaintGauge() { CGauge1->repaint(); }

void TMainForm::ErrorBox(const std::string& text) {
  prompter_.Box(this, BoxKind::Error, Q(text));
}

void TMainForm::InfoBox(const std::string& text) {
  prompter_.Box(this, BoxKind::Information, Q(text));
}

Answer TMainForm::ConfirmBox(const std::string& text) {
  return prompter_.Box(this, BoxKind::Confirmation, Q(text));
}

std::optional<FileChoice> TMainForm::OpenFileDialog(FileDialogState& state) {
  return prompter_.FileDialog(this, FileDialogKind::Open, state);
}

std::optional<FileChoice> TMainForm::SaveFileDialog(FileDialogState& state) {
  return prompter_.FileDialog(this, FileDialogKind::Save, state);
}

std::optional<int> TMainForm::ChooseMcuModel(const std::vector<std::string>& items) {
  TMcuForm form(items, this);
  prompter_.Exec(form);
  return form.Choice();
}

void TMainForm::ShowSpeedDialog(bool runDetection) {
  // Modeless and one more for every use; each deletes itself when closed.
  auto* form = new TSetupForm(session_, config_, isp_, clock_,
                              [this](const std::string& text) { ShowUnhandled(text); }, this);
  form->setAttribute(Qt::WA_DeleteOnClose);
  prompter_.Show(*form);
  form->Open();
  if (runDetection) {
    // At the first start nothing has run the event loop yet: let the dialog
    // reach the screen (taking no input) before the detection holds the thread.
    QElapsedTimer waited;
    waited.start();
    while (form->windowHandle() && !form->windowHandle()->isExposed() && waited.elapsed() < 500)
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    form->Detect();
  }
}

void TMainForm::ShowChecksumDialog() {
  TCheckSumForm form(session_.buffer, config_, *this, clock_,
                     [this](const std::string& text) { ShowUnhandled(text); }, this);
  prompter_.Exec(form);
}

void TMainForm::ShowBufferViewer() {
  TEditForm form(session_.buffer, this);
  prompter_.Exec(form);
}

}  // namespace tq
