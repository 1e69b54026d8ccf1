// Runs the built tarnquill-cli as a process, each test in a directory of its
// own with its own copy of the program and of tarnquil.ini beside it, so
// that no test shares a configuration file and none runs the first-start
// speed measurement.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef TQ_CLI_BINARY
#error "TQ_CLI_BINARY must name the built tarnquill-cli"
#endif

extern char** environ;

namespace tq::cli::test {

namespace fs = std::filesystem;

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
  std::vector<std::string> OutLines() const { return Lines(out); }
  std::vector<std::string> ErrLines() const { return Lines(err); }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// The default MCU table, as the start-up repair writes it, and a speed that
// needs no measuring. Delay count 0 keeps the simulated bus quick.
inline std::string DefaultIni(int iicSpeed = 0) {
  struct Row {
    const char* name;
    int id, pages;
  };
  const Row rows[] = {{"KV200/KV210", 21930, 120},   {"KV200G", 15196, 120},
                      {"KV200G", 15196, 128},        {"KV230", 15150, 128},
                      {"KV240/KV250", 15217, 256},   {"KV250A/240A", 14996, 256},
                      {"KV300/310-64K", 15150, 128}, {"KV300/310-128K", 15217, 256},
                      {"KV320-64K", 15150, 128},     {"KV320-128K", 15217, 256},
                      {"KV330-64K", 15150, 128},     {"KV330-128K", 15217, 256}};
  std::string ini = "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=" + std::to_string(iicSpeed) +
                    "\nPATH=/\n";
  for (int i = 0; i < 12; ++i) {
    char section[16];
    std::snprintf(section, sizeof section, "[MCU%02d]\n", i + 1);
    ini += section;
    ini += "NAME=" + std::string(rows[i].name) + "\nID=" + std::to_string(rows[i].id) +
           "\nPAGES=" + std::to_string(rows[i].pages) + "\n";
  }
  return ini;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Intel HEX of `bytes` from address 0: 16-byte data records, then the end
// line. Up to 64 KB, so no segment records are needed.
inline std::string IntelHex(const std::vector<uint8_t>& bytes) {
  std::string hex;
  char buf[32];
  for (size_t at = 0; at < bytes.size(); at += 16) {
    const size_t n = std::min<size_t>(16, bytes.size() - at);
    unsigned sum = static_cast<unsigned>(n) + ((at >> 8) & 0xFF) + (at & 0xFF);
    std::snprintf(buf, sizeof buf, ":%02X%04X00", static_cast<unsigned>(n),
                  static_cast<unsigned>(at));
    hex += buf;
    for (size_t i = 0; i < n; ++i) {
      std::snprintf(buf, sizeof buf, "%02X", bytes[at + i]);
      hex += buf;
      sum += bytes[at + i];
    }
    std::snprintf(buf, sizeof buf, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    hex += buf;
  }
  return hex + ":00000001FF\r\n";
}

// A pattern with no blank page in it.
inline std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + 3) ^ (i >> 9));
  return bytes;
}

inline uint16_t Sum(const std::string& bytes) {
  uint16_t sum = 0;
  for (unsigned char b : bytes) sum = static_cast<uint16_t>(sum + b);
  return sum;
}

inline std::string Hex4(uint16_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", value);
  return buf;
}

class CliDir {
 public:
  explicit CliDir(const std::string& ini = DefaultIni()) {
    std::string pattern = (fs::temp_directory_path() / "tq-cli-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(BinDir());
    fs::create_directories(WorkDir());
    fs::copy_file(TQ_CLI_BINARY, Program());
    if (!ini.empty()) WriteFile(Ini(), ini);
  }
  ~CliDir() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  CliDir(const CliDir&) = delete;
  CliDir& operator=(const CliDir&) = delete;

  fs::path Root() const { return root_; }
  fs::path BinDir() const { return root_ / "bin"; }
  fs::path Program() const { return BinDir() / "tarnquill-cli"; }
  fs::path Ini() const { return BinDir() / "tarnquil.ini"; }
  // The directory the program is started in.
  fs::path WorkDir() const { return root_ / "work"; }

  // Runs the program in WorkDir with stdin from /dev/null. TARNQUILL_PORT is
  // taken away unless `env` sets it.
  ProcessResult Run(const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env = {}) const {
    const fs::path outPath = root_ / "stdout.txt";
    const fs::path errPath = root_ / "stderr.txt";
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("TARNQUILL_PORT=", 0) == 0) continue;
      envStrings.push_back(entry);
    }
    for (const auto& [key, value] : env) envStrings.push_back(key + "=" + value);
    std::vector<std::string> argStrings = {Program().string()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      const int in = open("/dev/null", O_RDONLY);
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0 || chdir(WorkDir().c_str()) != 0) _exit(127);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    ProcessResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    return r;
  }

 private:
  fs::path root_;
};

}  // namespace tq::cli::test
