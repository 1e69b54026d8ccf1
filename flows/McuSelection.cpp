#include "flows/McuSelection.h"

namespace tq {

std::vector<McuModel> BuildModelList(const ConfigFile& config) {
  std::vector<McuModel> models;
  for (int n = 1; n <= kMcuSections; ++n) {
    const std::string section = McuSectionName(n);
    if (!config.SectionExists(section)) continue;
    McuModel m;
    m.section = n;
    m.name = config.ReadString(section, "NAME", "VOID");
    m.pages = static_cast<uint16_t>(config.ReadInteger(section, "PAGES", 0));
    models.push_back(std::move(m));
  }
  return models;
}

std::string McuItemText(const McuModel& model) {
  return std::to_string(model.section) + ". " + model.name + " (" +
         std::to_string(model.pages * kPageSize / 1024) + "K)";
}

std::vector<std::string> McuItemTexts(const std::vector<McuModel>& models) {
  std::vector<std::string> items;
  items.reserve(models.size());
  for (const auto& m : models) items.push_back(McuItemText(m));
  return items;
}

std::string FillChecksumLine(uint16_t pages, uint16_t checksum, const std::string& name) {
  return "Fill (" + std::to_string(pages / 2) + "k) Check Sum:" + Hex4(checksum) + " - (" + name +
         ")";
}

void ChooseMcuModel(Session& session, WindowServices& win, const McuModel& model) {
  session.chosenPageCount = model.pages;
  session.buffer.AddFillChecksum(model.pages);
  win.AddLog(FillChecksumLine(model.pages, session.buffer.checksum, model.name));
}

bool RadioGroup1Click(Session& session, WindowServices& win, const std::vector<McuModel>& models,
                      int item) {
  if (item < 0 || item >= static_cast<int>(models.size())) return false;
  ChooseMcuModel(session, win, models[static_cast<size_t>(item)]);
  return true;
}

}  // namespace tq
