// The speed dialog: a thin view over SpeedSetup. Modeless; the main window
// builds a new one for every "Set Speed".
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "flows/SpeedSetup.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace tq {

class TCGauge;

class TSetupForm : public QDialog, public SetupView {
  Q_OBJECT
 public:
  // showUnhandled shows the error of a failed configuration write from the
  // dialog's own events, as the main window shows one escaping a command.
  TSetupForm(Session& session, ConfigFile& config, TIspDevice& isp, Clock& clock,
             std::function<void(const std::string&)> showUnhandled, QWidget* parent = nullptr);

  // Initialises the bar and the figure from IicSpeed. Throws ConfigWriteError.
  void Open() { logic_.Open(); }
  // The automatic detection, run to its end. Throws ConfigWriteError.
  void Detect() { logic_.Button2Click(); }

  // SetupView
  void SetLabel2(const std::string& text) override;
  void SetScrollPosition(int position) override;
  void SetMemoText(const std::string& text) override;
  void RepaintMemo() override;
  void RepaintDialog() override;
  void SetGauge(int value) override;

  QGroupBox* GroupBox1 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Button2 = nullptr;
  TCGauge* CGauge1 = nullptr;

 private:
  void ScrollBar1Change(int position);
  void Button2Click();
  // The events of the dialog show a failed write and go on.
  template <typename F>
  void Guarded(F&& f);

  std::function<void(const std::string&)> showUnhandled_;
  SpeedSetup logic_;
};

}  // namespace tq
