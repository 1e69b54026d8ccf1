#include "flows/BufferDump.h"

#include <algorithm>
#include <cstdio>

namespace tq {

BufferDump::BufferDump(const CodeBuffer& buffer)
    : pages_(std::clamp<int32_t>(buffer.pageCount, 0, kPageCountMax)) {
  const size_t size = static_cast<size_t>(pages_) * kPageSize;
  bytes_.assign(buffer.bytes.begin(), buffer.bytes.begin() + static_cast<std::ptrdiff_t>(size));
  if (pages_ > 0) addressWidth_ = static_cast<int>(AddressText(uint32_t(size - 16)).size());
}

int BufferDump::ByteIndex(int column) {
  if (column >= 1 && column <= 8) return column - 1;
  if (column >= 10 && column <= 17) return column - 2;
  return -1;
}

int BufferDump::ColumnWidth(int column) {
  if (column == kAddressColumn) return 49;
  if (column == kSpacerColumn) return 7;
  if (column == 17) return 26;
  if (column == kCharColumn) return 141;
  if (ByteIndex(column) >= 0) return 25;
  return 0;
}

std::string BufferDump::HeaderText(int column) {
  if (column == kCharColumn) return "ASCII";
  const int index = ByteIndex(column);
  return index >= 0 ? ByteText(static_cast<uint8_t>(index)) : std::string();
}

std::string BufferDump::AddressText(uint32_t offset) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", offset);
  return text;
}

std::string BufferDump::ByteText(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

char BufferDump::CharOf(uint8_t value) {
  return value >= 0x20 && value <= 0x7E ? static_cast<char>(value) : '.';
}

std::string BufferDump::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kColumnCount) return {};
  if (row == 0) return HeaderText(column);
  const size_t first = static_cast<size_t>(row - 1) * 16;
  if (column == kAddressColumn) return AddressText(static_cast<uint32_t>(first));
  if (column == kCharColumn) {
    std::string chars(16, '.');
    for (size_t i = 0; i < 16; ++i) chars[i] = CharOf(bytes_[first + i]);
    return chars;
  }
  const int index = ByteIndex(column);
  return index >= 0 ? ByteText(bytes_[first + static_cast<size_t>(index)]) : std::string();
}

std::string BufferDump::RowText(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  std::string line = CellText(row, kAddressColumn);
  line.resize(static_cast<size_t>(addressWidth_), ' ');
  for (int column = 1; column <= 17; ++column) {
    if (column == kSpacerColumn) continue;
    line += column == 1 || column == 10 ? "  " : " ";
    line += CellText(row, column);
  }
  line += "  ";
  line += CellText(row, kCharColumn);
  return line;
}

}  // namespace tq
