// The command line of tarnquill-cli: global options and a list of commands,
// each run as if its button had been pressed. Parsing never touches the
// port or the configuration file, so a bad line changes nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/WindowServices.h"

namespace tq::cli {

enum class CommandKind {
  Load,
  IspOn,
  IspOff,
  Erase,
  Program,
  Read,
  Auto,
  Mcus,
  Save,
  Report,
  Speed,
  View,
};

struct Command {
  CommandKind kind = CommandKind::Mcus;
  std::string word;          // the command as typed, for messages
  std::string file;          // load / save: the file, made absolute
  int filterIndex = 1;       // load: 1 hex, 2 bank, 3 bin; save: 1 to 6
  std::optional<int> mcu;    // load --mcu N: the model's section number
  std::optional<std::string> company;  // report --company NAME
  bool detect = false;       // speed --detect
  bool set = false;          // speed --set COUNT
  long long count = 0;
};

struct Options {
  std::optional<std::string> port;  // --port PORT
  std::optional<Answer> sizeAnswer;  // --yes / --no
  bool trace = false;
  bool verbose = false;
  bool help = false;
  std::vector<Command> commands;
};

struct ParseResult {
  Options options;
  std::string error;  // not empty: a usage error, to be shown after "usage error: "
};

// args: the arguments without the program name. Relative file names are
// made absolute against baseDir (the directory the tool was started in),
// so that a load, which changes the working directory, does not change
// what a later file name means.
ParseResult ParseCommandLine(const std::vector<std::string>& args, const std::string& baseDir);

// The window would not let a disabled button or menu item be pressed; the
// same holds here. Walks the commands through the ISP link state and the
// Auto item's state (every command before a refused one is taken to
// succeed, since the run stops at the first failure) and names the first
// command that could not be started. Empty when all can run.
std::string CheckCommandOrder(const std::vector<Command>& commands);

// The file kind a name suggests: .hex 1, .h00 to .h03 2, .bin 3, else 1.
int KindFromExtension(const std::string& path);

// The --help text; simOptions is the simulated target's own option list.
std::string HelpText(const std::string& simOptions);

}  // namespace tq::cli
