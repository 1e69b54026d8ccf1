// The buffer viewer's grid without its widgets: a snapshot of the loaded
// part of the code buffer, formatted one cell at a time so that a view can
// format only what it draws (a full buffer has 8192 rows), and as whole
// text lines for the terminal.
//
// Grid: row 0 holds the headers, column 0 the addresses; data row r shows
// the 16 bytes from offset 16 x (r - 1): columns 1..8 and 10..17 one byte
// each, column 9 an empty spacer, column 18 the bytes as characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/CodeBuffer.h"

namespace tq {

class BufferDump {
 public:
  static constexpr int kColumnCount = 19;
  static constexpr int kAddressColumn = 0;
  static constexpr int kSpacerColumn = 9;
  static constexpr int kCharColumn = 18;
  static constexpr int kRowsPerPage = kPageSize / 16;  // 32
  static constexpr int kRowHeight = 20;
  static constexpr const char* kCaption = "EditForm";

  // Takes the snapshot: the page count and bytes 0 .. 512 x P - 1.
  explicit BufferDump(const CodeBuffer& buffer);

  int PageCount() const { return pages_; }
  // 1 header row + 32 rows per page.
  int RowCount() const { return 1 + kRowsPerPage * pages_; }

  // The text of one cell; empty outside the grid.
  std::string CellText(int row, int column) const;

  // One row as a line of text: the address, the two groups of eight bytes
  // and the character column, exactly as the cells hold them, e.g.
  //   "0010  48 65 6C 6C 6F 00 FF 20  7E 7F A0 00 00 00 00 00  Hello.. ~......"
  // Row 0 gives the header line in the same columns. The address field is
  // as wide as the longest address of this dump, so the columns line up.
  std::string RowText(int row) const;

  static int ColumnWidth(int column);             // pixels
  static std::string HeaderText(int column);      // row 0
  static std::string AddressText(uint32_t offset);  // "0000", "1FFF0"
  static std::string ByteText(uint8_t value);     // "0A"
  static char CharOf(uint8_t value);              // itself for 0x20..0x7E, else '.'

 private:
  // Byte column (1..8, 10..17) -> index 0..15 within the row; -1 otherwise.
  static int ByteIndex(int column);

  int pages_ = 0;
  std::vector<uint8_t> bytes_;
  int addressWidth_ = 4;
};

}  // namespace tq
