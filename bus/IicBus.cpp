#include "bus/IicBus.h"

namespace tq {

namespace {

// How one pin map wires the two lines to register bits. A mask of 0 means
// the line is not wired at all (maps 4 and above): drives write nothing and
// reads give 0.
struct Wiring {
  bool sclOnControl;    // SCL driven from the control register, else data
  uint8_t sclMask;      // drive bit of SCL
  bool sclSetReleases;  // setting the drive bit releases the line
  uint8_t sdaMask;      // drive bit of SDA, always in the data register
  bool sdaSetReleases;
  uint8_t sclReadMask;  // status bit that reads SCL back
  bool sclHighWhenSet;
  uint8_t sdaReadMask;  // status bit that reads SDA back
  bool sdaHighWhenSet;
};

constexpr Wiring kWirings[5] = {
    // 0: SCL on nSelectIn (control bit 3), SDA on D7; read SCL on nError, SDA on Busy.
    {true, 0x08, true, 0x80, false, 0x08, true, 0x80, true},
    // 1: SCL on D3 instead of nSelectIn.
    {false, 0x08, false, 0x80, false, 0x08, true, 0x80, true},
    // 2: as map 0, but SDA reads back inverted.
    {true, 0x08, true, 0x80, false, 0x08, true, 0x80, false},
    // 3: SCL on D0, SDA on D1; both read back inverted, SDA on nAck.
    {false, 0x01, false, 0x02, false, 0x08, false, 0x40, false},
    // 4 and above: nothing wired.
    {false, 0x00, false, 0x00, false, 0x00, false, 0x00, false},
};

inline const Wiring& WiringOf(uint8_t map) { return kWirings[map < 4 ? map : 4]; }

constexpr uint16_t kReleasePolls = 500;

}  // namespace

TIicBus::TIicBus(PortIo& port) : port_(port) {
  DelayCount = 150;
  PinMap = 0;
  NeedPortAccess = port_.PortAccessRequired() != 0;
  PortAccess(true);
  DataShadow = 0x55;
  port_.PortWrite(kDataPort, DataShadow);
  // Written as the adapter has always been initialised, though the status
  // register is read-only on a standard port.
  port_.PortWrite(kStatusPort, 0xF8);
  ControlShadow = 0x0B;
  port_.PortWrite(kControlPort, ControlShadow);
  PortAccess(false);
}

// ---- line level -------------------------------------------------------------

void TIicBus::SetScl(int level) {
  const Wiring& w = WiringOf(PinMap);
  if (w.sclMask == 0) return;
  const bool set = (level != 0) == w.sclSetReleases;
  uint8_t& shadow = w.sclOnControl ? ControlShadow : DataShadow;
  shadow = set ? static_cast<uint8_t>(shadow | w.sclMask) : static_cast<uint8_t>(shadow & ~w.sclMask);
  port_.PortWrite(w.sclOnControl ? kControlPort : kDataPort, shadow);
}

void TIicBus::SetSda(int level) {
  const Wiring& w = WiringOf(PinMap);
  if (w.sdaMask == 0) return;
  const bool set = (level != 0) == w.sdaSetReleases;
  DataShadow = set ? static_cast<uint8_t>(DataShadow | w.sdaMask)
                   : static_cast<uint8_t>(DataShadow & ~w.sdaMask);
  port_.PortWrite(kDataPort, DataShadow);
}

int TIicBus::GetScl() {
  const Wiring& w = WiringOf(PinMap);
  if (w.sclReadMask == 0) return 0;
  const bool set = (port_.PortRead(kStatusPort) & w.sclReadMask) != 0;
  return set == w.sclHighWhenSet ? 1 : 0;
}

int TIicBus::GetSda() {
  const Wiring& w = WiringOf(PinMap);
  if (w.sdaReadMask == 0) return 0;
  const bool set = (port_.PortRead(kStatusPort) & w.sdaReadMask) != 0;
  return set == w.sdaHighWhenSet ? 1 : 0;
}

// One delay unit. The count is calibrated against exactly this loop, so the
// counter lives in memory and DelayCount is read again on every pass: the
// compiler may neither drop the loop nor hoist the bound out of it.
void TIicBus::Delay() {
  volatile int32_t i = 0;
  const volatile int32_t& count = DelayCount;
  while (i < count) i = i + 1;
}

void TIicBus::LongDelay() {
  Delay();
  Delay();
}

// Release SCL and wait, boundedly, for a target that stretches the clock.
bool TIicBus::ReleaseScl() {
  SetScl(1);
  uint16_t polls = 0;
  while (GetScl() == 0) {
    LongDelay();
    ++polls;
    if (polls >= kReleasePolls) break;
  }
  return GetScl() == 1;
}

// ---- bit and byte level -----------------------------------------------------

uint8_t TIicBus::Start() {
  SetSda(1);
  Delay();
  // A data line that stays low means a target holds it or nothing answers;
  // give up before touching the clock.
  if (GetSda() == 0) return 4;
  Delay();
  if (!ReleaseScl()) return 1;
  Delay();
  SetSda(0);  // SDA falls while SCL is high
  Delay();
  LongDelay();
  SetScl(0);
  Delay();
  return 0;
}

uint8_t TIicBus::Stop() {
  SetScl(0);
  Delay();
  SetSda(0);
  Delay();
  if (!ReleaseScl()) return 1;
  LongDelay();
  SetSda(1);  // SDA rises while SCL is high
  LongDelay();
  return 0;
}

uint8_t TIicBus::WriteBit(int bit) {
  SetScl(0);
  Delay();
  SetSda(bit != 0 ? 1 : 0);
  Delay();
  if (!ReleaseScl()) return 1;
  LongDelay();
  SetScl(0);
  Delay();
  return 0;
}

uint8_t TIicBus::ReadBit(int& bit) {
  SetScl(0);
  Delay();
  SetSda(1);  // the line belongs to the target for this bit
  Delay();
  // A clock that does not come high is not a reason to skip the sample.
  (void)ReleaseScl();
  LongDelay();
  bit = GetSda();
  SetScl(0);
  Delay();
  return 0;
}

uint8_t TIicBus::WriteByte(uint8_t value) {
  uint8_t status = 0;
  for (int n = 7; n >= 0; --n) status |= WriteBit((value >> n) & 1);
  int ack = 0;
  ReadBit(ack);
  if (ack == 1) status |= 2;
  return status;
}

uint8_t TIicBus::ReadByte(uint8_t& value, int nack) {
  uint8_t status = 0;
  uint8_t byte = 0;
  for (int n = 0; n < 8; ++n) {
    int bit = 0;
    status |= ReadBit(bit);
    byte = static_cast<uint8_t>((byte << 1) | (bit & 1));
  }
  value = byte;
  status |= WriteBit(nack != 0 ? 1 : 0);
  return status;
}

void TIicBus::ClockPulse() {
  SetScl(0);
  Delay();
  SetScl(1);  // released without waiting for the line
  LongDelay();
}

// ---- set-up and service -----------------------------------------------------

void TIicBus::PortAccess(bool on) {
  if (!NeedPortAccess) return;
  if (on) {
    port_.SetPortMode(1);
    port_.OpenPortRange(kDataPort, kControlPort);
  } else {
    port_.SetPortMode(0);
    port_.ClosePortRange(kDataPort, kControlPort);
  }
}

void TIicBus::SetDelayCount(int32_t count) { DelayCount = count; }

void TIicBus::SelectPinMap(uint8_t map) {
  PinMap = map;
  switch (map) {
    case 0:
    case 2: DataShadow = 0x55; break;
    case 1: DataShadow = 0x77; break;
    case 3: DataShadow = 0x54; break;
    default: break;  // no wiring: the data register keeps what it had
  }
  port_.PortWrite(kDataPort, DataShadow);
}

void TIicBus::ReleaseLines() {
  SetScl(1);
  SetSda(1);
}

// A fixed train of clocks with no reads, so that the speed measurement times
// the delay loop and the port writes alone.
void TIicBus::ClockBurst() {
  SetSda(1);
  for (int n = 0; n < 100; ++n) {
    SetScl(1);
    Delay();
    SetScl(0);
    Delay();
  }
  ReleaseLines();
}

}  // namespace tq
