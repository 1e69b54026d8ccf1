#include "bus/PpdevPort.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tq {

namespace {

class RealPpdevCalls final : public PpdevCalls {
 public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int result;
    do {
      result = ::ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : result;
  }
  void Close(int fd) override { ::close(fd); }
};

const char* Hint(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "add your user to the group that owns the device (usually lp)";
    case ENOENT:
    case ENODEV:
    case ENXIO: return "no such parallel port here; load the ppdev module (modprobe ppdev) or name another port in TARNQUILL_PORT";
    case EBUSY: return "another driver or program holds the port";
    default: return "name another port in TARNQUILL_PORT";
  }
}

}  // namespace

PpdevCalls& SystemPpdevCalls() {
  static RealPpdevCalls calls;
  return calls;
}

std::string PpdevProblemText(const std::string& device, int error) {
  return device + ": " + std::strerror(error) + "; " + Hint(error);
}

PpdevPort::PpdevPort(std::string device, PpdevCalls& calls) : device_(std::move(device)), calls_(calls) {
  const int fd = calls_.Open(device_);
  if (fd < 0) {
    Fail(-fd);
    return;
  }
  fd_ = fd;
  if (Claim()) Release();
}

PpdevPort::~PpdevPort() {
  if (fd_ < 0) return;
  Release();
  calls_.Close(fd_);
}

void PpdevPort::Fail(int error) {
  // The first failure is the one worth telling: later ones follow from it.
  if (problem_.empty()) problem_ = PpdevProblemText(device_, error);
}

bool PpdevPort::Claim() {
  if (claimed_) return true;
  if (fd_ < 0) return false;
  const int result = calls_.Ioctl(fd_, PPCLAIM, nullptr);
  if (result < 0) {
    Fail(-result);
    return false;
  }
  claimed_ = true;
  return true;
}

void PpdevPort::Release() {
  if (!claimed_) return;
  calls_.Ioctl(fd_, PPRELEASE, nullptr);
  claimed_ = false;
}

void PpdevPort::OpenPortRange(uint16_t, uint16_t) { Claim(); }

void PpdevPort::ClosePortRange(uint16_t, uint16_t) { Release(); }

void PpdevPort::PortWrite(uint16_t port, uint8_t value) {
  unsigned long request;
  if (port == kDataPort) {
    request = PPWDATA;
  } else if (port == kControlPort) {
    request = PPWCONTROL;
  } else {
    return;  // the status register is read-only; ppdev has no way to write it
  }
  // Outside a bracket the port is claimed for this one write and given back.
  const bool bracketed = claimed_;
  if (!Claim()) return;
  unsigned char byte = value;
  calls_.Ioctl(fd_, request, &byte);
  if (!bracketed) Release();
}

uint8_t PpdevPort::PortRead(uint16_t port) {
  unsigned long request;
  if (port == kStatusPort) {
    request = PPRSTATUS;
  } else if (port == kDataPort) {
    request = PPRDATA;
  } else if (port == kControlPort) {
    request = PPRCONTROL;
  } else {
    return 0xFF;
  }
  const bool bracketed = claimed_;
  if (!Claim()) return 0xFF;
  unsigned char byte = 0xFF;
  if (calls_.Ioctl(fd_, request, &byte) < 0) byte = 0xFF;
  if (!bracketed) Release();
  return byte;
}

}  // namespace tq
