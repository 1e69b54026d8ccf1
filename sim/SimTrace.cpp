#include <cstdio>

#include "sim/SimPort.h"

namespace tq::sim {

namespace {
const char kHex[] = "0123456789ABCDEF";
}

std::vector<std::string> SimTrace::Lines() const {
  std::vector<std::string> out(lines_.begin(), lines_.end());
  if (!line_.empty()) out.push_back(line_);
  return out;
}

std::vector<std::string> SimTrace::Frames() const {
  std::vector<std::string> out(frames_.begin(), frames_.end());
  if (frameOpen_ && !frame_.empty()) out.push_back(frame_);
  return out;
}

std::string SimTrace::Text() const {
  std::string text;
  for (const auto& line : Lines()) {
    text += line;
    text += '\n';
  }
  return text;
}

// Forgets what was recorded; a transaction on the wire right now goes on
// being decoded, so its line starts over without its beginning.
void SimTrace::Clear() {
  lines_.clear();
  frames_.clear();
  line_.clear();
  frame_.clear();
  dropped_ = 0;
}

void SimTrace::Token(const char* text, size_t size) {
  if (!line_.empty()) line_ += ' ';
  line_.append(text, size);
}

void SimTrace::EndFrame() {
  if (frameOpen_ && recording_) {
    frames_.push_back(frame_);
    if (frames_.size() > kMaxLines) frames_.pop_front();
  }
  frame_.clear();
  frameOpen_ = false;
}

void SimTrace::EndLine() {
  if (line_.empty()) return;
  if (sink_) sink_(line_);
  if (recording_) {
    lines_.push_back(std::move(line_));
    if (lines_.size() > kMaxLines) {
      lines_.pop_front();
      ++dropped_;
    }
  }
  line_.clear();
}

// A byte cut short by a START or STOP. A single clock is left out: the ISP
// mode sequence releases the clock once after each acknowledge before its
// repeated START, and that is no byte.
void SimTrace::FlushPartialByte() {
  if (bits_ <= 1 || !Active()) return;
  if (bits_ == 8) {
    const char text[2] = {kHex[shift_ >> 4], kHex[shift_ & 0xF]};
    Token(text, 2);
    if (!frame_.empty()) frame_ += ' ';
    frame_.append(text, 2);
  } else {
    char text[16];
    int n = std::snprintf(text, sizeof text, "[%d bits]", bits_);
    Token(text, static_cast<size_t>(n));
  }
}

void SimTrace::OnStart() {
  if (inTransaction_) {
    FlushPartialByte();
    if (Active()) Token("Sr", 2);
    EndFrame();
  } else if (Active()) {
    EndLine();  // a note left open by nothing; keeps lines apart
    Token("S", 1);
  }
  inTransaction_ = true;
  frameOpen_ = true;
  bits_ = 0;
  shift_ = 0;
}

void SimTrace::OnStop() {
  if (inTransaction_) {
    FlushPartialByte();
    EndFrame();
  }
  inTransaction_ = false;
  bits_ = 0;
  if (!Active()) return;
  Token("P", 1);
  EndLine();
}

void SimTrace::OnClockRise(bool sda) {
  if (!inTransaction_) return;
  if (bits_ < 8) {
    shift_ = static_cast<uint8_t>((shift_ << 1) | (sda ? 1 : 0));
    ++bits_;
    return;
  }
  // the ninth clock: the acknowledge bit as the master sees it
  bits_ = 0;
  if (!Active()) return;
  const char text[3] = {kHex[shift_ >> 4], kHex[shift_ & 0xF], sda ? '-' : '+'};
  Token(text, 3);
  if (!frame_.empty()) frame_ += ' ';
  frame_.append(text, 2);
}

void SimTrace::Note(const std::string& text) {
  if (!Active()) return;
  Token(text.data(), text.size());
  if (!inTransaction_) EndLine();
}

}  // namespace tq::sim
