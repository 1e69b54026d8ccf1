// tarnquill-cli from its arguments to its exit status, with the streams
// passed in so the whole run can be driven from a test as well as main().
#pragma once

#include <string>
#include <vector>

#include "cli/TerminalWindow.h"

namespace tq::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a failure without a result code of its own
constexpr int kExitUsage = 2;    // with "usage error: ..." on standard error
constexpr int kExitDeclined = 2;  // the size question answered No: nothing written

// What the program takes from its surroundings; tests put a virtual clock
// and a directory of their own here.
struct CliHost {
  Clock& clock;
  std::string configDir;  // where tarnquil.ini lives: the executable's directory
};

// args without the program name; baseDir: the directory relative file
// names are taken from (the working directory at start).
int RunCli(const std::vector<std::string>& args, const std::string& baseDir,
           const TerminalStreams& streams, const CliHost& host);

}  // namespace tq::cli
