#include "cli/ArgParse.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

namespace tq::cli {

namespace {

struct CommandWord {
  std::string_view word;
  CommandKind kind;
};
constexpr std::array<CommandWord, 12> kCommandWords{{
    {"load", CommandKind::Load},
    {"isp-on", CommandKind::IspOn},
    {"isp-off", CommandKind::IspOff},
    {"erase", CommandKind::Erase},
    {"program", CommandKind::Program},
    {"read", CommandKind::Read},
    {"auto", CommandKind::Auto},
    {"mcus", CommandKind::Mcus},
    {"save", CommandKind::Save},
    {"report", CommandKind::Report},
    {"speed", CommandKind::Speed},
    {"view", CommandKind::View},
}};

// Options that belong to one command, and the command they belong to.
struct CommandOption {
  std::string_view name;
  CommandKind kind;
  bool takesValue;
};
constexpr std::array<CommandOption, 6> kCommandOptions{{
    {"--kind", CommandKind::Load, true},
    {"--mcu", CommandKind::Load, true},
    {"--fill", CommandKind::Save, true},
    {"--company", CommandKind::Report, true},
    {"--detect", CommandKind::Speed, false},
    {"--set", CommandKind::Speed, true},
}};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool ParseInteger(const std::string& text, long long& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last;
}

std::string MakeAbsolute(const std::string& file, const std::string& baseDir) {
  std::filesystem::path path(file);
  if (path.is_relative()) path = std::filesystem::path(baseDir) / path;
  return path.lexically_normal().string();
}

// Applies one option of the current command; returns a usage error or "".
std::string ApplyCommandOption(Command& command, std::string_view name, const std::string& value) {
  if (name == "--kind") {
    const std::string kind = Lower(value);
    if (kind == "hex") command.filterIndex = 1;
    else if (kind == "bank") command.filterIndex = 2;
    else if (kind == "bin") command.filterIndex = 3;
    else return "--kind takes hex, bank or bin, not '" + value + "'";
  } else if (name == "--mcu") {
    long long n = 0;
    if (!ParseInteger(value, n) || n < 1 || n > 29)
      return "--mcu takes a model number from 1 to 29, not '" + value + "'";
    command.mcu = static_cast<int>(n);
  } else if (name == "--fill") {
    const std::string fill = Lower(value);
    if (fill == "32k") command.filterIndex = 2;
    else if (fill == "60k") command.filterIndex = 3;
    else if (fill == "64k") command.filterIndex = 4;
    else if (fill == "128k") command.filterIndex = 5;
    else if (fill == "bin") command.filterIndex = 6;
    else return "--fill takes 32k, 60k, 64k, 128k or bin, not '" + value + "'";
  } else if (name == "--company") {
    command.company = value;
  } else if (name == "--detect") {
    command.detect = true;
  } else if (name == "--set") {
    long long count = 0;
    if (!ParseInteger(value, count)) return "--set takes a whole number, not '" + value + "'";
    command.count = count;
    command.set = true;
  }
  return {};
}

}  // namespace

int KindFromExtension(const std::string& path) {
  const std::string ext = Lower(std::filesystem::path(path).extension().string());
  if (ext == ".h00" || ext == ".h01" || ext == ".h02" || ext == ".h03") return 2;
  if (ext == ".bin") return 3;
  return 1;
}

ParseResult ParseCommandLine(const std::vector<std::string>& args, const std::string& baseDir) {
  ParseResult result;
  Options& opt = result.options;
  auto fail = [&result](std::string message) {
    result.error = std::move(message);
    return result;
  };

  // Asking for help is never a usage error, whatever else the line holds.
  if (std::find_if(args.begin(), args.end(), [](const std::string& a) {
        return a == "--help" || a == "-h";
      }) != args.end()) {
    opt.help = true;
    return result;
  }

  bool yes = false;
  bool no = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      // "--name=value" and "--name value" are both accepted.
      std::string name = arg;
      std::optional<std::string> inlineValue;
      if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
      auto takeValue = [&](std::string& value) -> bool {
        if (inlineValue) {
          value = *inlineValue;
          return true;
        }
        if (i + 1 >= args.size()) return false;
        value = args[++i];
        return true;
      };
      auto noValue = [&]() { return !inlineValue; };

      if (name == "--port") {
        std::string value;
        if (!takeValue(value) || value.empty()) return fail("--port needs a port: sim[:OPTIONS], a device path or io[:BASE]");
        opt.port = value;
        continue;
      }
      if (name == "--yes" || name == "--no" || name == "--trace" || name == "--verbose") {
        if (!noValue()) return fail(name + " takes no value");
        if (name == "--yes") yes = true;
        if (name == "--no") no = true;
        if (name == "--trace") opt.trace = true;
        if (name == "--verbose") opt.verbose = true;
        continue;
      }
      auto known = std::find_if(kCommandOptions.begin(), kCommandOptions.end(),
                                [&](const CommandOption& o) { return o.name == name; });
      if (known == kCommandOptions.end()) return fail("unknown option '" + arg + "'");
      if (opt.commands.empty() || opt.commands.back().kind != known->kind) {
        std::string owner;
        for (const auto& w : kCommandWords)
          if (w.kind == known->kind) owner = std::string(w.word);
        std::string message = "option " + name + " belongs to the command '";
        message += owner;
        message += "'";
        if (!opt.commands.empty()) message += ", not to '" + opt.commands.back().word + "'";
        return fail(message);
      }
      std::string value;
      if (known->takesValue) {
        if (!takeValue(value)) return fail(name + " needs a value");
      } else if (!noValue()) {
        return fail(name + " takes no value");
      }
      if (std::string err = ApplyCommandOption(opt.commands.back(), name, value); !err.empty())
        return fail(err);
      continue;
    }

    auto word = std::find_if(kCommandWords.begin(), kCommandWords.end(),
                             [&](const CommandWord& w) { return w.word == arg; });
    if (word == kCommandWords.end()) return fail("unknown command '" + arg + "'");
    Command command;
    command.kind = word->kind;
    command.word = arg;
    if (command.kind == CommandKind::Load || command.kind == CommandKind::Save) {
      if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0)
        return fail(arg + " needs a file name");
      command.file = MakeAbsolute(args[++i], baseDir);
      if (command.kind == CommandKind::Load) command.filterIndex = KindFromExtension(command.file);
    }
    opt.commands.push_back(std::move(command));
  }

  if (yes && no) return fail("--yes and --no exclude each other");
  if (yes) opt.sizeAnswer = Answer::Yes;
  if (no) opt.sizeAnswer = Answer::No;
  for (Command& command : opt.commands) {
    if (command.kind == CommandKind::Speed && command.set == command.detect)
      return fail("speed needs exactly one of --detect and --set COUNT");
  }
  if (opt.commands.empty()) return fail("no command given");
  return result;
}

std::string CheckCommandOrder(const std::vector<Command>& commands) {
  // The states of the window at start: ISP off, Auto (button and item) off.
  bool ispOn = false;
  bool autoEnabled = false;
  for (const Command& c : commands) {
    switch (c.kind) {
      case CommandKind::Load:
        autoEnabled = true;
        break;
      case CommandKind::IspOn:
        if (ispOn) return "isp-on cannot run while the ISP link is on (it is already on)";
        ispOn = true;
        break;
      case CommandKind::IspOff:
      case CommandKind::Erase:
      case CommandKind::Program:
        if (!ispOn) return c.word + " needs the ISP link on: put isp-on before it";
        if (c.kind == CommandKind::IspOff) ispOn = false;
        break;
      case CommandKind::Read:  // reads with its own ISP ON when needed, ends with ISP OFF
        ispOn = false;
        break;
      case CommandKind::Auto:
        if (!autoEnabled) return "auto needs a file: put load FILE before it";
        ispOn = false;
        break;
      case CommandKind::Mcus:
      case CommandKind::Save:
      case CommandKind::Report:
      case CommandKind::Speed:
      case CommandKind::View:
        break;
    }
  }
  return {};
}

std::string HelpText(const std::string& simOptions) {
  std::string text = R"HELP(Usage: tarnquill-cli [OPTIONS] COMMAND [COMMAND...]

Programs the flash of the target microcontroller over the I2C link on the
parallel port, from a terminal. It starts like the window (the same
tarnquil.ini beside the executable), then runs the commands in the order
given, in one session, as if their buttons had been pressed.

Options (anywhere on the line):
  --port PORT      the port: sim[:OPTIONS] (the simulated target),
                   /dev/parportN (the kernel's parallel-port device) or
                   io[:BASE] (direct I/O, x86, needs CAP_SYS_RAWIO; BASE
                   defaults to 0x378). Overrides TARNQUILL_PORT; without
                   either the port is /dev/parport0, never the simulation.
  --yes, --no      answer the question "Code size over Max size!! Write
                   anyway?" when it is not asked on a terminal. Without
                   either the answer is No. Given, they win on a terminal too.
  --trace          with the simulated target: print the decoded wire
                   traffic to standard error
  --verbose        also print the status bar texts to standard error
  -h, --help       print this text and exit

Commands:
  load FILE [--kind hex|bank|bin] [--mcu N]
                   Load File. The kind defaults from the extension (.hex hex,
                   .h00 to .h03 bank set, .bin binary, anything else hex).
                   --mcu N answers the model dialog with the item numbered N,
                   the number shown in its list (1 = "1. KV200/KV210 (60K)"
                   with the default table); without it no model is chosen.
  isp-on           ISP ON: enter ISP mode and identify the target
  isp-off          ISP OFF
  erase            Erase
  program          Program, with read-back verify of every page
  read             Get CheckSum: read the flash and log its checksum
  auto             Auto: reload the file, ISP ON, Erase, Program, ISP OFF
  mcus             Support MCU type: list the MCU table
  save FILE [--fill 32k|60k|64k|128k|bin]
                   Save File, as Intel HEX of the image's own size, filled
                   up to 32, 60, 64 or 128 KB, or as a binary image
  report [--company NAME]
                   write CheckSum.txt in the working directory (the folder
                   of the last file loaded or saved, else where the tool was
                   started); NAME defaults to the stored company name
  speed --detect   measure the bus speed (up to about 50 seconds)
  speed --set COUNT
                   set the bus delay count by hand (stored as the speed
                   dialog's bar would: 4 x COUNT within 80 to 5000, so
                   COUNT ends up within 20 to 1250)
  view             print the buffer as the buffer viewer shows it: a header
                   line, then one line per 16 bytes

  File names are taken relative to the directory the tool was started in.
  A command whose button and menu item would be disabled at its point is
  refused before anything runs: erase, program and isp-off need isp-on
  before them, isp-on needs the link off, auto needs a load before it.

Output:
  Standard output carries the message-log lines, one per line, and the
  rows of view. Message boxes go to standard error as "error: TEXT" and
  "info: TEXT". On a terminal, long work shows a progress bar on standard
  error and the size question is asked there (y/N).

Exit status:
  0  every command succeeded
  1  no ISP link (no target, or an ID no MCU row has), or a failed load or
     save; also a command that failed without a result code of its own: an
     error box such as "Creat File fail!", a configuration file that could
     not be written ("error: Unable to write to PATH"), a model number that
     --mcu did not find in the list
  2  programming failed, or the size question was answered No so nothing
     was written; also a bad command line, which prints "usage error: ..."
  3  reading failed
  4  compare failed
  5  erase failed
  The commands run in order; the run stops at the first command that
  fails, and the status is that command's.

Environment:
  TARNQUILL_PORT   the port when --port is not given, in the same forms

Files:
  tarnquil.ini     settings and MCU table, beside the executable. When it is
                   created or repaired without a bus speed, the first start
                   measures the speed once (up to about 50 seconds).

)HELP";
  text += simOptions;
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

}  // namespace tq::cli
