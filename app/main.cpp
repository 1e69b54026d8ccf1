// tarnquill: the window. Start-up order: the locale, the application, the
// port chosen from TARNQUILL_PORT, the one bus object over it (before any
// window), the main window with its start-up, the hidden model dialog, the
// event loop.
#include <QApplication>
#include <QMessageBox>
#include <QStyleFactory>

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "app/Demo.h"
#include "app/Mainmenu.h"
#include "app/Prompter.h"
#include "bus/IicBus.h"
#include "bus/PortSelect.h"
#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "dialogs/Selectmcu.h"
#include "flows/MainCommands.h"
#include "flows/McuSelection.h"
#include "flows/Session.h"
#include "isp/IspDevice.h"

namespace {

// Said on the terminal too, for whoever started the program from one.
void Fail(const std::string& text) {
  std::fprintf(stderr, "tarnquill: %s\n", text.c_str());
  QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                        QString::fromStdString(text));
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  QApplication app(argc, argv);
  // The application's own name is what the desktop groups the windows by;
  // the windows keep their own captions exactly.
  QApplication::setApplicationName(QStringLiteral("tarnquill"));
  QApplication::setDesktopFileName(QStringLiteral("tarnquill"));
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

  static tq::SystemClock clock;
  std::string error;
  static std::unique_ptr<tq::PortIo> port =
      tq::OpenPort(tq::PortSpecFromEnvironment(), clock, error);
  if (!port) {
    Fail(std::string(tq::kPortEnvironmentVariable) + ": " + error);
    return 2;
  }
  // The one bus object: it writes its start-up values to the port now,
  // before any window exists, and lives until the program ends.
  static tq::TIicBus bus(*port);
  static tq::TIspDevice isp(bus, clock);
  static tq::ConfigFile config(tq::ExecutableDirectory());
  static tq::Session session;

  const tq::DemoRequest demo = tq::DemoFromEnvironment();
  tq::StandardPrompter standard;
  tq::DemoPrompter scripted(demo.file, demo.mcuItem, demo.outDir);
  tq::Prompter& prompter = demo.active ? static_cast<tq::Prompter&>(scripted) : standard;

  std::unique_ptr<tq::TMainForm> form;
  try {
    form = std::make_unique<tq::TMainForm>(session, isp, config, clock, tq::PortNote(*port),
                                           prompter);
  } catch (const std::exception& e) {
    // A start-up write error ends the program before the window appears.
    Fail(e.what());
    return 1;
  }

  std::unique_ptr<tq::TMcuForm> mcuForm;
  try {
    mcuForm = std::make_unique<tq::TMcuForm>(tq::McuItemTexts(tq::BuildModelList(config)));
  } catch (const std::exception& e) {
    Fail(e.what());
    return 1;
  }

  if (demo.active) tq::ScheduleDemo(*form, scripted);
  if (demo.exitWhenShown) tq::ExitWhenShown(*form);
  form->show();
  return app.exec();
}
