// The Qt window over the simulated target, headless: a temporary folder
// with a current tarnquil.ini (so no speed detection runs), a virtual clock,
// the bus, the ISP layer, the session and the main window, with a prompter
// that answers boxes and dialogs from the test's script.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Mainmenu.h"
#include "app/Prompter.h"
#include "bus/IicBus.h"
#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "flows/MainCommands.h"
#include "flows/Session.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"
#include "tests/flows/Fixture.h"

namespace tq::test {

namespace fs = std::filesystem;

// Keeps every question in order ("error:...", "info:...", "confirm:...",
// "exception:...", "open", "save", "exec:EditForm", "show:SetupForm") and
// answers from queues; empty queues mean No, cancel, close box.
class ScriptedPrompter : public Prompter {
 public:
  std::vector<std::string> events;
  std::deque<Answer> confirmAnswers;
  std::deque<std::optional<FileChoice>> fileAnswers;
  // Runs inside a modal dialog in place of a person; returns the dialog's
  // result. Without it the dialog is closed by its close box.
  std::function<int(QDialog&)> onExec;

  Answer Box(QWidget*, BoxKind kind, const QString& text) override {
    static const char* const kinds[] = {"error:", "info:", "confirm:", "exception:"};
    events.push_back(kinds[static_cast<int>(kind)] + text.toStdString());
    if (kind != BoxKind::Confirmation || confirmAnswers.empty()) return Answer::No;
    const Answer a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
  }
  std::optional<FileChoice> FileDialog(QWidget*, FileDialogKind kind,
                                       FileDialogState& state) override {
    events.push_back(kind == FileDialogKind::Open ? "open" : "save");
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    if (a) state.filterIndex = a->filterIndex;
    return a;
  }
  int Exec(QDialog& dialog) override {
    events.push_back("exec:" + dialog.objectName().toStdString());
    if (!onExec) return QDialog::Rejected;
    dialog.show();
    const int result = onExec(dialog);
    dialog.hide();
    return result;
  }
  // Called after a modeless window was shown.
  std::function<void(QWidget&)> onShow;

  void Show(QWidget& window) override {
    events.push_back("show:" + window.objectName().toStdString());
    window.show();
    if (onShow) onShow(window);
  }

  bool Saw(const std::string& event) const {
    for (const auto& e : events)
      if (e == event) return true;
    return false;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "tq-app-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    // The checksum report lands in the working directory.
    fs::current_path(dir);
  }
  void TearDown() override {
    form.reset();
    isp.reset();
    bus.reset();
    port.reset();
    std::error_code ec;
    fs::current_path(oldCwd, ec);
    fs::remove_all(dir, ec);
  }

  // The window over a simulated target with these options, shown and
  // active so that its shortcut keys work.
  // Without writeIni the folder holds no tarnquil.ini: a first start.
  void Build(const std::string& simOptions = "", bool writeIni = true) {
    if (writeIni && !fs::exists(dir / ConfigFile::kFileName)) WriteIni(dir, DefaultMcuRows());
    std::string error;
    port = sim::MakeSimPort(simOptions, clock, error);
    ASSERT_TRUE(port) << error;
    bus = std::make_unique<TIicBus>(*port);
    isp = std::make_unique<TIspDevice>(*bus, clock);
    config = std::make_unique<ConfigFile>(dir.string());
    form = std::make_unique<TMainForm>(session, *isp, *config, clock, PortNote(*port), prompter);
    form->show();
    form->activateWindow();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(form.get());
    QT_WARNING_POP
  }

  // A HEX image of `bytes` at address 0, in the test's folder.
  fs::path WriteImage(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::path file = dir / name;
    WriteBytes(file, IntelHexText({{0, bytes}}));
    return file;
  }

  // Load File by its button: the open dialog answered with the file, the
  // model dialog by clicking item `model` (or its close box).
  void Load(const fs::path& file, std::optional<int> model = 3, int filter = 1) {
    prompter.fileAnswers.push_back(FileChoice{file.string(), filter});
    prompter.onExec = [model](QDialog& dialog) {
      if (dialog.objectName() == "McuForm" && model) {
        auto* item = dialog.findChild<QAbstractButton*>(QStringLiteral("RadioGroup1Item%1").arg(*model));
        if (item) QTest::mouseClick(item, Qt::LeftButton);
      }
      return dialog.result();
    };
    Click("OpenButton");
    prompter.onExec = nullptr;
  }

  QToolButton* Button(const char* name) const {
    return form->findChild<QToolButton*>(QString::fromLatin1(name));
  }
  QAction* Item(const char* name) const {
    return form->findChild<QAction*>(QString::fromLatin1(name));
  }
  void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }
  void Key(Qt::Key key) { QTest::keyClick(form.get(), key); }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const QString text = form->Memo1->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
  }
  bool Logged(const std::string& line) const {
    for (const auto& l : LogLines())
      if (l == line) return true;
    return false;
  }

  fs::path dir;
  VirtualClock clock;
  std::unique_ptr<sim::SimPort> port;
  std::unique_ptr<TIicBus> bus;
  std::unique_ptr<TIspDevice> isp;
  std::unique_ptr<ConfigFile> config;
  Session session;
  ScriptedPrompter prompter;
  std::unique_ptr<TMainForm> form;
  fs::path oldCwd;  // where the test program was started
};

}  // namespace tq::test
