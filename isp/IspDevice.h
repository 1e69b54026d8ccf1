// The ISP command set: each operation is one complete exchange with the
// target in ISP mode. It decides nothing; the commands above do.
#pragma once

#include <cstdint>

#include "bus/IicBus.h"
#include "core/Clock.h"

namespace tq {

class TIspDevice {
 public:
  TIspDevice(TIicBus& bus, Clock& clock) : bus_(bus), clock_(clock) {}

  void SetIspMode(uint8_t mode);
  void ChipErase();
  bool CheckEraseReply();
  void ProgramPage(uint8_t page, const uint8_t* data512);
  bool CheckProgramReply();
  void ByteWritePage(uint8_t page, const uint8_t* data256);
  bool CheckByteWriteReply();
  void SendSetup(uint8_t a, uint8_t b, uint8_t c);
  void SelectReadPage(uint8_t page);
  bool ReadPage(uint8_t* dest512);
  uint16_t ReadChipId();
  bool WaitReady();
  void RecoverBus();

  // the four forwarders the windows use
  void PortAccess(bool on) { bus_.PortAccess(on); }
  void SetDelayCount(int32_t count) { bus_.SetDelayCount(count); }
  void ClockBurst() { bus_.ClockBurst(); }
  void SelectPinMap(uint8_t map) { bus_.SelectPinMap(map); }

  TIicBus& Bus() { return bus_; }

 private:
  TIicBus& bus_;
  Clock& clock_;
};

}  // namespace tq
