// How long a person waits for the window: the buffer viewer opening the full
// 128 KB buffer (8192 rows; target under 100 ms) and the program's start to
// its main window painted, with a current tarnquil.ini so that no speed
// detection runs (target under 500 ms). Headless unless QT_QPA_PLATFORM says
// otherwise.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QStyleFactory>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialogs/Editmenu.h"
#include "image/CodeBuffer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

void ViewerOpensFullBuffer(benchmark::State& state) {
  tq::CodeBuffer buffer;
  buffer.pageCount = tq::kPageCountMax;
  for (size_t i = 0; i < buffer.bytes.size(); ++i) buffer.bytes[i] = static_cast<uint8_t>(i * 31);
  for (auto _ : state) {
    // Built, laid out and painted once, as the person sees it open.
    tq::TEditForm viewer(buffer);
    viewer.show();
    QPixmap painted = viewer.grab();
    benchmark::DoNotOptimize(painted);
    viewer.hide();
  }
}
BENCHMARK(ViewerOpensFullBuffer)->Unit(benchmark::kMillisecond);

// A folder with a copy of the program and a current tarnquil.ini beside it.
fs::path PrepareProgramFolder() {
  std::string tmpl = (fs::temp_directory_path() / "tq-bench-app-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return {};
  const fs::path dir = tmpl;
  fs::copy_file(TQ_TARNQUILL_PROGRAM, dir / "tarnquill");
  std::ofstream ini(dir / "tarnquil.ini", std::ios::binary);
  ini << "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=0\nPATH=" << dir.string() << "\n";
  const char* const names[] = {"KV200/KV210", "KV200G",         "KV200G",     "KV230",
                               "KV240/KV250", "KV250A/240A",    "KV300/310-64K",
                               "KV300/310-128K", "KV320-64K",   "KV320-128K", "KV330-64K",
                               "KV330-128K"};
  const int ids[] = {0x55AA, 0x3B5C, 0x3B5C, 0x3B2E, 0x3B71, 0x3A94,
                     0x3B2E, 0x3B71, 0x3B2E, 0x3B71, 0x3B2E, 0x3B71};
  const int pages[] = {120, 120, 128, 128, 256, 256, 128, 256, 128, 256, 128, 256};
  for (int i = 0; i < 12; ++i) {
    char section[8];
    snprintf(section, sizeof section, "MCU%02d", i + 1);
    ini << "[" << section << "]\nNAME=" << names[i] << "\nID=" << ids[i] << "\nPAGES=" << pages[i]
        << "\n";
  }
  return dir;
}

void ProgramStartToWindowShown(benchmark::State& state) {
  const fs::path dir = PrepareProgramFolder();
  if (dir.empty()) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string program = (dir / "tarnquill").string();
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.emplace_back("TARNQUILL_PORT=sim");
  env.emplace_back("TARNQUILL_EXIT_WHEN_SHOWN=1");
  if (!getenv("QT_QPA_PLATFORM")) env.emplace_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
      state.SkipWithError("cannot start tarnquill");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("tarnquill did not end cleanly");
      break;
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(ProgramStartToWindowShown)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
