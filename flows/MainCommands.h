// The main window's commands, without the window: every handler the Qt
// window and tarnquill-cli bind to. Each runs to its end on the caller's
// thread and reports only through WindowServices.
#pragma once

#include <string>

#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "core/WindowServices.h"
#include "flows/Session.h"
#include "isp/IspDevice.h"

namespace tq {

// "Kelvane Tarnquill V2.3": the first log line; the window title is this
// text followed by one blank.
std::string ProductLine();

// The extra start-up line both front ends hand to Startup: empty for a
// real port that could be reached; a plain warning when the simulated
// target stands in for the chip, so nobody takes a simulated run for a
// programmed part; the port layer's reason when the port could not be
// reached.
std::string PortNote(const PortIo& port);

class MainCommands {
 public:
  MainCommands(Session& session, WindowServices& win, TIspDevice& isp, ConfigFile& config,
               Clock& clock)
      : s_(session), win_(win), isp_(isp), config_(config), clock_(clock) {}

  // The window's construction from the state reset on: repair of the
  // configuration file, the three start-up log lines, PATH into the
  // dialogs, the speed detection after a default speed, the delay count
  // and pin map. portNote, when not empty, is logged as one more line (the
  // simulated target in use, or a port that could not be opened).
  // Throws ConfigWriteError when the file cannot be written.
  void Startup(const std::string& portNote);

  // Load File
  void OpenButtonClick();
  void LoadFile1Click() { OpenButtonClick(); }
  // ISP link and erase
  void ISPLinkButtonClick();
  void ISPOFFButtonClick();
  void EraseButtonClick();
  // Program and verify
  void ProgramButtonClick();
  // Get CheckSum / Read
  void SpeedButton2Click();
  // the automatic sequence
  void AutoButtonClick();
  // small commands of the window
  void SupportMCUtype1Click();
  void ByteWriteClick() { s_.byteWrite = !s_.byteWrite; }
  void SetSpeed1Click() { win_.ShowSpeedDialog(false); }
  void CreatRomFile1Click() { win_.ShowChecksumDialog(); }
  void SpeedButton1Click() { win_.ShowBufferViewer(); }
  void ViewBuffer1Click() { SpeedButton1Click(); }
  // Save File (hidden in the menu)
  void SaveFile1Click();

  Session& State() { return s_; }
  WindowServices& Window() { return win_; }
  TIspDevice& Isp() { return isp_; }
  ConfigFile& Config() { return config_; }
  Clock& ClockSource() { return clock_; }

 private:
  // The gauge step after page `index` of `count` handled.
  void GaugeStep(int index, int count, int& progress);
  // The size check before programming; true when the image is too large.
  bool ImageTooLarge() const;
  // The reload of the current file by its kind, without a dialog.
  void ReloadByKind();
  // Builds the MCU model list, asks the window, applies the choice.
  void ChooseModel();

  Session& s_;
  WindowServices& win_;
  TIspDevice& isp_;
  ConfigFile& config_;
  Clock& clock_;
};

}  // namespace tq
