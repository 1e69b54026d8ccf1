// The MCU model choice that follows a HEX load: the model list read from
// tarnquil.ini, the item texts the dialog shows, and what a choice does to
// the session (the chosen page count and the fill checksum). The Qt dialog,
// the terminal front end and MainCommands all go through these functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "core/WindowServices.h"
#include "flows/Session.h"

namespace tq {

struct McuModel {
  int section = 0;  // the model number n of section "MCU0n"/"MCUn", 1..29
  std::string name;
  uint16_t pages = 0;
};

// Sections 1..29 in order, present ones only (a section with no key is
// absent). Read afresh on every call, so edits made while the tool runs
// show the next time the dialog is built.
std::vector<McuModel> BuildModelList(const ConfigFile& config);

// "n. NAME (sizeK)": n is the section number (gaps stay gaps), the size is
// pages / 2 with the remainder dropped.
std::string McuItemText(const McuModel& model);
std::vector<std::string> McuItemTexts(const std::vector<McuModel>& models);

// "Fill (" T/2 "k) Check Sum:" XXXX " - (" NAME ")".
std::string FillChecksumLine(uint16_t pages, uint16_t checksum, const std::string& name);

// A model was chosen: the chosen page count becomes its pages, the blank
// fill up to its size is added to the image checksum, the line is logged.
void ChooseMcuModel(Session& session, WindowServices& win, const McuModel& model);

// The radio group's click: applies the model at item position `item`
// (counted from 0). A position with no model (nothing selected) does
// nothing and returns false.
bool RadioGroup1Click(Session& session, WindowServices& win, const std::vector<McuModel>& models,
                      int item);

}  // namespace tq
