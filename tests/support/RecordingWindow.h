// A WindowServices that keeps every call in order, answers the modal
// questions from scripts, and lets a test assert the exact sequence.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/WindowServices.h"

namespace tq::test {

class RecordingWindow : public WindowServices {
 public:
  // Everything that happened, one entry per call, e.g.
  //   "log:ISP ON", "status0:ISP ON", "enable:AutoButton", "disable:AutoButton",
  //   "gaugemax:10", "gauge:3", "color:76,15,15", "repaint", "error:Chip erase fail!",
  //   "info:...", "confirm:...", "open", "save", "mcu", "speeddialog:1", "checksumdialog",
  //   "viewer"
  std::vector<std::string> events;
  std::vector<std::string> log;  // just the message-log lines
  std::string status[3] = {"", "No File loaded", "Empty"};
  std::map<Control, bool> enabled;  // only controls a command changed
  int gaugeMax = 100;
  int gaugeProgress = 0;
  Rgb gaugeColor{0, 0, 255};

  // Scripted answers, taken from the front; when empty: No / cancel / none.
  std::deque<Answer> confirmAnswers;
  std::deque<std::optional<FileChoice>> openAnswers;
  std::deque<std::optional<FileChoice>> saveAnswers;
  std::deque<std::optional<int>> mcuAnswers;
  // Optional hooks for the auxiliary windows.
  std::function<void(bool)> onSpeedDialog;
  std::function<void()> onChecksumDialog;
  std::function<void()> onBufferViewer;
  // The item texts the last MCU dialog offered.
  std::vector<std::string> lastMcuItems;
  // The dialog state the last open/save dialog was shown with.
  FileDialogState lastOpenState, lastSaveState;

  void AddLog(const std::string& line) override {
    log.push_back(line);
    events.push_back("log:" + line);
  }
  void SetStatus(int panel, const std::string& text) override {
    if (panel >= 0 && panel < 3) status[panel] = text;
    events.push_back("status" + std::to_string(panel) + ":" + text);
  }
  void SetEnabled(Control c, bool on) override {
    enabled[c] = on;
    events.push_back(std::string(on ? "enable:" : "disable:") + ControlName(c));
  }
  void SetGaugeMax(int max) override {
    gaugeMax = max;
    events.push_back("gaugemax:" + std::to_string(max));
  }
  void SetGaugeProgress(int p) override {
    gaugeProgress = p;
    events.push_back("gauge:" + std::to_string(p));
  }
  void SetGaugeColor(Rgb c) override {
    gaugeColor = c;
    events.push_back("color:" + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
                     std::to_string(c.blue));
  }
  void RepaintGauge() override { events.push_back("repaint"); }
  void ErrorBox(const std::string& text) override { events.push_back("error:" + text); }
  void InfoBox(const std::string& text) override { events.push_back("info:" + text); }
  Answer ConfirmBox(const std::string& text) override {
    events.push_back("confirm:" + text);
    if (confirmAnswers.empty()) return Answer::No;
    Answer a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
  }
  std::optional<FileChoice> OpenFileDialog(FileDialogState& state) override {
    events.push_back("open");
    lastOpenState = state;
    return Take(openAnswers, state);
  }
  std::optional<FileChoice> SaveFileDialog(FileDialogState& state) override {
    events.push_back("save");
    lastSaveState = state;
    return Take(saveAnswers, state);
  }
  std::optional<int> ChooseMcuModel(const std::vector<std::string>& items) override {
    events.push_back("mcu");
    lastMcuItems = items;
    if (mcuAnswers.empty()) return std::nullopt;
    auto a = mcuAnswers.front();
    mcuAnswers.pop_front();
    return a;
  }
  void ShowSpeedDialog(bool runDetection) override {
    events.push_back(std::string("speeddialog:") + (runDetection ? "1" : "0"));
    if (onSpeedDialog) onSpeedDialog(runDetection);
  }
  void ShowChecksumDialog() override {
    events.push_back("checksumdialog");
    if (onChecksumDialog) onChecksumDialog();
  }
  void ShowBufferViewer() override {
    events.push_back("viewer");
    if (onBufferViewer) onBufferViewer();
  }

  // The events of one kind, without their prefix ("log", "error", ...).
  std::vector<std::string> Only(const std::string& kind) const {
    std::vector<std::string> out;
    const std::string prefix = kind + ":";
    for (const auto& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
    return out;
  }
  void Clear() {
    events.clear();
    log.clear();
  }

 private:
  static std::optional<FileChoice> Take(std::deque<std::optional<FileChoice>>& q,
                                        FileDialogState& state) {
    if (q.empty()) return std::nullopt;
    auto a = q.front();
    q.pop_front();
    if (a) state.filterIndex = a->filterIndex;  // a confirmed dialog keeps its filter
    return a;
  }
};

}  // namespace tq::test
