// tarnquill-cli: the tool's commands from a terminal.
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/Cli.h"
#include "config/ConfigFile.h"
#include "core/Clock.h"

int main(int argc, char** argv) {
  // The long time and short date texts come in the user's own format.
  std::setlocale(LC_ALL, "");

  std::vector<std::string> args(argv + 1, argv + argc);
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  const std::string baseDir = ec ? std::string(".") : cwd.string();

  const tq::cli::TerminalStreams streams{std::cout, std::cerr, std::cin, isatty(STDERR_FILENO) == 1,
                                         isatty(STDIN_FILENO) == 1};
  tq::SystemClock clock;
  return tq::cli::RunCli(args, baseDir, streams, {clock, tq::ExecutableDirectory()});
}
