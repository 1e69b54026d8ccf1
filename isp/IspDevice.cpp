#include "isp/IspDevice.h"

#include <initializer_list>

namespace tq {

namespace {

constexpr uint8_t kWriteAddress = 0x6E;  // target 0x37, write
constexpr uint8_t kReadAddress = 0x6F;   // target 0x37, read

constexpr uint8_t kEraseCode = 0x1E;
constexpr uint8_t kProgramCode = 0x3C;
constexpr uint8_t kByteWriteCode = 0x5A;
constexpr uint8_t kSetupCode = 0x78;
constexpr uint8_t kSelectReadCode = 0x4B;

// The target accepts a command by answering the one's complement of its code.
constexpr uint8_t Accepted(uint8_t code) { return static_cast<uint8_t>(~code); }

constexpr int kPageSize = 512;

constexpr int kWaitLowReadings = 20000;
constexpr int kDelaysBetweenLowReadings = 100;
constexpr int kWaitHighReadings = 500;

// A command frame: START, the head bytes, an optional payload, the XOR of all
// of them, STOP. Statuses are not looked at: only the handshake and the reply
// that follow tell whether the target took the frame.
void SendFrame(TIicBus& bus, std::initializer_list<uint8_t> head, const uint8_t* payload = nullptr,
               int payloadSize = 0) {
  uint8_t check = 0;
  bus.Start();
  for (uint8_t byte : head) {
    bus.WriteByte(byte);
    check ^= byte;
  }
  for (int n = 0; n < payloadSize; ++n) {
    bus.WriteByte(payload[n]);
    check ^= payload[n];
  }
  bus.WriteByte(check);
  bus.Stop();
}

// A three-byte reply (first byte, status byte, final byte); returns the status.
uint8_t ReadShortReply(TIicBus& bus) {
  uint8_t first = 0, status = 0, last = 0;
  bus.Start();
  bus.WriteByte(kReadAddress);
  bus.ReadByte(first, 0);
  bus.ReadByte(status, 0);
  bus.ReadByte(last, 1);
  bus.Stop();
  return status;
}

}  // namespace

// Not a framed command: four single-byte transactions chained by repeated
// starts, the clock released after each acknowledge.
void TIspDevice::SetIspMode(uint8_t mode) {
  bus_.ClockPulse();
  bus_.Start();
  bus_.WriteByte(0x04);
  bus_.ReleaseScl();
  bus_.Start();
  bus_.WriteByte(0x34);
  bus_.ReleaseScl();
  bus_.Start();
  bus_.WriteByte(0x06);
  bus_.ReleaseScl();
  bus_.Start();
  bus_.WriteByte(mode == 1 ? 0x36 : 0x3C);
  bus_.Stop();
}

void TIspDevice::ChipErase() {
  SendFrame(bus_, {kWriteAddress, 0x07, kEraseCode, 0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D});
}

bool TIspDevice::CheckEraseReply() { return ReadShortReply(bus_) == Accepted(kEraseCode); }

void TIspDevice::ProgramPage(uint8_t page, const uint8_t* data512) {
  SendFrame(bus_, {kWriteAddress, 0x00, kProgramCode, page, 0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC},
            data512, kPageSize);
}

bool TIspDevice::CheckProgramReply() { return ReadShortReply(bus_) == Accepted(kProgramCode); }

// One frame per byte; the index is one byte wide, so only the first 256 bytes
// of the data travel.
void TIspDevice::ByteWritePage(uint8_t page, const uint8_t* data256) {
  for (int index = 0; index < 256; ++index) {
    SendFrame(bus_, {kWriteAddress, 0x04, kByteWriteCode, page, static_cast<uint8_t>(index), data256[index]});
    bus_.Delay();
    clock_.SleepMs(1);
  }
}

bool TIspDevice::CheckByteWriteReply() {
  const uint8_t status = ReadShortReply(bus_);
  bus_.Delay();
  return status == Accepted(kByteWriteCode);
}

void TIspDevice::SendSetup(uint8_t a, uint8_t b, uint8_t c) {
  SendFrame(bus_, {kWriteAddress, 0x04, kSetupCode, a, b, c});
}

void TIspDevice::SelectReadPage(uint8_t page) {
  SendFrame(bus_, {kWriteAddress, 0x02, kSelectReadCode, page});
}

// The payload is stored whatever the status says, so the destination is
// overwritten in every case.
bool TIspDevice::ReadPage(uint8_t* dest512) {
  uint8_t first = 0, status = 0, last = 0;
  bus_.Start();
  bus_.WriteByte(kReadAddress);
  bus_.ReadByte(first, 0);
  bus_.ReadByte(status, 0);
  for (int n = 0; n < kPageSize; ++n) bus_.ReadByte(dest512[n], 0);
  bus_.ReadByte(last, 1);
  bus_.Stop();
  return status == Accepted(kSelectReadCode);
}

uint16_t TIspDevice::ReadChipId() {
  uint8_t first = 0, high = 0, low = 0, last = 0;
  bus_.Start();
  bus_.WriteByte(kReadAddress);
  bus_.ReadByte(first, 0);
  bus_.ReadByte(high, 0);
  bus_.ReadByte(low, 0);
  bus_.ReadByte(last, 1);
  bus_.Stop();
  return static_cast<uint16_t>(high * 256 + low);
}

// The target holds SCL low while it works. First wait for it to take the
// line (busy-waiting in delay units), then for it to let go (in 1 ms sleeps).
bool TIspDevice::WaitReady() {
  bool taken = false;
  for (int reading = 0; reading < kWaitLowReadings; ++reading) {
    if (bus_.GetScl() == 0) {
      taken = true;
      break;
    }
    for (int n = 0; n < kDelaysBetweenLowReadings; ++n) bus_.Delay();
  }
  if (!taken) return false;

  bool released = false;
  for (int reading = 0; reading < kWaitHighReadings; ++reading) {
    if (bus_.GetScl() == 1) {
      released = true;
      break;
    }
    clock_.SleepMs(1);
  }
  if (!released) return false;

  bus_.Delay();
  return true;
}

// Start/stop pairs walk a target out of a half-finished transfer.
void TIspDevice::RecoverBus() {
  if (bus_.GetSda() == 1 && bus_.GetScl() == 1) return;
  for (int n = 0; n < 4; ++n) {
    bus_.Start();
    bus_.Stop();
  }
}

}  // namespace tq
