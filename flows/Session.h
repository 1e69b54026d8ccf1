// The state the main window owns for the whole run and every command shares.
#pragma once

#include <cstdint>

#include "config/ConfigFile.h"
#include "core/WindowServices.h"
#include "image/CodeBuffer.h"

namespace tq {

constexpr uint16_t kNoMcu = 0xFFFF;
constexpr uint16_t kDualSizeChipId = 0x3B5C;

// Result codes of the last command.
enum : uint8_t {
  kResultOk = 0,
  kResultNoLink = 1,  // also a failed load or save
  kResultProgramFail = 2,
  kResultReadFail = 3,
  kResultCompareFail = 4,
  kResultEraseFail = 5,
};

struct Session {
  CodeBuffer buffer;
  McuTable mcus{};
  int32_t IicSpeed = 0;
  uint8_t resultCode = 0;
  uint16_t selectedMcu = kNoMcu;
  int32_t chosenPageCount = 0;
  bool byteWrite = false;  // the hidden "Byte Write" check mark
  FileDialogState openDialog{1, "", "hex"};
  FileDialogState saveDialog{1, "", "*.hex"};
};

}  // namespace tq
