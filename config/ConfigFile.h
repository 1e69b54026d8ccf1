// "tarnquil.ini": the INI file beside the executable that holds the
// settings and the MCU table. The file is never held open: every read and
// write opens it, acts and lets go, and every write reaches the disk at once.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tq {

// The one error the tool raises: a write that could not be made.
// what() is exactly "Unable to write to <full path>".
class ConfigWriteError : public std::runtime_error {
 public:
  explicit ConfigWriteError(const std::string& path);
};

// The directory of the running executable, with its trailing "/".
std::string ExecutableDirectory();

class ConfigFile {
 public:
  static constexpr const char* kFileName = "tarnquil.ini";
  // directory: where the file lives (the executable's directory in the
  // program, a temporary one in tests); a trailing "/" is added if missing.
  explicit ConfigFile(std::string directory);

  const std::string& Directory() const { return dir_; }  // with trailing "/"
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // Throw ConfigWriteError; the old file is then left untouched.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);

  struct Value {
    std::string section;
    std::string key;
    std::string value;
  };
  // Several writes, in order, made as one: the file goes from its old content
  // to the content with all of them applied, or (ConfigWriteError) stays as
  // it was.
  void WriteValues(const std::vector<Value>& values);

 private:
  std::string dir_;
  std::string path_;
};

// ---- the MCU table ----------------------------------------------------------

constexpr int kMcuSlots = 30;
constexpr int kMcuSections = 29;  // models 1 to 29 are looked at

struct McuSlot {
  uint32_t inUse = 0;
  std::string name;
  uint16_t id = 0;
  uint16_t pages = 0;
};
using McuTable = std::array<McuSlot, kMcuSlots>;

// "MCU01" ... "MCU09", "MCU10" ... "MCU29".
std::string McuSectionName(int model);

struct RepairResult {
  bool repaired = false;             // the repair ran
  bool defaultSpeedWritten = false;  // it had to write IIC_SPEED = 150
};

// Start-up check and repair of the file (the version check, INI_VER,
// IIC_SPEED when absent, PATH = the directory, the twelve default rows).
RepairResult CheckAndRepair(ConfigFile& config);
// IIC_SPEED read with the default 0.
int32_t ReadIicSpeed(const ConfigFile& config);
// All slots cleared, then sections 1..29 copied into slots without gaps.
void LoadMcuTable(const ConfigFile& config, McuTable& table);
// "Information file (tarnquil.ini)  " + INI_VER (default "Vxx").
std::string InformationLine(const ConfigFile& config);
// PATH read with the default "/" (the root of this file system).
std::string ReadPath(const ConfigFile& config);

}  // namespace tq
