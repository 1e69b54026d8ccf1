// The main window: the tool panel, the message log, the gauge, the status
// bar and the menus, bound to the command flows. Every command's logic
// lives in MainCommands; this class only shows what the commands report and
// turns buttons, menu items and keys into handler calls.
#pragma once

#include <QMainWindow>

#include <array>
#include <string>

#include "app/Prompter.h"
#include "core/Clock.h"
#include "core/WindowServices.h"
#include "flows/MainCommands.h"
#include "flows/Session.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class QWidget;

namespace tq {

class TCGauge;

class TMainForm : public QMainWindow, public WindowServices {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 521;
  static constexpr int kClientHeight = 359;

  // Builds the window and runs the start-up of the commands (the
  // configuration check, the start-up lines, the first speed detection).
  // A ConfigWriteError from the start-up escapes: the program shows it and
  // ends before the window appears.
  TMainForm(Session& session, TIspDevice& isp, ConfigFile& config, Clock& clock,
            const std::string& portNote, Prompter& prompter, QWidget* parent = nullptr);
  ~TMainForm() override;

  // WindowServices
  void AddLog(const std::string& line) override;
  void SetStatus(int panel, const std::string& text) override;
  void SetEnabled(Control control, bool enabled) override;
  void SetGaugeMax(int max) override;
  void SetGaugeProgress(int progress) override;
  void SetGaugeColor(Rgb color) override;
  void RepaintGauge() override;
  void ErrorBox(const std::string& text) override;
  void InfoBox(const std::string& text) override;
  Answer ConfirmBox(const std::string& text) override;
  std::optional<FileChoice> OpenFileDialog(FileDialogState& state) override;
  std::optional<FileChoice> SaveFileDialog(FileDialogState& state) override;
  std::optional<int> ChooseMcuModel(const std::vector<std::string>& items) override;
  void ShowSpeedDialog(bool runDetection) override;
  void ShowChecksumDialog() override;
  void ShowBufferViewer() override;

  MainCommands& Commands() { return commands_; }
  // The action whose enabled state stands for the control: the tool button
  // follows its action; a button and the menu item of the same command
  // share one, except where their states differ (Auto, View Hex).
  QAction* ActionOf(Control control) const;

  // Where the window goes on a desktop of this size: each coordinate half
  // the free space, cut toward zero.
  static QPoint CentredOrigin(const QSize& desktop, const QSize& window);

  QWidget* Panel1 = nullptr;
  QToolButton* OpenButton = nullptr;
  QToolButton* ISPLinkButton = nullptr;
  QToolButton* ISPOFFButton = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* AutoButton = nullptr;
  QToolButton* ProgramButton = nullptr;
  QToolButton* EraseButton = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  TCGauge* CGauge1 = nullptr;
  std::array<QLabel*, 3> StatusPanels{};

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPanel();
  void BuildLog();
  void BuildMenus();
  void BuildStatusBar();
  QAction* MakeAction(const char* name, const QString& text);

  // Runs a handler; an error it does not handle is shown and the window goes on.
  template <typename F>
  void Run(F&& handler);
  // The box of an error no handler dealt with, under the application's title.
  void ShowUnhandled(const std::string& text);
  void Memo1DblClick();
  void eXit1Click();

  Session& session_;
  TIspDevice& isp_;
  ConfigFile& config_;
  Clock& clock_;
  Prompter& prompter_;
  MainCommands commands_;
  std::array<QAction*, kControlCount> actions_{};
};

}  // namespace tq
