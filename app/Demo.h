// A scripted run of the window for the screenshots in docs/ and for timing
// the start-up; nobody needs to sit at the screen. Switched on by the
// environment only, never by the configuration file:
//   TARNQUILL_DEMO=FILE        load FILE (Intel HEX), choose the model of
//                              TARNQUILL_DEMO_MCU (item position, default 3),
//                              run Auto, open each small window, then quit
//   TARNQUILL_DEMO_OUT=DIR     where the pictures go (default: the current folder)
//   TARNQUILL_EXIT_WHEN_SHOWN=1  quit as soon as the main window has been painted
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <vector>

#include "app/Prompter.h"

namespace tq {

class TMainForm;

// A picture of a window as a person would see it: its title strip (there is
// no window manager under Xvfb to draw one) over the window itself.
QImage WindowShot(QWidget& window);

// Answers everything the scripted run meets: the open dialog with the demo
// file, the model dialog with one item, the small windows by photographing
// them; boxes are printed instead of shown.
class DemoPrompter : public Prompter {
 public:
  DemoPrompter(QString file, int mcuItem, QString outDir)
      : file_(std::move(file)), mcuItem_(mcuItem), outDir_(std::move(outDir)) {}

  Answer Box(QWidget* parent, BoxKind kind, const QString& text) override;
  std::optional<FileChoice> FileDialog(QWidget* parent, FileDialogKind kind,
                                       FileDialogState& state) override;
  int Exec(QDialog& dialog) override;
  void Show(QWidget& window) override;

  // Saves WindowShot(window) as DIR/name.png.
  bool Save(QWidget& window, const QString& name);
  int Failures() const { return failures_; }

 private:
  QString file_;
  int mcuItem_;
  QString outDir_;
  int failures_ = 0;
};

// Reads the environment; true when a demo was asked for, with the prompter
// the window must be built with.
struct DemoRequest {
  bool active = false;
  bool exitWhenShown = false;
  QString file;
  QString outDir;
  int mcuItem = 3;
};
DemoRequest DemoFromEnvironment();

// Runs the script once the event loop has started: the main window at
// start, load, Auto, the main window's picture, the viewer, the report dialog, the speed dialog, quit.
void ScheduleDemo(TMainForm& form, DemoPrompter& prompter);
// Quits the program right after the window's first paint.
void ExitWhenShown(TMainForm& form);

}  // namespace tq
