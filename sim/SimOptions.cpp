#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "sim/SimPort.h"

namespace tq::sim {

namespace {

// Decimal, or hexadecimal after "0x".
bool ParseInt(std::string_view text, long lowest, long highest, long& value) {
  if (text.empty() || text.size() > 20) return false;
  std::string s(text);
  int base = 10;
  const char* begin = s.c_str();
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    begin += 2;
  }
  if (*begin == '-' || *begin == '+' || *begin == ' ') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(begin, &end, base);
  if (errno != 0 || end == begin || *end != '\0' || v < lowest || v > highest) return false;
  value = v;
  return true;
}

bool ParseProbability(std::string_view text, double& value) {
  if (text.empty() || text.size() > 32) return false;
  std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !(v >= 0.0 && v <= 1.0)) return false;
  value = v;
  return true;
}

// "N" or "N:K": page N for its first K times (K defaults to 1).
bool ParsePageFault(std::string_view args, PageFault& fault) {
  const size_t colon = args.find(':');
  long page = 0, times = 1;
  if (!ParseInt(args.substr(0, colon), 0, 255, page)) return false;
  if (colon != std::string_view::npos && !ParseInt(args.substr(colon + 1), 1, 1000000, times))
    return false;
  fault = PageFault{static_cast<int>(page), static_cast<int>(times)};
  return true;
}

bool ParseFault(std::string_view text, SimOptions& o, std::string& error) {
  const size_t colon = text.find(':');
  const std::string_view name = text.substr(0, colon);
  const std::string_view args = colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
  const bool hasArgs = colon != std::string_view::npos;

  struct Flag {
    const char* name;
    bool SimOptions::*field;
  };
  static const Flag kFlags[] = {
      {"absent", &SimOptions::absent},         {"no-adapter", &SimOptions::noAdapter},
      {"unknown-id", &SimOptions::unknownId},  {"no-busy", &SimOptions::noBusy},
      {"stuck-busy", &SimOptions::stuckBusy},  {"erase-reply", &SimOptions::eraseReply},
      {"no-ack", &SimOptions::noAck},          {"sda-low", &SimOptions::sdaLow},
      {"scl-low", &SimOptions::sclLow},
  };
  for (const auto& flag : kFlags) {
    if (name != flag.name) continue;
    if (hasArgs) {
      error = "sim: fault " + std::string(name) + " takes no arguments";
      return false;
    }
    o.*flag.field = true;
    return true;
  }

  struct PageFlag {
    const char* name;
    std::vector<PageFault> SimOptions::*field;
  };
  static const PageFlag kPageFlags[] = {
      {"program-fail", &SimOptions::programFail},
      {"program-reply", &SimOptions::programReply},
      {"corrupt-read", &SimOptions::corruptRead},
  };
  for (const auto& flag : kPageFlags) {
    if (name != flag.name) continue;
    PageFault fault;
    if (!ParsePageFault(args, fault)) {
      error = "sim: fault " + std::string(name) + " needs PAGE[:TIMES], page 0 to 255, times 1 or more";
      return false;
    }
    (o.*flag.field).push_back(fault);
    return true;
  }

  if (name == "stretch") {
    long reads = kDefaultStretchReads;
    if (hasArgs && !ParseInt(args, 1, 1000000, reads)) {
      error = "sim: fault stretch takes the number of status reads, 1 or more";
      return false;
    }
    o.stretchReads = static_cast<int>(reads);
    return true;
  }

  error = "sim: unknown fault '" + std::string(text) + "'";
  return false;
}

bool ParseOne(std::string_view item, SimOptions& o, std::string& error) {
  const size_t eq = item.find('=');
  if (eq == std::string_view::npos) {
    error = "sim: option '" + std::string(item) + "' needs a value (name=value)";
    return false;
  }
  const std::string_view key = item.substr(0, eq);
  const std::string_view value = item.substr(eq + 1);
  auto bad = [&](const char* what) {
    error = "sim: " + std::string(key) + "=" + std::string(value) + ": " + what;
    return false;
  };
  long n = 0;
  if (key == "id") {
    if (!ParseInt(value, 0, 0xFFFF, n)) return bad("a chip ID from 0 to 0xFFFF");
    o.chipId = static_cast<uint16_t>(n);
  } else if (key == "pages") {
    if (!ParseInt(value, 1, 256, n)) return bad("a page count from 1 to 256");
    o.pages = static_cast<int>(n);
  } else if (key == "erase-ms" || key == "page-ms" || key == "byte-ms" || key == "read-ms") {
    if (!ParseInt(value, 0, 600000, n)) return bad("milliseconds from 0 to 600000");
    int& field = key == "erase-ms" ? o.eraseMs : key == "page-ms" ? o.pageMs : key == "byte-ms" ? o.byteMs : o.readMs;
    field = static_cast<int>(n);
  } else if (key == "flash") {
    if (value.empty()) return bad("a file name");
    o.flashFile = std::string(value);
  } else if (key == "pinmap") {
    if (!ParseInt(value, 0, 3, n)) return bad("a pin map from 0 to 3");
    o.pinMap = static_cast<int>(n);
  } else if (key == "seed") {
    if (!ParseInt(value, 0, 0xFFFFFFFFL, n)) return bad("a seed from 0 to 4294967295");
    o.seed = static_cast<uint32_t>(n);
  } else if (key == "random" || key == "random-flip" || key == "random-ignore" || key == "random-lose") {
    double p = 0;
    if (!ParseProbability(value, p)) return bad("a probability from 0 to 1");
    if (key == "random" || key == "random-flip") o.randomFlip = p;
    if (key == "random" || key == "random-ignore") o.randomIgnore = p;
    if (key == "random" || key == "random-lose") o.randomLose = p;
  } else if (key == "fault") {
    return ParseFault(value, o, error);
  } else {
    error = "sim: unknown option '" + std::string(key) + "'";
    return false;
  }
  return true;
}

}  // namespace

bool ParseSimOptions(const std::string& text, SimOptions& options, std::string& error) {
  std::string_view rest = text;
  if (rest == "sim") rest = {};
  if (rest.substr(0, 4) == "sim:") rest.remove_prefix(4);
  SimOptions parsed;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    if (!item.empty() && !ParseOne(item, parsed, error)) return false;
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  options = std::move(parsed);
  return true;
}

std::string SimOptionsHelp() {
  return "Simulated target: TARNQUILL_PORT=sim[:OPTION,OPTION,...]\n"
         "  id=N                 chip ID reported in ISP mode (default 0x3B2E)\n"
         "  pages=N              flash size in 512-byte pages, 1 to 256 (default 128)\n"
         "  erase-ms=N           busy time of a chip erase, in ms (default 0)\n"
         "  page-ms=N            busy time of a page program (default 0)\n"
         "  byte-ms=N            busy time of a byte write (default 0)\n"
         "  read-ms=N            busy time of a page selected for reading (default 0)\n"
         "  flash=FILE           keep the flash in FILE: loaded at start, saved after every change\n"
         "  pinmap=N             how the adapter is wired: pin map 0 to 3 (default 0)\n"
         "  random=P             probability of each random fault below, 0 to 1\n"
         "  random-flip=P        a page read back with one bit flipped\n"
         "  random-ignore=P      a program-page frame ignored\n"
         "  random-lose=P        a reply not answered\n"
         "  seed=N               seed of the random faults (default 1)\n"
         "  fault=NAME           misbehave; may be given more than once:\n"
         "    absent               no target behind the adapter\n"
         "    no-adapter           no adapter: the status register reads 0\n"
         "    unknown-id           reports chip ID 0x1234\n"
         "    no-busy              never holds SCL after a command\n"
         "    stuck-busy           holds SCL low after a command and never lets go\n"
         "    erase-reply          answers a chip erase with a wrong status byte\n"
         "    program-fail:N[:K]   drops the first K programs of page N (no busy handshake)\n"
         "    program-reply:N[:K]  answers the first K programs of page N with a wrong status\n"
         "    corrupt-read:N[:K]   flips a bit in the first K read-backs of page N\n"
         "    no-ack               never acknowledges a byte; replies read as 0xFF\n"
         "    sda-low              holds SDA low\n"
         "    scl-low              holds SCL low\n"
         "    stretch[:N]          holds SCL low inside every byte for N status reads (default 20)\n"
         "Example: TARNQUILL_PORT=sim:erase-ms=30,page-ms=3,flash=chip.bin\n";
}

}  // namespace tq::sim
