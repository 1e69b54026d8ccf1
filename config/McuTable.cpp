// Start-up check and repair of the settings file, and the MCU table built
// from it.
#include <cstdio>

#include "config/ConfigFile.h"

namespace tq {

namespace {

constexpr const char* kInformation = "INFORMATION";
constexpr const char* kFileVersion = "V1.3";
constexpr int32_t kDefaultIicSpeed = 150;

struct DefaultRow {
  const char* name;
  uint16_t id;
  uint16_t pages;
};

// The models the tool knows out of the box. Rows sharing an ID are matched
// first-come at ISP on, so the order decides which name and size a shared
// ID gets.
constexpr DefaultRow kDefaultRows[] = {
    {"KV200/KV210", 0x55AA, 120},   {"KV200G", 0x3B5C, 120},         {"KV200G", 0x3B5C, 128},
    {"KV230", 0x3B2E, 128},         {"KV240/KV250", 0x3B71, 256},    {"KV250A/240A", 0x3A94, 256},
    {"KV300/310-64K", 0x3B2E, 128}, {"KV300/310-128K", 0x3B71, 256}, {"KV320-64K", 0x3B2E, 128},
    {"KV320-128K", 0x3B71, 256},    {"KV330-64K", 0x3B2E, 128},      {"KV330-128K", 0x3B71, 256},
};

}  // namespace

std::string McuSectionName(int model) {
  char name[16];
  std::snprintf(name, sizeof name, "MCU%02d", model);
  return name;
}

RepairResult CheckAndRepair(ConfigFile& config) {
  RepairResult result;
  // The version compare is exact: "v1.3" is not the current layout.
  if (config.SectionExists(kInformation) &&
      config.ReadString(kInformation, "INI_VER", "0") == kFileVersion) {
    return result;
  }
  result.repaired = true;
  // The repair is one replace of the file rather than a write per key: the
  // outcome is the same, a failure cannot leave a half-repaired file, and a
  // first start costs one sync instead of dozens.
  std::vector<ConfigFile::Value> writes;
  writes.push_back({kInformation, "INI_VER", kFileVersion});
  // A speed the user set or measured survives a repair.
  if (!config.ValueExists(kInformation, "IIC_SPEED")) {
    writes.push_back({kInformation, "IIC_SPEED", std::to_string(kDefaultIicSpeed)});
    result.defaultSpeedWritten = true;
  }
  writes.push_back({kInformation, "PATH", config.Directory()});
  int model = 1;
  for (const DefaultRow& row : kDefaultRows) {
    const std::string section = McuSectionName(model++);
    writes.push_back({section, "NAME", row.name});
    writes.push_back({section, "ID", std::to_string(row.id)});
    writes.push_back({section, "PAGES", std::to_string(row.pages)});
  }
  config.WriteValues(writes);
  return result;
}

int32_t ReadIicSpeed(const ConfigFile& config) {
  return config.ReadInteger(kInformation, "IIC_SPEED", 0);
}

void LoadMcuTable(const ConfigFile& config, McuTable& table) {
  for (McuSlot& slot : table) slot = McuSlot{};
  size_t next = 0;
  // Only models 1 to 29 are looked at, so the last slot always stays free.
  for (int model = 1; model <= kMcuSections; ++model) {
    const std::string section = McuSectionName(model);
    if (!config.SectionExists(section)) continue;
    McuSlot& slot = table[next++];
    slot.inUse = 1;
    slot.name = config.ReadString(section, "NAME", "VOID");
    slot.id = static_cast<uint16_t>(config.ReadInteger(section, "ID", 0xFFFF));
    slot.pages = static_cast<uint16_t>(config.ReadInteger(section, "PAGES", 0));
  }
}

std::string InformationLine(const ConfigFile& config) {
  return "Information file (tarnquil.ini)  " + config.ReadString(kInformation, "INI_VER", "Vxx");
}

std::string ReadPath(const ConfigFile& config) {
  return config.ReadString(kInformation, "PATH", "/");
}

}  // namespace tq
