#include "image/CodeBuffer.h"

#include <algorithm>
#include <cstdio>

namespace tq {

void CodeBuffer::FillBlank() {
  bytes.fill(0xFF);
}

bool CodeBuffer::StoreDataByte(uint32_t address, uint8_t value) {
  const uint32_t page = address >> 9;
  if (page >= static_cast<uint32_t>(kPageCountMax)) return false;
  bytes[address] = value;
  if (pageCount < static_cast<int32_t>(page) + 1) pageCount = static_cast<int32_t>(page) + 1;
  checksum = static_cast<uint16_t>(checksum + value);
  ++loadedBytes;
  return true;
}

uint16_t CodeBuffer::SumBytes(size_t n) const {
  n = std::min(n, bytes.size());
  uint32_t sum = 0;  // 131072 × 255 still fits; the wrap happens once at the end
  for (size_t i = 0; i < n; ++i) sum += bytes[i];
  return static_cast<uint16_t>(sum);
}

bool CodeBuffer::IsBlankPage(int page) const {
  if (page < 0 || page >= kPageCountMax) return false;
  const uint8_t* p = Page(page);
  return std::all_of(p, p + kPageSize, [](uint8_t b) { return b == 0xFF; });
}

void CodeBuffer::AddFillChecksum(int targetPages) {
  const int64_t target = int64_t{targetPages} * kPageSize;
  if (loadedBytes < target) {
    const uint64_t fill = 0xFFu * static_cast<uint64_t>(target - loadedBytes);
    checksum = static_cast<uint16_t>(checksum + fill);
  }
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace tq
