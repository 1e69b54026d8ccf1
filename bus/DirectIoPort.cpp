#include "bus/DirectIoPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TQ_HAVE_PORT_IO 1
#else
#define TQ_HAVE_PORT_IO 0
#endif

namespace tq {

namespace {

class RealDirectIoCalls final : public DirectIoCalls {
 public:
#if TQ_HAVE_PORT_IO
  bool Available() const override { return true; }
  int Ioperm(uint16_t from, uint16_t count, bool on) override {
    return ::ioperm(from, count, on ? 1 : 0) < 0 ? -errno : 0;
  }
  uint8_t Inb(uint16_t port) override { return ::inb(port); }
  void Outb(uint16_t port, uint8_t value) override { ::outb(value, port); }
#else
  bool Available() const override { return false; }
  int Ioperm(uint16_t, uint16_t, bool) override { return -ENOSYS; }
  uint8_t Inb(uint16_t) override { return 0xFF; }
  void Outb(uint16_t, uint8_t) override {}
#endif
};

std::string Hex(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

DirectIoCalls& SystemDirectIoCalls() {
  static RealDirectIoCalls calls;
  return calls;
}

DirectIoPort::DirectIoPort(uint16_t base, DirectIoCalls& calls) : base_(base), calls_(calls) {
  if (!calls_.Available()) {
    problem_ = Describe() + ": direct port I/O needs an x86 processor; use a ppdev device such as /dev/parport0";
    return;
  }
  const int result = calls_.Ioperm(base_, 3, true);
  if (result == 0) {
    permitted_ = true;
    return;
  }
  const int error = -result;
  const char* hint = (error == EPERM || error == EACCES)
                         ? "direct port I/O needs root or CAP_SYS_RAWIO; or use /dev/parport0 (ppdev)"
                         : (error == EINVAL ? "ioperm reaches only ports below 0x400"
                                            : "use /dev/parport0 (ppdev) instead");
  problem_ = Describe() + ": " + std::strerror(error) + "; " + hint;
}

DirectIoPort::~DirectIoPort() {
  if (permitted_) calls_.Ioperm(base_, 3, false);
}

std::string DirectIoPort::Describe() const { return "direct I/O at " + Hex(base_); }

uint16_t DirectIoPort::Map(uint16_t port) const {
  if (port < kDataPort || port > kControlPort) return 0;
  return static_cast<uint16_t>(base_ + (port - kDataPort));
}

void DirectIoPort::PortWrite(uint16_t port, uint8_t value) {
  // Without permission an outb would fault and end the program.
  const uint16_t address = Map(port);
  if (!permitted_ || address == 0) return;
  calls_.Outb(address, value);
}

uint8_t DirectIoPort::PortRead(uint16_t port) {
  const uint16_t address = Map(port);
  if (!permitted_ || address == 0) return 0xFF;
  return calls_.Inb(address);
}

}  // namespace tq
