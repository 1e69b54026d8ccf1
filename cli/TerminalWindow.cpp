#include "cli/TerminalWindow.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>

namespace tq::cli {

// ---- ProgressLine -----------------------------------------------------------

void ProgressLine::Start() { startUs_ = clock_.MonotonicUs(); }

void ProgressLine::Draw(int done, int total, const std::string& unit, const std::string& label) {
  if (!enabled_ || total <= 0) return;
  constexpr int kWidth = 30;
  const int clamped = std::clamp(done, 0, total);
  const int filled = static_cast<int>(int64_t{clamped} * kWidth / total);
  const int64_t seconds = std::max<int64_t>(0, (clock_.MonotonicUs() - startUs_) / 1'000'000);
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  std::string line = "\r[" + std::string(filled, '#') + std::string(kWidth - filled, '-') + "] " +
                     std::to_string(done) + "/" + std::to_string(total) + " " + unit + "  " +
                     elapsed;
  if (!label.empty()) line += "  " + label;
  err_ << line << "\033[K" << std::flush;
  shown_ = true;
}

void ProgressLine::Wipe() {
  if (!shown_) return;
  err_ << "\r\033[K" << std::flush;
  shown_ = false;
}

// ---- TerminalWindow ---------------------------------------------------------

TerminalWindow::TerminalWindow(const TerminalStreams& streams, Clock& clock)
    : io_(streams), progress_(streams.err, streams.errIsTerminal, clock) {}

void TerminalWindow::BeginCommand() {
  errorShown_ = false;
  sizeDeclined_ = false;
  mcuShown_ = false;
  mcuNotFound_ = false;
}

void TerminalWindow::PrintOut(const std::string& line) {
  progress_.Wipe();
  io_.out << line << '\n' << std::flush;
}

void TerminalWindow::PrintErr(const std::string& line) {
  progress_.Wipe();
  io_.err << line << '\n' << std::flush;
}

void TerminalWindow::AddLog(const std::string& line) { PrintOut(line); }

void TerminalWindow::SetStatus(int panel, const std::string& text) {
  if (verbose_) PrintErr("status " + std::to_string(panel) + ": " + text);
}

void TerminalWindow::SetEnabled(Control, bool) {}

// The commands set the maximum before their first page and then step the
// progress, repainting after each page: a new maximum starts a new bar.
void TerminalWindow::SetGaugeMax(int max) {
  gaugeMax_ = max;
  progress_.Start();
}

void TerminalWindow::SetGaugeProgress(int progress) { gaugeProgress_ = progress; }

void TerminalWindow::SetGaugeColor(Rgb) {}

void TerminalWindow::RepaintGauge() { progress_.Draw(gaugeProgress_, gaugeMax_, "pages", ""); }

void TerminalWindow::ErrorBox(const std::string& text) {
  errorShown_ = true;
  PrintErr("error: " + text);
}

void TerminalWindow::InfoBox(const std::string& text) { PrintErr("info: " + text); }

Answer TerminalWindow::ConfirmBox(const std::string& text) {
  Answer answer = Answer::No;
  if (sizeAnswer_) {
    answer = *sizeAnswer_;
    PrintErr("confirm: " + text + (answer == Answer::Yes ? " yes (--yes)" : " no (--no)"));
  } else if (io_.inIsTerminal && io_.errIsTerminal) {
    progress_.Wipe();
    io_.err << "confirm: " << text << " [y/N] " << std::flush;
    std::string reply;
    if (!std::getline(io_.in, reply)) io_.err << '\n';
    const auto first = reply.find_first_not_of(" \t");
    if (first != std::string::npos && (reply[first] == 'y' || reply[first] == 'Y'))
      answer = Answer::Yes;
  } else {
    PrintErr("confirm: " + text + " no (not a terminal; --yes answers yes)");
  }
  if (answer == Answer::No) sizeDeclined_ = true;
  return answer;
}

std::optional<FileChoice> TerminalWindow::OpenFileDialog(FileDialogState& state) {
  std::optional<FileChoice> choice = std::move(openAnswer_);
  openAnswer_.reset();
  if (choice) state.filterIndex = choice->filterIndex;
  return choice;
}

std::optional<FileChoice> TerminalWindow::SaveFileDialog(FileDialogState& state) {
  std::optional<FileChoice> choice = std::move(saveAnswer_);
  saveAnswer_.reset();
  if (choice) state.filterIndex = choice->filterIndex;
  return choice;
}

// Items read "N. NAME (SIZEK)" with N the section number, which is what
// --mcu names; the dialog answers with the item's position.
std::optional<int> TerminalWindow::ChooseMcuModel(const std::vector<std::string>& items) {
  mcuShown_ = true;
  const std::optional<int> wanted = mcuAnswer_;
  mcuAnswer_.reset();
  if (!wanted) {
    if (verbose_) {
      PrintErr("note: no MCU model chosen (load --mcu N chooses one):");
      for (const auto& item : items) PrintErr("  " + item);
    }
    return std::nullopt;
  }
  const std::string prefix = std::to_string(*wanted) + ". ";
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  mcuNotFound_ = true;
  std::string list;
  for (const auto& item : items) list += (list.empty() ? "" : ", ") + item;
  PrintErr("error: --mcu " + std::to_string(*wanted) + ": the model list has no item " +
           std::to_string(*wanted) + " (" + (list.empty() ? "it is empty" : list) + ")");
  return std::nullopt;
}

void TerminalWindow::ShowSpeedDialog(bool runDetection) {
  if (speedDialog_) speedDialog_(runDetection);
}

}  // namespace tq::cli
