// Which port back-end the program talks to, chosen once at start-up before
// the bus writes its start-up values. The choice comes from TARNQUILL_PORT or
// the command line's --port:
//   sim, sim:OPTIONS   the simulated adapter and target
//   /dev/parportN      the kernel's parallel-port device (ppdev)
//   io, io:BASE        direct port I/O (x86), BASE as 0x278 or decimal
//   (empty)            /dev/parport0, the real port; never the simulation
#pragma once

#include <memory>
#include <string>

#include "bus/PortIo.h"
#include "core/Clock.h"

namespace tq {

constexpr const char* kDefaultPortDevice = "/dev/parport0";
constexpr const char* kPortEnvironmentVariable = "TARNQUILL_PORT";

// nullptr and a one-line error for a port name that names no back-end. A port
// that names a real back-end but cannot be opened is still returned, with
// Problem() saying why, so that the program runs on and its commands fail
// with their own messages.
std::unique_ptr<PortIo> OpenPort(const std::string& portName, Clock& clock, std::string& error);

// The value of TARNQUILL_PORT, empty when unset.
std::string PortSpecFromEnvironment();

}  // namespace tq
