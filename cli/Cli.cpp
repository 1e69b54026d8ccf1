#include "cli/Cli.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <ostream>

#include "bus/IicBus.h"
#include "bus/PortSelect.h"
#include "cli/ArgParse.h"
#include "config/ConfigFile.h"
#include "flows/BufferDump.h"
#include "flows/CheckSumReport.h"
#include "flows/MainCommands.h"
#include "flows/Session.h"
#include "flows/SpeedSetup.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"

namespace tq::cli {

namespace {

int UsageError(const TerminalStreams& io, const std::string& message) {
  io.err << "usage error: " << message << "\n"
         << "Try 'tarnquill-cli --help' for the commands and options.\n"
         << std::flush;
  return kExitUsage;
}

// The speed dialog on a terminal: its gauge becomes the progress bar, with
// the memo text beside it; the label is kept for the summary line.
class TerminalSetupView final : public SetupView {
 public:
  explicit TerminalSetupView(TerminalWindow& win) : win_(win) {}
  void SetLabel2(const std::string& text) override { label2_ = text; }
  void SetScrollPosition(int) override {}
  void SetMemoText(const std::string& text) override { memo_ = text; }
  void RepaintMemo() override {}
  void RepaintDialog() override { win_.Progress().Start(); }
  void SetGauge(int value) override {
    win_.Progress().Draw(value, SpeedSetup::kGaugeMax, "delay count", memo_);
  }
  const std::string& Label2() const { return label2_; }

 private:
  TerminalWindow& win_;
  std::string label2_;
  std::string memo_;
};

// Everything one run holds, built in the order the window is: the port and
// the one bus over it first, then the state and the start-up.
class CliSession {
 public:
  CliSession(PortIo& port, TerminalWindow& win, Clock& clock, const std::string& configDir)
      : bus_(port),
        isp_(bus_, clock),
        config_(configDir),
        win_(win),
        clock_(clock),
        commands_(session_, win, isp_, config_, clock) {
    win_.SetSpeedDialog([this](bool runDetection) {
      if (runDetection)
        win_.PrintErr("note: measuring the bus speed once; this takes up to about 50 seconds");
      RunSpeedDialog(runDetection, 0);
    });
  }

  MainCommands& Commands() { return commands_; }
  Session& State() { return session_; }

  // Open() then either the detection or the bar moved to 4 x count.
  void RunSpeedDialog(bool detect, long long count) {
    TerminalSetupView view(win_);
    SpeedSetup setup(session_, config_, isp_, clock_, view);
    setup.Open();
    if (detect) {
      setup.Button2Click();
    } else {
      const long long bounded = std::clamp<long long>(count, 0, SpeedSetup::kBarMax);
      setup.SetPosition(SpeedSetup::ClampPosition(4 * bounded));
    }
    win_.Progress().Wipe();
    win_.PrintErr("speed: IIC_SPEED " + std::to_string(session_.IicSpeed) + ", " +
                  SpeedSetup::kClockCaption + " " + std::to_string(4 * session_.IicSpeed));
  }

  void Run(const Command& c) {
    switch (c.kind) {
      case CommandKind::Load:
        win_.AnswerOpen(FileChoice{c.file, c.filterIndex});
        win_.AnswerMcu(c.mcu);
        commands_.OpenButtonClick();
        win_.AnswerMcu(std::nullopt);
        if (c.mcu && session_.resultCode == kResultOk && !win_.McuDialogShown())
          win_.PrintErr("warning: --mcu " + std::to_string(*c.mcu) +
                        " not used: this load opens no model dialog");
        break;
      case CommandKind::IspOn: commands_.ISPLinkButtonClick(); break;
      case CommandKind::IspOff: commands_.ISPOFFButtonClick(); break;
      case CommandKind::Erase: commands_.EraseButtonClick(); break;
      case CommandKind::Program: commands_.ProgramButtonClick(); break;
      case CommandKind::Read: commands_.SpeedButton2Click(); break;
      case CommandKind::Auto: commands_.AutoButtonClick(); break;
      case CommandKind::Mcus: commands_.SupportMCUtype1Click(); break;
      case CommandKind::Save:
        win_.AnswerSave(FileChoice{c.file, c.filterIndex});
        commands_.SaveFile1Click();
        break;
      case CommandKind::Report: {
        CheckSumReport report(session_.buffer, config_, win_, clock_);
        report.Button1Click(c.company.value_or(report.Company()));
        break;
      }
      case CommandKind::Speed: RunSpeedDialog(c.detect, c.count); break;
      case CommandKind::View: {
        const BufferDump dump(session_.buffer);
        for (int row = 0; row < dump.RowCount(); ++row) win_.PrintOut(dump.RowText(row));
        break;
      }
    }
    win_.Progress().Wipe();
  }

 private:
  TIicBus bus_;
  TIspDevice isp_;
  ConfigFile config_;
  Session session_;
  TerminalWindow& win_;
  Clock& clock_;
  MainCommands commands_;
};

// The exit status of a command that ran to its end: its result code; else
// 1 when it failed without one (an error box, a --mcu number not in the
// list); else 2 when the size question was declined and nothing written.
int CommandStatus(const Session& session, const TerminalWindow& win) {
  if (session.resultCode != kResultOk) return session.resultCode;
  if (win.ErrorShown() || win.McuNotFound()) return kExitFailure;
  if (win.SizeDeclined()) return kExitDeclined;
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const std::string& baseDir,
           const TerminalStreams& streams, const CliHost& host) {
  const ParseResult parsed = ParseCommandLine(args, baseDir);
  if (!parsed.error.empty()) return UsageError(streams, parsed.error);
  const Options& opt = parsed.options;
  if (opt.help) {
    streams.out << HelpText(sim::SimOptionsHelp()) << std::flush;
    return kExitOk;
  }
  if (std::string order = CheckCommandOrder(opt.commands); !order.empty())
    return UsageError(streams, order);

  Clock& clock = host.clock;
  TerminalWindow win(streams, clock);
  win.SetSizeAnswer(opt.sizeAnswer);
  win.SetVerbose(opt.verbose);

  const std::string portName = opt.port ? *opt.port : PortSpecFromEnvironment();
  std::string portError;
  std::unique_ptr<PortIo> port = OpenPort(portName, clock, portError);
  if (!port)
    return UsageError(streams, (opt.port ? "--port: " : std::string(kPortEnvironmentVariable) + ": ") +
                                   portError);
  if (auto* simPort = dynamic_cast<sim::SimPort*>(port.get())) {
    // Nobody here reads the recorded trace back; only --trace prints it.
    simPort->Trace().SetRecording(false);
    if (opt.trace) simPort->SetTraceSink([&win](const std::string& line) { win.PrintErr(line); });
  } else if (opt.trace) {
    win.PrintErr("warning: --trace shows the wire only with the simulated target (--port sim)");
  }

  try {
    CliSession run(*port, win, clock, host.configDir);
    try {
      run.Commands().Startup(PortNote(*port));
    } catch (const ConfigWriteError& e) {
      win.PrintErr(std::string("error: ") + e.what());
      return kExitFailure;
    }
    for (const Command& command : opt.commands) {
      win.BeginCommand();
      int status = kExitOk;
      try {
        run.Run(command);
        status = CommandStatus(run.State(), win);
      } catch (const std::exception& e) {
        // The window shows an escaped error in a box and goes on; a script
        // is better served by stopping here.
        win.Progress().Wipe();
        win.PrintErr(std::string("error: ") + e.what());
        status = kExitFailure;
      }
      if (status != kExitOk) return status;
    }
  } catch (const std::exception& e) {
    win.PrintErr(std::string("error: ") + e.what());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tq::cli
