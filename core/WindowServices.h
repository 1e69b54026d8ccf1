// The only way the command flows and the file readers talk to "the window".
// The Qt main window, the terminal front end and the test recorder each
// implement it, so every command runs unchanged under all three.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tq {

// Every button and menu item whose enabled state a command changes.
enum class Control {
  // tool buttons
  OpenButton,
  ISPLinkButton,
  ISPOFFButton,
  SpeedButton1,  // View Hex
  AutoButton,
  ProgramButton,
  EraseButton,
  SpeedButton2,  // Get CheckSum
  // menu items
  LoadFile1,
  SaveFile1,
  CreatRomFile1,
  ViewBuffer1,
  eXit1,
  Auto1,
  IspOn1,
  IspOff1,
  Erase1,
  Program1,
  Read1,
  SetSpeed1,
  SupportMCUtype1,
  ByteWrite,
};
constexpr int kControlCount = static_cast<int>(Control::ByteWrite) + 1;
const char* ControlName(Control c);

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 255;
  bool operator==(const Rgb&) const = default;
};

// The state a file dialog keeps between uses: which filter is selected
// (numbered from 1), the folder it opens in and the extension it gives a
// typed name without one. The dialog updates filterIndex when confirmed.
struct FileDialogState {
  int filterIndex = 1;
  std::string initialDir;
  std::string defaultExt;
};

struct FileChoice {
  std::string path;  // full path of the chosen file
  int filterIndex = 1;
};

enum class Answer { Yes, No };

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // message log and status bar
  virtual void AddLog(const std::string& line) = 0;
  virtual void SetStatus(int panel, const std::string& text) = 0;  // panels 0..2
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // progress gauge
  virtual void SetGaugeMax(int max) = 0;
  virtual void SetGaugeProgress(int progress) = 0;
  virtual void SetGaugeColor(Rgb color) = 0;
  virtual void RepaintGauge() = 0;

  // modal message boxes
  virtual void ErrorBox(const std::string& text) = 0;
  virtual void InfoBox(const std::string& text) = 0;
  virtual Answer ConfirmBox(const std::string& text) = 0;

  // modal choices; nullopt means cancelled
  virtual std::optional<FileChoice> OpenFileDialog(FileDialogState& state) = 0;
  virtual std::optional<FileChoice> SaveFileDialog(FileDialogState& state) = 0;
  // The MCU model dialog: returns the position of the chosen item, or
  // nullopt when it was closed without a choice.
  virtual std::optional<int> ChooseMcuModel(const std::vector<std::string>& items) = 0;

  // The auxiliary windows. Each front end builds its own view over the
  // logic in flows/ (speed dialog, checksum report, buffer viewer).
  virtual void ShowSpeedDialog(bool runDetection) = 0;
  virtual void ShowChecksumDialog() = 0;
  virtual void ShowBufferViewer() = 0;
};

}  // namespace tq
