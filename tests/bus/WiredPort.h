// A fake parallel-port adapter for the bus master's tests: it records every
// library call, models the two open-drain lines behind one of the four
// wirings, and has a very small I2C target on the other end that can hold
// lines, acknowledge, or shift bytes out. Independent of the simulated target
// on purpose: these tests pin down the master, not the target.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <vector>

#include "bus/PortIo.h"

namespace tq::test {

struct PortCall {
  enum Op { Write, Read, Required, Mode, Open, Close } op;
  int a = 0;
  int b = 0;
  bool operator==(const PortCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const PortCall& c) {
  static const char* const names[] = {"Write", "Read", "Required", "Mode", "Open", "Close"};
  return out << names[c.op] << "(0x" << std::hex << c.a << ", 0x" << c.b << std::dec << ")";
}

class WiredPort : public PortIo {
 public:
  // wiring: which of the four adapters 0..3 sits between port and lines.
  explicit WiredPort(int wiring = 0, int accessRequired = 1) : wiring_(wiring), required_(accessRequired) {}

  // ---- the target side, set by a test ----
  bool holdScl = false;  // SCL pulled low by the target all the time
  bool holdSda = false;  // SDA pulled low by the target all the time
  // When >= 0: SCL held low by the target for the first N status reads.
  int holdSclForReads = -1;
  bool ackBytes = false;          // acknowledge every byte the master writes
  std::deque<uint8_t> sendBytes;  // shifted out MSB first after START, one per 9 clocks
  int sendAfterBytes = 0;         // bytes the master writes first (acknowledged), e.g. the address

  // ---- what happened ----
  std::vector<PortCall> calls;
  int statusReads = 0;
  int sclRises = 0;
  int sclFalls = 0;
  int starts = 0;  // START conditions, repeated ones included
  int stops = 0;
  // Per clock since the last START (index = falls seen since it): did the
  // master pull SDA low while SCL was high in that clock?
  std::vector<bool> masterSdaLowInClock;

  bool Scl() const { return MasterReleasesScl() && !TargetHoldsScl(); }
  bool Sda() const { return MasterReleasesSda() && !holdSda && !targetSdaLow_; }
  uint8_t Data() const { return data_; }
  uint8_t Control() const { return control_; }

  std::vector<PortCall> WritesOnly() const {
    std::vector<PortCall> out;
    for (const PortCall& c : calls)
      if (c.op == PortCall::Write) out.push_back(c);
    return out;
  }

  // ---- the library ----
  void PortWrite(uint16_t port, uint8_t value) override {
    calls.push_back({PortCall::Write, port, value});
    if (port == kDataPort) data_ = value;
    if (port == kControlPort) control_ = value;
    Settle();
  }
  uint8_t PortRead(uint16_t port) override {
    calls.push_back({PortCall::Read, port, 0});
    if (port != kStatusPort) return 0xFF;
    ++statusReads;
    Settle();
    return Status();
  }
  int PortAccessRequired() override {
    calls.push_back({PortCall::Required});
    return required_;
  }
  void SetPortMode(int mode) override { calls.push_back({PortCall::Mode, mode}); }
  void OpenPortRange(uint16_t first, uint16_t last) override { calls.push_back({PortCall::Open, first, last}); }
  void ClosePortRange(uint16_t first, uint16_t last) override { calls.push_back({PortCall::Close, first, last}); }
  std::string Describe() const override { return "wired test port"; }

 private:
  bool MasterReleasesScl() const {
    switch (wiring_) {
      case 0:
      case 2: return (control_ & 0x08) != 0;  // nSelectIn set releases
      case 1: return (data_ & 0x08) == 0;     // D3 clear releases
      case 3: return (data_ & 0x01) == 0;     // D0 clear releases
    }
    return true;
  }
  bool MasterReleasesSda() const {
    if (wiring_ == 3) return (data_ & 0x02) == 0;  // D1
    return (data_ & 0x80) == 0;                    // D7
  }
  bool TargetHoldsScl() const {
    if (holdSclForReads >= 0) return statusReads <= holdSclForReads;
    return holdScl;
  }
  uint8_t Status() const {
    const bool scl = Scl(), sda = Sda();
    switch (wiring_) {
      case 0:
      case 1: return static_cast<uint8_t>((sda ? 0x80 : 0) | (scl ? 0x08 : 0));
      case 2: return static_cast<uint8_t>((sda ? 0 : 0x80) | (scl ? 0x08 : 0));
      case 3: return static_cast<uint8_t>((sda ? 0 : 0x40) | (scl ? 0 : 0x08));
    }
    return 0;
  }

  // Recompute the lines and let the target react to the edges.
  void Settle() {
    const bool scl = Scl();
    bool sda = Sda();
    // The master's drive counts while the clock is high, when the target samples.
    if (scl && !MasterReleasesSda() && inTransfer_ && falls_ >= 0) masterSdaLowInClock[falls_] = true;
    if (scl && lastScl_ && lastSda_ && !sda) {  // START
      ++starts;
      inTransfer_ = true;
      falls_ = -1;
      masterSdaLowInClock.clear();
      transmitting_ = !sendBytes.empty();
    } else if (scl && lastScl_ && !lastSda_ && sda) {  // STOP
      ++stops;
      inTransfer_ = false;
      transmitting_ = false;
      targetSdaLow_ = false;
    }
    if (scl && !lastScl_) ++sclRises;
    if (!scl && lastScl_) {
      ++sclFalls;
      if (inTransfer_) OnFall();
      sda = Sda();
    }
    lastScl_ = scl;
    lastSda_ = sda;
  }

  // The target changes SDA only while SCL is low, right after a falling edge.
  // Fall 0 is the START's own; bits are clocked after falls 0..7 and the
  // acknowledge after fall 8, so fall 9 begins the next byte.
  void OnFall() {
    ++falls_;
    masterSdaLowInClock.resize(falls_ + 1);
    const int byte = falls_ / 9;
    const int bit = falls_ % 9;
    if (transmitting_ && byte >= sendAfterBytes) {
      const size_t index = static_cast<size_t>(byte - sendAfterBytes);
      // Past the last byte, and in the master's acknowledge clock, SDA is left alone.
      targetSdaLow_ = index < sendBytes.size() && bit < 8 && ((sendBytes[index] >> (7 - bit)) & 1) == 0;
      return;
    }
    targetSdaLow_ = (ackBytes || transmitting_) && bit == 8;
  }

  int wiring_;
  int required_;
  uint8_t data_ = 0;
  uint8_t control_ = 0;
  bool lastScl_ = true;
  bool lastSda_ = true;
  bool inTransfer_ = false;
  bool targetSdaLow_ = false;
  int falls_ = -1;
  bool transmitting_ = false;
};

}  // namespace tq::test
