// The bit-banged I2C bus master on the parallel port. One instance in the
// program, built before any window; tests build their own over a fake port.
#pragma once

#include <cstdint>

#include "bus/PortIo.h"

namespace tq {

class TIicBus {
 public:
  // Runs the start-up register writes (0x55, 0xF8, 0x0B inside a bracket).
  explicit TIicBus(PortIo& port);

  // line level
  void SetScl(int level);
  void SetSda(int level);
  int GetScl();
  int GetSda();
  void Delay();
  void LongDelay();
  bool ReleaseScl();

  // bit and byte level; the results are the status bytes of the bus
  uint8_t Start();
  uint8_t Stop();
  uint8_t WriteBit(int bit);
  uint8_t ReadBit(int& bit);
  uint8_t WriteByte(uint8_t value);
  uint8_t ReadByte(uint8_t& value, int nack);
  void ClockPulse();

  // set-up and service
  void PortAccess(bool on);
  void SetDelayCount(int32_t count);
  void SelectPinMap(uint8_t map);
  void ReleaseLines();
  void ClockBurst();

  PortIo& Port() { return port_; }

  // Fields, in the order the bus keeps them.
  bool NeedPortAccess = false;
  uint8_t PinMap = 0;
  uint8_t DataShadow = 0;
  uint8_t ControlShadow = 0;
  int32_t DelayCount = 150;  // read afresh on every iteration of Delay

 private:
  PortIo& port_;
};

}  // namespace tq
