// The kernel's parallel-port device (/dev/parportN). The three register
// addresses stand for the device's data, status and control registers.
// ppdev refuses register access while the port is not claimed, so the
// bracket claims and releases it, and a write outside any bracket claims the
// port around itself rather than being lost.
#pragma once

#include <cstdint>
#include <string>

#include "bus/PortIo.h"

namespace tq {

// The system calls the back-end makes, behind a seam so that tests can
// stand in for the kernel. Results follow one rule: a negative value is
// -errno, anything else is success (Open returns the descriptor).
class PpdevCalls {
 public:
  virtual ~PpdevCalls() = default;
  virtual int Open(const std::string& path) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void Close(int fd) = 0;
};

// The real open/ioctl/close.
PpdevCalls& SystemPpdevCalls();

// One line for a person: device, error text and what to do about it.
std::string PpdevProblemText(const std::string& device, int error);

class PpdevPort final : public PortIo {
 public:
  // Opens the device and tries one claim, so that a port that cannot be used
  // is known at start-up. Failure is not fatal: the port then does nothing,
  // reads give 0xFF (what a bus with nothing behind it reads) and Problem()
  // says why.
  explicit PpdevPort(std::string device, PpdevCalls& calls = SystemPpdevCalls());
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  void PortWrite(uint16_t port, uint8_t value) override;
  uint8_t PortRead(uint16_t port) override;
  int PortAccessRequired() override { return 1; }
  // The claim is taken and given back by the range calls; the mode adds nothing.
  void SetPortMode(int) override {}
  void OpenPortRange(uint16_t first, uint16_t last) override;
  void ClosePortRange(uint16_t first, uint16_t last) override;

  std::string Describe() const override { return device_; }
  std::string Problem() const override { return problem_; }

  bool Claimed() const { return claimed_; }

 private:
  bool Claim();
  void Release();
  void Fail(int error);

  std::string device_;
  PpdevCalls& calls_;
  int fd_ = -1;
  bool claimed_ = false;
  std::string problem_;
};

}  // namespace tq
