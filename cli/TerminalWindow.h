// The window services on a terminal: the message log goes to standard
// output, message boxes to standard error, the modal dialogs are answered
// from the command line, and the gauge becomes a progress bar when standard
// error is a terminal.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/WindowServices.h"

namespace tq::cli {

struct TerminalStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool errIsTerminal = false;  // progress bar on err
  bool inIsTerminal = false;   // questions may be asked (with errIsTerminal)
};

// A progress bar on one terminal line: drawn over itself with "\r" and wiped
// before anything else is written, so log lines never mix with it.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool enabled, Clock& clock)
      : err_(err), enabled_(enabled), clock_(clock) {}
  // Starts the elapsed time.
  void Start();
  void Draw(int done, int total, const std::string& unit, const std::string& label);
  void Wipe();
  bool Enabled() const { return enabled_; }

 private:
  std::ostream& err_;
  bool enabled_;
  Clock& clock_;
  int64_t startUs_ = 0;
  bool shown_ = false;
};

class TerminalWindow final : public WindowServices {
 public:
  TerminalWindow(const TerminalStreams& streams, Clock& clock);

  // settings from the command line
  void SetSizeAnswer(std::optional<Answer> answer) { sizeAnswer_ = answer; }
  void SetVerbose(bool verbose) { verbose_ = verbose; }
  // The next dialog of each kind is answered with these.
  void AnswerOpen(FileChoice choice) { openAnswer_ = std::move(choice); }
  void AnswerSave(FileChoice choice) { saveAnswer_ = std::move(choice); }
  void AnswerMcu(std::optional<int> sectionNumber) { mcuAnswer_ = sectionNumber; }
  // Runs the speed dialog when the start-up asks for it.
  void SetSpeedDialog(std::function<void(bool runDetection)> show) { speedDialog_ = std::move(show); }

  // What happened during one command, for its exit status.
  void BeginCommand();
  bool ErrorShown() const { return errorShown_; }
  bool SizeDeclined() const { return sizeDeclined_; }
  bool McuDialogShown() const { return mcuShown_; }
  bool McuNotFound() const { return mcuNotFound_; }
  // Everything written outside the services (view rows, trace lines,
  // notes) goes through these so the progress bar is wiped first.
  void PrintOut(const std::string& line);
  void PrintErr(const std::string& line);
  ProgressLine& Progress() { return progress_; }

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
  void ShowChecksumDialog() override {}
  void ShowBufferViewer() override {}

 private:
  TerminalStreams io_;
  ProgressLine progress_;
  std::optional<Answer> sizeAnswer_;
  bool verbose_ = false;
  std::optional<FileChoice> openAnswer_;
  std::optional<FileChoice> saveAnswer_;
  std::optional<int> mcuAnswer_;
  std::function<void(bool)> speedDialog_;
  int gaugeMax_ = 100;
  int gaugeProgress_ = 0;
  bool errorShown_ = false;
  bool sizeDeclined_ = false;
  bool mcuShown_ = false;
  bool mcuNotFound_ = false;
};

}  // namespace tq::cli
