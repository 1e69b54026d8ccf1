// The bus master and the ISP layer over a simulated target, at delay count 0
// and on a virtual clock, with the trace cleared after the bus start-up.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bus/IicBus.h"
#include "core/Clock.h"
#include "isp/IspDevice.h"
#include "sim/SimPort.h"

namespace tq::sim::test {

struct SimRig {
  explicit SimRig(const std::string& options = "", int busMap = -1) {
    std::string error;
    port = MakeSimPort(options, clock, error);
    if (!port) {
      ADD_FAILURE() << "options \"" << options << "\": " << error;
      return;
    }
    bus = std::make_unique<TIicBus>(*port);
    bus->SetDelayCount(0);
    bus->SelectPinMap(static_cast<uint8_t>(busMap >= 0 ? busMap : port->Options().pinMap));
    isp = std::make_unique<TIspDevice>(*bus, clock);
    port->ClearTrace();
  }

  const std::vector<uint8_t>& Flash() const { return port->Target().Flash(); }
  std::vector<uint8_t> FlashPage(int page) const {
    auto begin = Flash().begin() + page * kSimPageSize;
    return std::vector<uint8_t>(begin, begin + kSimPageSize);
  }

  VirtualClock clock;
  std::unique_ptr<SimPort> port;
  std::unique_ptr<TIicBus> bus;
  std::unique_ptr<TIspDevice> isp;
};

// A page of bytes that differs per seed and is never blank.
inline std::vector<uint8_t> PagePattern(int seed) {
  std::vector<uint8_t> page(kSimPageSize);
  for (int i = 0; i < kSimPageSize; ++i) page[i] = static_cast<uint8_t>(i * 7 + seed * 31 + (i >> 8));
  return page;
}

// "6E 07 1E" from bytes.
inline std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char text[4];
  for (uint8_t b : bytes) {
    std::snprintf(text, sizeof text, "%02X", b);
    if (!out.empty()) out += ' ';
    out += text;
  }
  return out;
}

// The XOR of every byte, appended: a command frame with its check byte.
inline std::vector<uint8_t> WithCheck(std::vector<uint8_t> frame) {
  uint8_t check = 0;
  for (uint8_t b : frame) check ^= b;
  frame.push_back(check);
  return frame;
}

// Sends raw bytes as one write transaction, as the ISP layer sends a frame.
inline void SendRaw(TIicBus& bus, const std::vector<uint8_t>& bytes) {
  bus.Start();
  for (uint8_t b : bytes) bus.WriteByte(b);
  bus.Stop();
}

// Reads n bytes of a reply frame, acknowledging all but the last.
inline std::vector<uint8_t> ReadRaw(TIicBus& bus, int n) {
  std::vector<uint8_t> bytes(n);
  bus.Start();
  bus.WriteByte(0x6F);
  for (int i = 0; i < n; ++i) bus.ReadByte(bytes[i], i == n - 1 ? 1 : 0);
  bus.Stop();
  return bytes;
}

}  // namespace tq::sim::test
