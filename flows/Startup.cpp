// The main window's construction without the window, the window's own small
// commands, and the pieces every command shares.
#include <algorithm>

#include "flows/MainCommands.h"

namespace tq {

namespace {
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 3;
}  // namespace

std::string ProductLine() {
  return "Kelvane Tarnquill V" + std::to_string(kVersionMajor) + "." +
         std::to_string(kVersionMinor);
}

std::string PortNote(const PortIo& port) {
  // A port that could not be reached is the more urgent news: nothing
  // will answer, whatever the back-end.
  const std::string problem = port.Problem();
  if (!problem.empty()) return "Port not available: " + problem;
  if (port.IsSimulated())
    return "SIMULATED TARGET: " + port.Describe() + " - no real chip is programmed";
  return {};
}

void MainCommands::Startup(const std::string& portNote) {
  s_.resultCode = kResultOk;
  s_.buffer.fileKind = static_cast<uint8_t>(s_.openDialog.filterIndex);
  s_.selectedMcu = kNoMcu;
  s_.buffer.pageCount = 0;
  s_.buffer.loadedBytes = 0;

  const RepairResult repair = CheckAndRepair(config_);
  s_.IicSpeed = ReadIicSpeed(config_);
  LoadMcuTable(config_, s_.mcus);

  win_.AddLog(ProductLine());
  win_.AddLog(InformationLine(config_));
  win_.AddLog(std::string(55, '-'));
  if (!portNote.empty()) win_.AddLog(portNote);

  s_.openDialog.initialDir = ReadPath(config_);
  s_.saveDialog.initialDir = ReadPath(config_);

  // The front end runs the detection; it updates IicSpeed and IIC_SPEED
  // before we hand the count to the bus below.
  if (repair.defaultSpeedWritten) win_.ShowSpeedDialog(true);

  isp_.SetDelayCount(s_.IicSpeed);
  isp_.SelectPinMap(0);
}

void MainCommands::SupportMCUtype1Click() {
  win_.AddLog("-- Support MCU Type --");
  for (const McuSlot& slot : s_.mcus)
    if (slot.inUse == 1) win_.AddLog("   " + slot.name);
  win_.AddLog("-- End --");
}

void MainCommands::GaugeStep(int index, int count, int& progress) {
  const int p = index * 100 / count;
  // p x 2.55 and p x 0.5 cut to whole numbers, in integers so that no
  // rounding of 2.55 in binary can take a unit off (20 x 2.55 is 51).
  win_.SetGaugeColor(Rgb{p * 255 / 100, p / 2, p / 2});
  ++progress;
  win_.SetGaugeProgress(progress);
  win_.RepaintGauge();
}

}  // namespace tq
