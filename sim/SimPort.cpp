#include "sim/SimPort.h"

#include <cstdio>

namespace tq::sim {

SimPort::SimPort(const SimOptions& options, Clock& clock)
    : options_(options),
      target_(options_, clock, trace_),
      targetPresent_(!options.absent && !options.noAdapter) {
  if (options_.pinMap < 0 || options_.pinMap > 3) options_.pinMap = 0;
  Settle();
}

// Which register bit drives each line depends on how the adapter is wired;
// the four wirings are those of the bus master's pin maps.
bool SimPort::MasterReleasesScl() const {
  switch (options_.pinMap) {
    case 1: return (data_ & 0x08) == 0;
    case 3: return (data_ & 0x01) == 0;
    default: return (control_ & 0x08) != 0;
  }
}

bool SimPort::MasterReleasesSda() const {
  return options_.pinMap == 3 ? (data_ & 0x02) == 0 : (data_ & 0x80) == 0;
}

// Status bits that carry no line read 0. Maps 2 and 3 read through
// inverting buffers.
uint8_t SimPort::StatusFromLines() const {
  switch (options_.pinMap) {
    case 2: return static_cast<uint8_t>((sda_ ? 0x00 : 0x80) | (scl_ ? 0x08 : 0x00));
    case 3: return static_cast<uint8_t>((sda_ ? 0x00 : 0x40) | (scl_ ? 0x00 : 0x08));
    default: return static_cast<uint8_t>((sda_ ? 0x80 : 0x00) | (scl_ ? 0x08 : 0x00));
  }
}

// Brings the stored levels to the wired-AND of both sides one edge at a
// time, so that the target and the trace see every edge in order. When one
// write moves both lines, the data change is taken while the clock is low:
// it never makes a START or STOP out of a plain register write.
void SimPort::Settle() {
  for (int guard = 0; guard < 16; ++guard) {
    const bool present = targetPresent_;
    const bool scl = MasterReleasesScl() && !(present && target_.HoldsScl());
    const bool sda = MasterReleasesSda() && !(present && target_.HoldsSda());
    const bool sclMoves = scl != scl_;
    const bool sdaMoves = sda != sda_;
    if (!sclMoves && !sdaMoves) break;
    if (sclMoves && (!sdaMoves || !scl)) {
      scl_ = scl;
      if (scl) {
        ++sclRises_;
        if (present) target_.OnClockRise(sda_);
        trace_.OnClockRise(sda_);
      } else if (present) {
        target_.OnClockFall();
      }
    } else {
      sda_ = sda;
      if (scl_) {
        // SDA moving while SCL is high: START when it falls, STOP when it rises
        if (sda) {
          trace_.OnStop();
          if (present) target_.OnStop();
        } else {
          trace_.OnStart();
          if (present) target_.OnStart();
        }
      }
    }
  }
  status_ = options_.noAdapter ? 0 : StatusFromLines();
}

// A note each time the master lets go of a line that a fault keeps low.
void SimPort::NoteHolds() {
  const bool sclHeld = targetPresent_ && MasterReleasesScl() && target_.FaultHoldsScl();
  if (sclHeld && !sclHeldNoted_) trace_.Note("[SCL held low]");
  sclHeldNoted_ = sclHeld;
  const bool sdaHeld = targetPresent_ && MasterReleasesSda() && target_.FaultHoldsSda();
  if (sdaHeld && !sdaHeldNoted_) trace_.Note("[SDA held low]");
  sdaHeldNoted_ = sdaHeld;
}

void SimPort::PortWrite(uint16_t port, uint8_t value) {
  if (port == kDataPort) {
    data_ = value;
  } else if (port == kControlPort) {
    control_ = value;
  } else {
    return;  // the status register is read-only
  }
  Settle();
  NoteHolds();
}

uint8_t SimPort::PortRead(uint16_t port) {
  if (port == kStatusPort) {
    ++statusReads_;
    if (targetPresent_) {
      if (target_.BeforeStatusRead()) Settle();
      target_.AfterStatusRead(scl_);
    }
    return status_;
  }
  if (port == kDataPort) return data_;
  if (port == kControlPort) return control_;
  return 0xFF;
}

void SimPort::OpenPortRange(uint16_t, uint16_t) {
  ++openBrackets_;
  trace_.Note("[port open]");
}

void SimPort::ClosePortRange(uint16_t, uint16_t) {
  --openBrackets_;
  trace_.Note("[port close]");
}

std::string SimPort::Describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "virtual adapter, chip ID 0x%04X, %d pages (%d KB)",
                target_.ChipId(), target_.Pages(), target_.Pages() / 2);
  std::string out = text;
  if (options_.pinMap != 0) out += ", pin map " + std::to_string(options_.pinMap);
  if (!options_.flashFile.empty()) out += ", flash file " + options_.flashFile;
  std::string faults;
  auto add = [&faults](bool on, const char* name) {
    if (!on) return;
    faults += faults.empty() ? "" : " ";
    faults += name;
  };
  add(options_.absent, "absent");
  add(options_.noAdapter, "no-adapter");
  add(options_.unknownId, "unknown-id");
  add(options_.noBusy, "no-busy");
  add(options_.stuckBusy, "stuck-busy");
  add(options_.eraseReply, "erase-reply");
  add(!options_.programFail.empty(), "program-fail");
  add(!options_.programReply.empty(), "program-reply");
  add(!options_.corruptRead.empty(), "corrupt-read");
  add(options_.noAck, "no-ack");
  add(options_.sdaLow, "sda-low");
  add(options_.sclLow, "scl-low");
  add(options_.stretchReads > 0, "stretch");
  add(options_.randomFlip > 0 || options_.randomIgnore > 0 || options_.randomLose > 0, "random");
  if (!faults.empty()) out += ", faults: " + faults;
  return out;
}

std::unique_ptr<SimPort> MakeSimPort(const std::string& text, Clock& clock, std::string& error) {
  SimOptions options;
  if (!ParseSimOptions(text, options, error)) return nullptr;
  auto port = std::make_unique<SimPort>(options, clock);
  if (!port->Target().FlashFileError().empty()) {
    error = port->Target().FlashFileError();
    return nullptr;
  }
  return port;
}

}  // namespace tq::sim
