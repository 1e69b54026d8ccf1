#include "core/WindowServices.h"

namespace tq {

const char* ControlName(Control c) {
  switch (c) {
    case Control::OpenButton: return "OpenButton";
    case Control::ISPLinkButton: return "ISPLinkButton";
    case Control::ISPOFFButton: return "ISPOFFButton";
    case Control::SpeedButton1: return "SpeedButton1";
    case Control::AutoButton: return "AutoButton";
    case Control::ProgramButton: return "ProgramButton";
    case Control::EraseButton: return "EraseButton";
    case Control::SpeedButton2: return "SpeedButton2";
    case Control::LoadFile1: return "LoadFile1";
    case Control::SaveFile1: return "SaveFile1";
    case Control::CreatRomFile1: return "CreatRomFile1";
    case Control::ViewBuffer1: return "ViewBuffer1";
    case Control::eXit1: return "eXit1";
    case Control::Auto1: return "Auto1";
    case Control::IspOn1: return "IspOn1";
    case Control::IspOff1: return "IspOff1";
    case Control::Erase1: return "Erase1";
    case Control::Program1: return "Program1";
    case Control::Read1: return "Read1";
    case Control::SetSpeed1: return "SetSpeed1";
    case Control::SupportMCUtype1: return "SupportMCUtype1";
    case Control::ByteWrite: return "ByteWrite";
  }
  return "?";
}

}  // namespace tq
