// Direct register access with inb/outb after ioperm, for the last bit of
// speed on x86. Needs root or CAP_SYS_RAWIO. The three register addresses
// are mapped onto base, base + 1 and base + 2, so an add-in card at another
// base works too.
#pragma once

#include <cstdint>
#include <string>

#include "bus/PortIo.h"

namespace tq {

// The privileged calls, behind a seam: tests fake the kernel and the ports.
// Ioperm returns 0 or -errno.
class DirectIoCalls {
 public:
  virtual ~DirectIoCalls() = default;
  virtual bool Available() const = 0;  // false where the processor has no I/O ports
  virtual int Ioperm(uint16_t from, uint16_t count, bool on) = 0;
  virtual uint8_t Inb(uint16_t port) = 0;
  virtual void Outb(uint16_t port, uint8_t value) = 0;
};

DirectIoCalls& SystemDirectIoCalls();

constexpr uint16_t kDefaultIoBase = 0x378;

class DirectIoPort final : public PortIo {
 public:
  // Asks for permission once, for the whole run, so there is nothing left
  // for a bracket to do and no write can fault outside one. Without
  // permission every access is skipped: writes do nothing and reads give
  // 0xFF, what a bus with nothing behind it reads, so the ISP commands fail
  // with their own messages; Problem() says why.
  explicit DirectIoPort(uint16_t base = kDefaultIoBase, DirectIoCalls& calls = SystemDirectIoCalls());
  ~DirectIoPort() override;
  DirectIoPort(const DirectIoPort&) = delete;
  DirectIoPort& operator=(const DirectIoPort&) = delete;

  void PortWrite(uint16_t port, uint8_t value) override;
  uint8_t PortRead(uint16_t port) override;
  int PortAccessRequired() override { return 0; }
  void SetPortMode(int) override {}
  void OpenPortRange(uint16_t, uint16_t) override {}
  void ClosePortRange(uint16_t, uint16_t) override {}

  std::string Describe() const override;
  std::string Problem() const override { return problem_; }

  bool Permitted() const { return permitted_; }

 private:
  // The real address of a register, or 0 for an address the bus never uses.
  uint16_t Map(uint16_t port) const;

  uint16_t base_;
  DirectIoCalls& calls_;
  bool permitted_ = false;
  std::string problem_;
};

}  // namespace tq
