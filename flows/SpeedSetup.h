// The speed dialog without its widgets: the manual setting of the bus delay
// count through a scroll bar, and the automatic detection that measures how
// many clock bursts the bus manages in one second. The Qt dialog, the
// terminal front end and the tests each supply a SetupView and forward the
// bar's change event and the button press to SpeedSetup.
#pragma once

#include <cstdint>
#include <string>

#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "flows/Session.h"
#include "isp/IspDevice.h"

namespace tq {

// What the logic needs to show. Every call is a plain setter: none of them
// may call back into SpeedSetup.
class SetupView {
 public:
  virtual ~SetupView() = default;
  // The figure under "CPU Clock (MHz)": four times the delay count.
  virtual void SetLabel2(const std::string& text) = 0;
  // Moves the bar WITHOUT raising its change event (SpeedSetup runs the
  // change handler itself when the program moves the bar).
  virtual void SetScrollPosition(int position) = 0;
  virtual void SetMemoText(const std::string& text) = 0;
  // Repaint at once; the detection blocks the event loop for its whole run.
  virtual void RepaintMemo() = 0;
  virtual void RepaintDialog() = 0;
  // Sets the gauge (0..kGaugeMax) and repaints it at once.
  virtual void SetGauge(int value) = 0;
};

class SpeedSetup {
 public:
  // The scroll bar, in units of four times the delay count.
  static constexpr int kBarMin = 80;
  static constexpr int kBarMax = 5000;
  static constexpr int kBarDesignPosition = 200;
  static constexpr int kBarSmallChange = 50;
  static constexpr int kBarLargeChange = 50;
  static constexpr int kGaugeMax = 1250;

  // The detection: counts 25, 50, ... 1225 are measured for one second
  // each; the first with fewer than 1700 bursts wins, else 1250.
  static constexpr int kFirstCount = 25;
  static constexpr int kCountStep = 25;
  static constexpr int kLastCount = 1250;
  static constexpr int kBurstThreshold = 1700;

  // The dialog's fixed texts, for the views that build it.
  static constexpr const char* kCaption = "SetupForm";
  static constexpr const char* kManualCaption = "Manual Adjust IIC speed";
  static constexpr const char* kClockCaption = "CPU Clock (MHz)";
  static constexpr const char* kLabel2DesignText = " 150";
  static constexpr const char* kAutoCaption = "Auto Detect IIC speed";
  static constexpr const char* kMemoInitialText = "Press key and waiting 5~50 Seconds";
  static constexpr const char* kButtonCaption = "Auto detect";
  static constexpr const char* kDetectingText = "Detecting...";
  static constexpr const char* kFinishedText = "Finished.";

  SpeedSetup(Session& session, ConfigFile& config, TIspDevice& isp, Clock& clock, SetupView& view);

  // Initialises the dialog from IicSpeed: the bar goes to 4 x IicSpeed
  // (kept within the bar's range; the change handler runs only when the
  // bar moves), then Label2 shows 4 x IicSpeed.
  // Throws ConfigWriteError when the change handler cannot store the count.
  void Open();

  // The bar's change event, raised by the user moving the bar (the view
  // forwards the new position) or by SetPosition. Shows the figure, sets
  // IicSpeed to position div 4, stores it as IIC_SPEED and hands it to
  // the bus. A ConfigWriteError escapes after IicSpeed and Label2 changed,
  // the bus keeping its previous count.
  void ScrollBar1Change(int position);

  // The program moving the bar: the position is kept within 80..5000 and,
  // when it differs from the current one, the view's bar follows and the
  // change handler runs. Front ends that set a count directly use this.
  void SetPosition(int position);

  // The automatic detection, run to its end (2 to 50 seconds of real time).
  // Throws ConfigWriteError when the result cannot be stored; port access
  // is released first.
  void Button2Click();

  // The bar's current position as the logic knows it.
  int Position() const { return position_; }

  static int ClampPosition(int64_t position);
  static int32_t PositionToCount(int position) { return position / 4; }

 private:
  Session& s_;
  ConfigFile& config_;
  TIspDevice& isp_;
  Clock& clock_;
  SetupView& view_;
  int position_ = kBarDesignPosition;
};

}  // namespace tq
