// The port I/O library as the bus master sees it: byte reads and writes of
// the parallel-port registers and the bracket that opens the port range.
// Each back-end (ppdev, direct I/O, the simulated adapter) is one
// implementation; the bus master cannot tell them apart.
#pragma once

#include <cstdint>
#include <string>

namespace tq {

constexpr uint16_t kDataPort = 0x378;
constexpr uint16_t kStatusPort = 0x379;
constexpr uint16_t kControlPort = 0x37A;

class PortIo {
 public:
  virtual ~PortIo() = default;
  virtual void PortWrite(uint16_t port, uint8_t value) = 0;
  virtual uint8_t PortRead(uint16_t port) = 0;
  virtual int PortAccessRequired() = 0;
  virtual void SetPortMode(int mode) = 0;
  virtual void OpenPortRange(uint16_t first, uint16_t last) = 0;
  virtual void ClosePortRange(uint16_t first, uint16_t last) = 0;

  // Not part of the library's contract: what a person should be told at
  // start-up. Describe() names the back-end ("/dev/parport0", "simulated
  // target ..."); Problem() is empty unless the port could not be reached,
  // and then holds device, error text and a hint, as one line.
  virtual std::string Describe() const = 0;
  virtual std::string Problem() const { return {}; }
  virtual bool IsSimulated() const { return false; }
};

}  // namespace tq
