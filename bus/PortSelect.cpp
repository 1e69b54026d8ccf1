#include "bus/PortSelect.h"

#include <cstdlib>

#include "bus/DirectIoPort.h"
#include "bus/PpdevPort.h"
#include "sim/SimPort.h"

namespace tq {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A base address as 0x... (hex) or plain decimal; the three registers must
// fit below 0x10000.
bool ParseBase(const std::string& text, uint16_t& base) {
  if (text.empty()) return false;
  const bool hex = StartsWith(text, "0x") || StartsWith(text, "0X");
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 8) return false;
  unsigned long value = 0;
  for (char c : digits) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
  }
  if (value == 0 || value > 0xFFFD) return false;
  base = static_cast<uint16_t>(value);
  return true;
}

std::string Usage(const std::string& portName) {
  return "unknown port \"" + portName + "\": use sim[:options], a device path such as /dev/parport0, or io[:base]";
}

}  // namespace

std::unique_ptr<PortIo> OpenPort(const std::string& portName, Clock& clock, std::string& error) {
  error.clear();
  if (portName.empty()) return std::make_unique<PpdevPort>(kDefaultPortDevice);

  if (portName == "sim" || StartsWith(portName, "sim:")) {
    const std::string options = portName.size() > 4 ? portName.substr(4) : std::string();
    std::unique_ptr<PortIo> port = sim::MakeSimPort(options, clock, error);
    if (!port && error.empty()) error = "bad simulation options \"" + options + "\"";
    return port;
  }

  if (portName[0] == '/') return std::make_unique<PpdevPort>(portName);

  if (portName == "io") return std::make_unique<DirectIoPort>(kDefaultIoBase);
  if (StartsWith(portName, "io:")) {
    uint16_t base = 0;
    if (!ParseBase(portName.substr(3), base)) {
      error = "bad I/O base address in \"" + portName + "\": use io or io:0x278";
      return nullptr;
    }
    return std::make_unique<DirectIoPort>(base);
  }

  error = Usage(portName);
  return nullptr;
}

std::string PortSpecFromEnvironment() {
  const char* value = std::getenv(kPortEnvironmentVariable);
  return value ? std::string(value) : std::string();
}

}  // namespace tq
