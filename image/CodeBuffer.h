// The one in-memory flash image: 256 pages of 512 bytes and the values that
// travel with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tq {

constexpr int kPageSize = 512;
constexpr int kPageCountMax = 256;
constexpr int kBufferSize = kPageSize * kPageCountMax;  // 131072

struct CodeBuffer {
  std::array<uint8_t, kBufferSize> bytes{};  // 0x00 at start; blank is 0xFF
  int32_t pageCount = 0;                     // 0..256, 0 means empty
  uint16_t checksum = 0;                     // the image checksum, wrapping
  int32_t loadedBytes = 0;                   // bytes the last HEX read stored
  std::optional<std::string> fileName;       // none until the first load
  uint8_t fileKind = 1;                      // 1 Intel HEX, 2 bank set, 3 binary

  void FillBlank();
  // false (and nothing changed) when the address lies beyond the buffer
  bool StoreDataByte(uint32_t address, uint8_t value);
  uint16_t SumBytes(size_t n) const;
  bool IsBlankPage(int page) const;
  void AddFillChecksum(int targetPages);

  uint8_t* Page(int page) { return bytes.data() + static_cast<size_t>(page) * kPageSize; }
  const uint8_t* Page(int page) const {
    return bytes.data() + static_cast<size_t>(page) * kPageSize;
  }
};

// A checksum as the user sees it: four upper-case hexadecimal digits.
std::string Hex4(uint16_t value);

}  // namespace tq
