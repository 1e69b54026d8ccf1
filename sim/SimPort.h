// The simulated target: a virtual parallel-port adapter with an I2C target
// MCU behind it. It is a port back-end like the real ones, so the bus master
// and everything above it run unchanged against it. It also records a
// decoded trace of the wire and can misbehave on request.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bus/PortIo.h"
#include "core/Clock.h"

namespace tq::sim {

constexpr int kSimPageSize = 512;
constexpr uint16_t kDefaultChipId = 0x3B2E;  // a 64 KB chip of the default MCU table
constexpr int kDefaultPages = 128;
constexpr uint16_t kUnknownChipId = 0x1234;  // what fault=unknown-id reports
constexpr int kDefaultStretchReads = 20;

// A fault on one page for its first `times` occurrences.
struct PageFault {
  int page = 0;
  int times = 1;
};

// Everything the option text can say. Defaults: the default chip, erased,
// no busy time, no faults, the adapter wired as pin map 0.
struct SimOptions {
  uint16_t chipId = kDefaultChipId;
  int pages = kDefaultPages;  // 1 to 256
  int eraseMs = 0;            // busy times of the handshake
  int pageMs = 0;
  int byteMs = 0;
  int readMs = 0;
  std::string flashFile;  // empty: the flash lives in memory only
  int pinMap = 0;         // how the adapter is wired, 0 to 3

  // faults
  bool absent = false;      // no target: the lines follow the master only
  bool noAdapter = false;   // the status register reads 0
  bool unknownId = false;   // reports kUnknownChipId
  bool noBusy = false;      // never holds SCL after a command
  bool stuckBusy = false;   // holds SCL after a command and never lets go
  bool eraseReply = false;  // answers erase with a wrong status byte
  bool noAck = false;       // never pulls SDA in an acknowledge bit, so never sends a reply
  bool sdaLow = false;      // holds SDA low from the start
  bool sclLow = false;      // holds SCL low from the start
  int stretchReads = 0;     // >0: holds SCL inside every byte for this many status reads
  std::vector<PageFault> programFail;   // program frame dropped: no handshake, no write
  std::vector<PageFault> programReply;  // programmed, but the reply has a wrong status
  std::vector<PageFault> corruptRead;   // one bit flipped in the page read back

  // seeded random faults, each a probability from 0 to 1
  double randomFlip = 0;    // a page read back with one bit flipped
  double randomIgnore = 0;  // a program frame ignored
  double randomLose = 0;    // a reply frame not answered
  uint32_t seed = 1;
};

// Parses "id=0x3B2E,pages=128,fault=program-fail:5:1,..." (a leading "sim:"
// or a lone "sim" is accepted too). On a bad option returns false with a
// one-line reason in `error`.
bool ParseSimOptions(const std::string& text, SimOptions& options, std::string& error);

// The option list for --help, several lines, each ending in '\n'.
std::string SimOptionsHelp();

// The decoded wire. A transaction line reads "S 6E+ 07+ 1E+ ... 88+ P":
// S is a START, Sr a repeated START, P a STOP, each byte is followed by the
// acknowledge bit the master saw (+ pulled low, - left high; nothing when the
// ninth clock never came), "[n bits]" is a byte cut short (a lone clock is
// not shown). Notes in square
// brackets mark port brackets ("[port open]", "[port close]"), the busy
// handshake ("[busy]") and lines held against the master ("[SDA held low]",
// "[SCL held low]"); outside a transaction a note is a line of its own.
class SimTrace {
 public:
  using Sink = std::function<void(const std::string&)>;
  static constexpr size_t kMaxLines = 20000;  // oldest lines are dropped beyond this

  // Completed lines, then the one still open (if any).
  std::vector<std::string> Lines() const;
  // The bytes between a START and the next STOP or START, e.g.
  // "6E 07 1E AA 55 CC 33 E2 1D 88"; the open one last when it has bytes.
  std::vector<std::string> Frames() const;
  // Lines() joined by '\n'.
  std::string Text() const;
  void Clear();
  // Receives each line as it completes (the CLI's --trace prints them).
  void SetSink(Sink sink) { sink_ = std::move(sink); }
  // Keeping lines can be turned off when only the sink is wanted.
  void SetRecording(bool on) { recording_ = on; }
  size_t DroppedLines() const { return dropped_; }

  // Fed by the wire model.
  void OnStart();
  void OnStop();
  void OnClockRise(bool sda);
  void Note(const std::string& text);

 private:
  bool Active() const { return recording_ || static_cast<bool>(sink_); }
  void Token(const char* text, size_t size);
  void EndFrame();
  void EndLine();
  void FlushPartialByte();

  Sink sink_;
  bool recording_ = true;
  std::deque<std::string> lines_;
  std::deque<std::string> frames_;
  std::string line_;   // the open line
  std::string frame_;  // the open frame
  bool inTransaction_ = false;
  bool frameOpen_ = false;
  int bits_ = 0;
  uint8_t shift_ = 0;
  size_t dropped_ = 0;
};

// The target MCU: its I2C state machine, flash, replies and faults. The
// wire model calls the On... members on every edge; tests read the state.
class SimTarget {
 public:
  SimTarget(const SimOptions& options, Clock& clock, SimTrace& trace);

  // state for tests
  const std::vector<uint8_t>& Flash() const { return flash_; }
  // Copies an image into the flash (as far as both reach) and saves it.
  void LoadFlash(const std::vector<uint8_t>& image);
  uint16_t ChipId() const;  // the ID it reports
  int Pages() const { return pages_; }
  bool InIspMode() const { return inIsp_; }
  bool Busy() const { return busy_; }
  const std::vector<uint8_t>& Reply() const { return reply_; }
  const std::vector<std::array<uint8_t, 3>>& SetupsReceived() const { return setups_; }
  // Why the flash file could not be loaded, created or written (the last
  // such failure); empty when all went well.
  const std::string& FlashFileError() const { return fileError_; }

  // the wire side
  bool HoldsScl() const { return sclHold_ || options_.sclLow; }
  bool HoldsSda() const { return sdaHold_ || options_.sdaLow; }
  // Holds that are faults rather than protocol, for the trace notes.
  bool FaultHoldsScl() const { return options_.sclLow || (busy_ && options_.stuckBusy); }
  bool FaultHoldsSda() const { return options_.sdaLow; }
  void OnStart();
  void OnStop();
  void OnClockRise(bool sda);
  void OnClockFall();
  // Around every read of the status register: a hold may end before it,
  // and the read counts as the master having seen SCL low.
  bool BeforeStatusRead();  // true when a hold was let go
  void AfterStatusRead(bool sclLevel);

 private:
  bool OpenFlashFile(std::string& error);

  enum class Phase { Idle, Address, Write, ReadStart, Read, Ignore };

  void ByteReceived(uint8_t value);
  void Execute();
  void StartBusy(int ms);
  bool Chance(double probability);
  bool TakePageFault(std::vector<PageFault>& faults, int page);
  uint8_t NextReplyByte();
  void SaveFlash(size_t offset, size_t size);

  SimOptions options_;
  Clock& clock_;
  SimTrace& trace_;
  std::mt19937 random_;
  int pages_;
  std::vector<uint8_t> flash_;
  std::vector<uint8_t> reply_;
  std::vector<std::array<uint8_t, 3>> setups_;
  std::vector<uint8_t> frame_;
  std::string fileError_;

  Phase phase_ = Phase::Idle;
  int bit_ = 0;  // clocks seen in the current byte, 9 after the acknowledge clock
  uint8_t shift_ = 0;
  uint8_t out_ = 0;  // byte being sent
  bool ackPending_ = false;
  bool masterAcked_ = false;
  bool frameOverflow_ = false;
  size_t replyPos_ = 0;
  int sequence_ = 0;     // ISP mode sequence bytes seen so far
  int pendingMode_ = 0;  // 1 enter, 2 leave, acted on at the STOP
  bool inIsp_ = false;

  bool sdaHold_ = false;
  bool sclHold_ = false;
  bool busy_ = false;
  bool busySeenLow_ = false;
  int64_t busyUntilUs_ = 0;
  bool stretching_ = false;
  int stretchLeft_ = 0;
};

// The virtual adapter: registers to lines by the pin map, open-drain lines
// shared by master and target, the status register reading them back.
class SimPort : public PortIo {
 public:
  // Loads (or creates) the flash file at once; see Target().FlashFileError().
  SimPort(const SimOptions& options, Clock& clock);

  void PortWrite(uint16_t port, uint8_t value) override;
  uint8_t PortRead(uint16_t port) override;
  int PortAccessRequired() override { return 1; }
  void SetPortMode(int) override {}
  void OpenPortRange(uint16_t first, uint16_t last) override;
  void ClosePortRange(uint16_t first, uint16_t last) override;
  std::string Describe() const override;
  bool IsSimulated() const override { return true; }

  SimTarget& Target() { return target_; }
  const SimTarget& Target() const { return target_; }
  SimTrace& Trace() { return trace_; }
  const SimOptions& Options() const { return options_; }

  // shortcuts to the trace
  std::vector<std::string> Frames() const { return trace_.Frames(); }
  std::vector<std::string> TraceLines() const { return trace_.Lines(); }
  void ClearTrace() { trace_.Clear(); }
  void SetTraceSink(SimTrace::Sink sink) { trace_.SetSink(std::move(sink)); }

  // the wire as it is now
  bool Scl() const { return scl_; }
  bool Sda() const { return sda_; }
  uint8_t DataRegister() const { return data_; }
  uint8_t ControlRegister() const { return control_; }
  int OpenBrackets() const { return openBrackets_; }
  // How often the status register was read and SCL rose, since creation.
  uint64_t StatusReads() const { return statusReads_; }
  uint64_t SclRises() const { return sclRises_; }

 private:
  void Settle();
  bool MasterReleasesScl() const;
  bool MasterReleasesSda() const;
  void NoteHolds();
  uint8_t StatusFromLines() const;

  SimOptions options_;
  SimTrace trace_;
  SimTarget target_;
  bool targetPresent_;
  uint8_t data_ = 0x00;
  uint8_t control_ = 0x0B;
  bool scl_ = true;
  bool sda_ = true;
  uint8_t status_ = 0;
  bool sclHeldNoted_ = false;
  bool sdaHeldNoted_ = false;
  int openBrackets_ = 0;
  uint64_t statusReads_ = 0;
  uint64_t sclRises_ = 0;
};

// Builds the simulated adapter from its option text; nullptr and a reason in
// `error` when the options are wrong or the flash file cannot be used.
std::unique_ptr<SimPort> MakeSimPort(const std::string& options, Clock& clock, std::string& error);

}  // namespace tq::sim
