// The whole production stack over the simulated target, in a temporary
// folder of its own: tarnquil.ini, a virtual clock, the bus, the ISP layer,
// the recording window, the session and the commands. Tests pick the
// simulated chip and its faults by the option text of MakeSimPort.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bus/IicBus.h"
#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "flows/MainCommands.h"
#include "flows/Session.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingWindow.h"

namespace tq::test {

namespace fs = std::filesystem;

// One MCU section of tarnquil.ini.
struct IniMcuRow {
  int section;
  std::string name;
  uint16_t id;
  uint16_t pages;
};

inline std::vector<IniMcuRow> DefaultMcuRows() {
  return {{1, "KV200/KV210", 0x55AA, 120},   {2, "KV200G", 0x3B5C, 120},
          {3, "KV200G", 0x3B5C, 128},        {4, "KV230", 0x3B2E, 128},
          {5, "KV240/KV250", 0x3B71, 256},   {6, "KV250A/240A", 0x3A94, 256},
          {7, "KV300/310-64K", 0x3B2E, 128}, {8, "KV300/310-128K", 0x3B71, 256},
          {9, "KV320-64K", 0x3B2E, 128},     {10, "KV320-128K", 0x3B71, 256},
          {11, "KV330-64K", 0x3B2E, 128},    {12, "KV330-128K", 0x3B71, 256}};
}

// A current tarnquil.ini: the start-up check finds nothing to repair, so no
// speed detection runs. IIC_SPEED 0 keeps the simulated bus fast.
inline void WriteIni(const fs::path& dir, const std::vector<IniMcuRow>& rows, int iicSpeed = 0) {
  std::ofstream out(dir / ConfigFile::kFileName, std::ios::binary | std::ios::trunc);
  out << "[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=" << iicSpeed << "\nPATH=" << dir.string() << "\n";
  for (const auto& r : rows) {
    out << "[" << McuSectionName(r.section) << "]\nNAME=" << r.name << "\nID=" << r.id
        << "\nPAGES=" << r.pages << "\n";
  }
}

// Intel HEX text for blocks of bytes at absolute addresses: 16-byte data
// records, an extended linear address record whenever the upper 16 bits
// change, and the end record.
using HexBlock = std::pair<uint32_t, std::vector<uint8_t>>;
inline std::string IntelHexText(const std::vector<HexBlock>& blocks) {
  std::ostringstream out;
  auto record = [&out](uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
    uint8_t sum = static_cast<uint8_t>(data.size() + (address >> 8) + (address & 0xFF) + type);
    char head[16];
    snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    out << head;
    for (uint8_t b : data) {
      char pair[4];
      snprintf(pair, sizeof pair, "%02X", b);
      out << pair;
      sum = static_cast<uint8_t>(sum + b);
    }
    char tail[8];
    snprintf(tail, sizeof tail, "%02X\r\n", static_cast<uint8_t>(-sum) & 0xFF);
    out << tail;
  };
  uint32_t upper = 0;
  for (const auto& [base, bytes] : blocks) {
    for (size_t i = 0; i < bytes.size();) {
      uint32_t address = base + static_cast<uint32_t>(i);
      if ((address >> 16) != upper) {
        upper = address >> 16;
        record(0x04, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
      }
      size_t n = std::min<size_t>({16, bytes.size() - i, 0x10000 - (address & 0xFFFF)});
      record(0x00, static_cast<uint16_t>(address),
             std::vector<uint8_t>(bytes.begin() + i, bytes.begin() + i + n));
      i += n;
    }
  }
  record(0x01, 0, {});
  return out.str();
}

// `pages` pages of bytes that are never all 0xFF in a page, different per seed.
inline std::vector<uint8_t> PatternBytes(int pages, uint8_t seed) {
  std::vector<uint8_t> bytes(static_cast<size_t>(pages) * kPageSize);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>((i * 7 + seed + (i >> 9) * 13) & 0xFF);
  for (size_t p = 0; p < bytes.size(); p += kPageSize) bytes[p] = static_cast<uint8_t>(seed & 0x7F);
  return bytes;
}

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}
inline void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  WriteBytes(file, std::string(bytes.begin(), bytes.end()));
}

// Stands between the bus master and the simulated adapter, so a test can
// change what the master reads without teaching the target a new trick
// (e.g. hide the busy handshake of one page).
class TapPort : public PortIo {
 public:
  explicit TapPort(PortIo& inner) : inner_(inner) {}
  std::function<uint8_t(uint16_t port, uint8_t value)> onRead;

  void PortWrite(uint16_t port, uint8_t value) override { inner_.PortWrite(port, value); }
  uint8_t PortRead(uint16_t port) override {
    const uint8_t v = inner_.PortRead(port);
    return onRead ? onRead(port, v) : v;
  }
  int PortAccessRequired() override { return inner_.PortAccessRequired(); }
  void SetPortMode(int mode) override { inner_.SetPortMode(mode); }
  void OpenPortRange(uint16_t a, uint16_t b) override { inner_.OpenPortRange(a, b); }
  void ClosePortRange(uint16_t a, uint16_t b) override { inner_.ClosePortRange(a, b); }
  std::string Describe() const override { return inner_.Describe(); }
  std::string Problem() const override { return inner_.Problem(); }
  bool IsSimulated() const override { return inner_.IsSimulated(); }

 private:
  PortIo& inner_;
};

class FlowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "tq-flows-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    cmd.reset();
    isp.reset();
    bus.reset();
    tap.reset();
    port.reset();
    std::error_code ec;
    fs::current_path(oldCwd_, ec);
    fs::remove_all(dir, ec);
  }

  // Builds the stack over a simulated target with these options (empty:
  // the default chip). Writes a current tarnquil.ini first unless told not
  // to, or when the test wrote its own.
  void Build(const std::string& simOptions = "", bool writeIni = true) {
    if (writeIni && !fs::exists(dir / ConfigFile::kFileName)) WriteIni(dir, DefaultMcuRows());
    cmd.reset();
    isp.reset();
    bus.reset();
    tap.reset();
    port.reset();
    std::string error;
    port = sim::MakeSimPort(simOptions, clock, error);
    ASSERT_TRUE(port) << error;
    tap = std::make_unique<TapPort>(*port);
    bus = std::make_unique<TIicBus>(*tap);
    isp = std::make_unique<TIspDevice>(*bus, clock);
    config = std::make_unique<ConfigFile>(dir.string());
    cmd = std::make_unique<MainCommands>(session, win, *isp, *config, clock);
  }

  // Build (when not yet built) and run the window's start-up, then forget
  // what it logged so a test sees only its own command.
  void StartUp(const std::string& simOptions = "", const std::string& portNote = "") {
    if (!cmd) Build(simOptions);
    cmd->Startup(portNote);
    win.Clear();
    port->Trace().Clear();
  }

  // Answers the next open dialog with this file and filter.
  void QueueOpen(const fs::path& file, int kind) {
    win.openAnswers.push_back(FileChoice{file.string(), kind});
  }
  // Load File through the command, with an optional answer to the model
  // dialog (its item position).
  void Load(const fs::path& file, int kind, std::optional<int> model = std::nullopt) {
    QueueOpen(file, kind);
    if (model) win.mcuAnswers.push_back(model);
    cmd->OpenButtonClick();
  }

  fs::path WriteHex(const std::string& name, const std::vector<HexBlock>& blocks) {
    fs::path file = dir / name;
    WriteBytes(file, IntelHexText(blocks));
    return file;
  }

  // Frames on the wire since the last Clear, e.g. "6E 07 1E AA 55 CC 33 E2 1D 88".
  std::vector<std::string> Frames() { return port->Trace().Frames(); }
  // How many frames begin with these bytes.
  int CountFrames(const std::string& prefix) {
    int n = 0;
    for (const auto& f : Frames())
      if (f.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  std::vector<uint8_t> Flash() { return port->Target().Flash(); }
  // Status bit 3 reads SCL under pin map 0.
  static constexpr uint8_t kSclStatusBit = 0x08;

  fs::path dir;
  VirtualClock clock;
  std::unique_ptr<sim::SimPort> port;
  std::unique_ptr<TapPort> tap;
  std::unique_ptr<TIicBus> bus;
  std::unique_ptr<TIspDevice> isp;
  std::unique_ptr<ConfigFile> config;
  RecordingWindow win;
  Session session;
  std::unique_ptr<MainCommands> cmd;

 private:
  fs::path oldCwd_;
};

}  // namespace tq::test
