#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/SimPort.h"

namespace tq::sim {

namespace {

constexpr uint8_t kWriteAddress = 0x6E;
constexpr uint8_t kReadAddress = 0x6F;

constexpr uint8_t kEraseCode = 0x1E;
constexpr uint8_t kProgramCode = 0x3C;
constexpr uint8_t kByteWriteCode = 0x5A;
constexpr uint8_t kSetupCode = 0x78;
constexpr uint8_t kSelectReadCode = 0x4B;

constexpr uint8_t kEraseKeys[] = {0xAA, 0x55, 0xCC, 0x33, 0xE2, 0x1D};
constexpr uint8_t kProgramKeys[] = {0xF0, 0x0F, 0x6E, 0x91, 0x13, 0xEC};

// address, length, code, page, six keys, the page, check byte
constexpr size_t kProgramFrameSize = 4 + 6 + kSimPageSize + 1;

constexpr uint8_t Accepted(uint8_t code) { return static_cast<uint8_t>(~code); }

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

SimTarget::SimTarget(const SimOptions& options, Clock& clock, SimTrace& trace)
    : options_(options),
      clock_(clock),
      trace_(trace),
      random_(options.seed),
      pages_(std::clamp(options.pages, 1, 256)),
      flash_(static_cast<size_t>(pages_) * kSimPageSize, 0xFF) {
  frame_.reserve(kProgramFrameSize);
  reply_.reserve(kSimPageSize + 3);
  OpenFlashFile(fileError_);
}

uint16_t SimTarget::ChipId() const { return options_.unknownId ? kUnknownChipId : options_.chipId; }

// ---- flash file ---------------------------------------------------------------

// Loads the file when it is there; otherwise creates it erased, so that a
// path that cannot be written is found now rather than after programming.
bool SimTarget::OpenFlashFile(std::string& error) {
  if (options_.flashFile.empty()) return true;
  const std::string& path = options_.flashFile;
  if (FILE* in = std::fopen(path.c_str(), "rb")) {
    size_t got = std::fread(flash_.data(), 1, flash_.size(), in);
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
      error = "sim: cannot read flash file " + path;
      return false;
    }
    if (got == flash_.size()) return true;
    // A short file: the rest is erased, and the file is made whole so that
    // later writes at an offset never leave a hole behind.
  } else if (errno != ENOENT) {
    error = "sim: cannot open flash file " + path + ": " + ErrnoText();
    return false;
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    error = "sim: cannot create flash file " + path + ": " + ErrnoText();
    return false;
  }
  bool ok = std::fwrite(flash_.data(), 1, flash_.size(), out) == flash_.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    error = "sim: cannot write flash file " + path;
    return false;
  }
  return true;
}

// Writes only the bytes a command changed: a byte-write page is 256 commands.
void SimTarget::SaveFlash(size_t offset, size_t size) {
  if (options_.flashFile.empty() || size == 0) return;
  FILE* out = std::fopen(options_.flashFile.c_str(), "r+b");
  bool ok = out != nullptr;
  if (ok) {
    ok = std::fseek(out, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fwrite(flash_.data() + offset, 1, size, out) == size;
    ok = std::fclose(out) == 0 && ok;
  }
  if (!ok) {
    fileError_ = "sim: cannot write flash file " + options_.flashFile;
    trace_.Note("[flash file not written]");
  }
}

void SimTarget::LoadFlash(const std::vector<uint8_t>& image) {
  const size_t n = std::min(image.size(), flash_.size());
  std::copy_n(image.begin(), n, flash_.begin());
  SaveFlash(0, n);
}

// ---- the I2C target -------------------------------------------------------------

void SimTarget::OnStart() {
  // A frame cut by a repeated START is not acted on; the mode sequence must
  // end with a STOP after its fourth byte.
  phase_ = Phase::Address;
  bit_ = 0;
  shift_ = 0;
  ackPending_ = false;
  pendingMode_ = 0;
  frame_.clear();
  frameOverflow_ = false;
  sdaHold_ = false;
}

void SimTarget::OnStop() {
  if (phase_ == Phase::Write) Execute();
  if (pendingMode_ == 1) {
    inIsp_ = true;
    const uint16_t id = ChipId();
    reply_.assign({0x00, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF), 0x00});
  } else if (pendingMode_ == 2) {
    inIsp_ = false;
  }
  pendingMode_ = 0;
  sequence_ = 0;
  phase_ = Phase::Idle;
  frame_.clear();
  sdaHold_ = false;
}

void SimTarget::OnClockRise(bool sda) {
  if (phase_ == Phase::Idle) return;
  if (bit_ < 8) {
    if (phase_ != Phase::Read) shift_ = static_cast<uint8_t>((shift_ << 1) | (sda ? 1 : 0));
    if (++bit_ == 8 && phase_ != Phase::Read) ByteReceived(shift_);
  } else if (bit_ == 8) {
    if (phase_ == Phase::Read) masterAcked_ = !sda;
    bit_ = 9;
  }
}

// The target changes SDA only here, while SCL is low.
void SimTarget::OnClockFall() {
  if (phase_ == Phase::Idle) return;
  switch (bit_) {
    case 8:  // data bits done: acknowledge, or let the master acknowledge
      if (phase_ == Phase::Read) {
        sdaHold_ = false;
      } else {
        sdaHold_ = ackPending_ && !options_.noAck;
        ackPending_ = false;
      }
      break;
    case 9:  // acknowledge clock done
      bit_ = 0;
      shift_ = 0;
      if (phase_ == Phase::ReadStart || (phase_ == Phase::Read && masterAcked_)) {
        phase_ = Phase::Read;
        out_ = NextReplyByte();
        sdaHold_ = (out_ & 0x80) == 0;
      } else {
        // after the master's NACK the line is left alone until START or STOP
        if (phase_ == Phase::Read) phase_ = Phase::Ignore;
        sdaHold_ = false;
      }
      break;
    default:  // 0..7
      if (phase_ == Phase::Read && bit_ > 0) sdaHold_ = ((out_ >> (7 - bit_)) & 1) == 0;
      break;
  }
  if (options_.stretchReads > 0 && bit_ == 4 && phase_ != Phase::Ignore) {
    stretching_ = true;
    stretchLeft_ = options_.stretchReads;
    sclHold_ = true;
  }
}

void SimTarget::ByteReceived(uint8_t value) {
  ackPending_ = false;
  if (phase_ == Phase::Write) {
    if (frame_.size() < kProgramFrameSize) {
      frame_.push_back(value);
      ackPending_ = true;
    } else {
      frameOverflow_ = true;  // longer than any frame: not acknowledged, not acted on
    }
    return;
  }
  if (phase_ != Phase::Address) return;

  // First byte after a START: a step of the ISP mode sequence, or an address.
  phase_ = Phase::Ignore;
  if (value == 0x04) {
    sequence_ = 1;
    ackPending_ = true;
    return;
  }
  if ((sequence_ == 1 && value == 0x34) || (sequence_ == 2 && value == 0x06)) {
    ++sequence_;
    ackPending_ = true;
    return;
  }
  if (sequence_ == 3 && (value == 0x36 || value == 0x3C)) {
    sequence_ = 4;
    pendingMode_ = value == 0x36 ? 1 : 2;
    ackPending_ = true;
    return;
  }
  sequence_ = 0;
  if (!inIsp_) return;  // outside ISP mode the target keeps quiet
  if (value == kWriteAddress) {
    phase_ = Phase::Write;
    frame_.assign(1, value);
    ackPending_ = true;
  } else if (value == kReadAddress) {
    // A target that does not acknowledge its read address has not been
    // addressed and sends nothing: the master reads all-ones.
    if (options_.noAck || Chance(options_.randomLose)) return;
    phase_ = Phase::ReadStart;
    replyPos_ = 0;
    ackPending_ = true;
  }
}

uint8_t SimTarget::NextReplyByte() {
  return replyPos_ < reply_.size() ? reply_[replyPos_++] : 0xFF;
}

bool SimTarget::Chance(double probability) {
  if (probability <= 0) return false;
  // Spelled out rather than through a distribution so that a seed gives the
  // same faults with every standard library.
  return random_() / 4294967296.0 < probability;
}

bool SimTarget::TakePageFault(std::vector<PageFault>& faults, int page) {
  for (auto& fault : faults) {
    if (fault.page == page && fault.times > 0) {
      --fault.times;
      return true;
    }
  }
  return false;
}

// A frame counts only when its length byte, keys and check byte are right.
void SimTarget::Execute() {
  const size_t n = frame_.size();
  if (frameOverflow_ || n < 4) return;
  uint8_t check = 0;
  for (size_t i = 0; i + 1 < n; ++i) check ^= frame_[i];
  if (check != frame_[n - 1]) return;
  const uint8_t length = frame_[1];
  const uint8_t code = frame_[2];
  const uint8_t* f = frame_.data();

  switch (code) {
    case kEraseCode: {
      if (n != 10 || length != 0x07 || !std::equal(std::begin(kEraseKeys), std::end(kEraseKeys), f + 3))
        return;
      std::fill(flash_.begin(), flash_.end(), 0xFF);
      SaveFlash(0, flash_.size());
      reply_.assign({0x00, options_.eraseReply ? kEraseCode : Accepted(kEraseCode), 0x00});
      StartBusy(options_.eraseMs);
      return;
    }
    case kProgramCode: {
      if (n != kProgramFrameSize || length != 0x00 ||
          !std::equal(std::begin(kProgramKeys), std::end(kProgramKeys), f + 4))
        return;
      const int page = f[3];
      if (TakePageFault(options_.programFail, page) || Chance(options_.randomIgnore)) return;
      if (page < pages_) {
        // NOR flash: programming can only clear bits
        uint8_t* dest = flash_.data() + static_cast<size_t>(page) * kSimPageSize;
        for (int i = 0; i < kSimPageSize; ++i) dest[i] &= f[10 + i];
        SaveFlash(static_cast<size_t>(page) * kSimPageSize, kSimPageSize);
      }
      const bool badReply = TakePageFault(options_.programReply, page);
      reply_.assign({0x00, badReply ? kProgramCode : Accepted(kProgramCode), 0x00});
      StartBusy(options_.pageMs);
      return;
    }
    case kByteWriteCode: {
      if (n != 7 || length != 0x04) return;
      const size_t address = static_cast<size_t>(f[3]) * kSimPageSize + f[4];
      if (address < flash_.size()) {
        flash_[address] &= f[5];
        SaveFlash(address, 1);
      }
      reply_.assign({0x00, Accepted(kByteWriteCode), 0x00});
      StartBusy(options_.byteMs);
      return;
    }
    case kSetupCode: {
      if (n != 7 || length != 0x04) return;
      setups_.push_back({f[3], f[4], f[5]});
      return;
    }
    case kSelectReadCode: {
      if (n != 5 || length != 0x02) return;
      const int page = f[3];
      reply_.assign(kSimPageSize + 3, 0xFF);
      reply_[0] = 0x00;
      reply_[1] = Accepted(kSelectReadCode);
      reply_[kSimPageSize + 2] = 0x00;
      uint8_t* data = reply_.data() + 2;
      if (page < pages_)
        std::copy_n(flash_.begin() + static_cast<ptrdiff_t>(page) * kSimPageSize, kSimPageSize, data);
      if (TakePageFault(options_.corruptRead, page)) data[0] ^= 0x01;
      if (Chance(options_.randomFlip)) {
        constexpr uint32_t kPageBits = kSimPageSize * 8;
        const auto bit = static_cast<uint32_t>(random_() % kPageBits);
        data[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
      }
      StartBusy(options_.readMs);
      return;
    }
    default:
      return;
  }
}

// ---- the busy handshake and clock stretching -------------------------------------

void SimTarget::StartBusy(int ms) {
  if (options_.noBusy) return;
  busy_ = true;
  busySeenLow_ = false;
  busyUntilUs_ = ms > 0 ? clock_.MonotonicUs() + int64_t{ms} * 1000 : 0;
  sclHold_ = true;
  trace_.Note("[busy]");
}

bool SimTarget::BeforeStatusRead() {
  if (stretching_ && stretchLeft_ <= 0) {
    stretching_ = false;
    sclHold_ = busy_;
    return true;
  }
  if (busy_ && busySeenLow_ && !options_.stuckBusy &&
      (busyUntilUs_ == 0 || clock_.MonotonicUs() >= busyUntilUs_)) {
    busy_ = false;
    sclHold_ = stretching_;
    return true;
  }
  return false;
}

void SimTarget::AfterStatusRead(bool sclLevel) {
  if (sclLevel) return;
  if (stretching_) --stretchLeft_;
  if (busy_) busySeenLow_ = true;
}

}  // namespace tq::sim
