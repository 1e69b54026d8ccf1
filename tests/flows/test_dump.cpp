// The buffer viewer's grid: rows, headers, widths and cell formats.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "flows/BufferDump.h"

namespace tq {
namespace {

std::unique_ptr<CodeBuffer> BufferOfPages(int pages) {
  auto buffer = std::make_unique<CodeBuffer>();
  buffer->pageCount = pages;
  for (size_t i = 0; i < buffer->bytes.size(); ++i) buffer->bytes[i] = static_cast<uint8_t>(i);
  return buffer;
}

struct SizeCase {
  int pages;
  int rows;
  std::string lastAddress;  // column 0 of the last row
};
void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.pages << " pages"; }

class DumpSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DumpSize, RowsHeadersAndLastAddress) {
  const SizeCase& c = GetParam();
  const auto buffer = BufferOfPages(c.pages);
  const BufferDump dump(*buffer);
  EXPECT_EQ(dump.RowCount(), c.rows);
  EXPECT_EQ(dump.CellText(c.rows - 1, 0), c.lastAddress);
  EXPECT_EQ(dump.CellText(c.rows, 0), "");  // nothing below the last row

  const std::vector<std::string> headers = {"",   "00", "01", "02", "03", "04", "05",
                                            "06", "07", "",   "08", "09", "0A", "0B",
                                            "0C", "0D", "0E", "0F", "ASCII"};
  for (int column = 0; column < BufferDump::kColumnCount; ++column)
    EXPECT_EQ(dump.CellText(0, column), headers[static_cast<size_t>(column)]) << column;
}

INSTANTIATE_TEST_SUITE_P(Pages, DumpSize,
                         ::testing::Values(SizeCase{0, 1, ""}, SizeCase{1, 33, "01F0"},
                                           SizeCase{256, 8193, "1FFF0"}));

TEST(BufferDump, ColumnWidths) {
  const std::vector<int> widths = {49, 25, 25, 25, 25, 25, 25, 25, 25, 7,
                                   25, 25, 25, 25, 25, 25, 25, 26, 141};
  for (int column = 0; column < BufferDump::kColumnCount; ++column)
    EXPECT_EQ(BufferDump::ColumnWidth(column), widths[static_cast<size_t>(column)]) << column;
}

TEST(BufferDump, ByteCellsAndCharacters) {
  struct Case {
    uint8_t value;
    const char* cell;
    char shown;
  };
  const std::vector<Case> cases = {{0x20, "20", ' '}, {0x7E, "7E", '~'}, {0x7F, "7F", '.'},
                                   {0xA0, "A0", '.'}, {0x00, "00", '.'}, {0xFF, "FF", '.'},
                                   {0x41, "41", 'A'}, {0x0A, "0A", '.'}, {0x80, "80", '.'}};
  auto buffer = BufferOfPages(1);
  // Row 2 (offset 0x10): the cases in order, then 0x30.. to fill the row.
  for (size_t i = 0; i < 16; ++i)
    buffer->bytes[0x10 + i] = i < cases.size() ? cases[i].value : static_cast<uint8_t>(0x30 + i);
  const BufferDump dump(*buffer);

  std::string chars;
  for (size_t i = 0; i < 16; ++i) {
    const int column = i < 8 ? static_cast<int>(i) + 1 : static_cast<int>(i) + 2;
    if (i < cases.size()) {
      EXPECT_EQ(dump.CellText(2, column), cases[i].cell) << i;
      chars += cases[i].shown;
    } else {
      chars += static_cast<char>(0x30 + i);
    }
  }
  EXPECT_EQ(dump.CellText(2, 0), "0010");
  EXPECT_EQ(dump.CellText(2, BufferDump::kSpacerColumn), "");
  EXPECT_EQ(dump.CellText(2, BufferDump::kCharColumn), chars);
  EXPECT_EQ(chars, " ~....A..9:;<=>?");
}

TEST(BufferDump, RowTextHoldsTheCellsInColumns) {
  auto buffer = BufferOfPages(129);
  const BufferDump dump(*buffer);
  EXPECT_EQ(dump.RowText(0),
            "       00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII");
  EXPECT_EQ(dump.RowText(5),
            "0040   40 41 42 43 44 45 46 47  48 49 4A 4B 4C 4D 4E 4F  @ABCDEFGHIJKLMNO");
  EXPECT_EQ(dump.RowText(dump.RowCount() - 1),
            "101F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  ................");

  // Up to 64 KB the addresses have four digits and the field is no wider.
  auto small = BufferOfPages(1);
  EXPECT_EQ(BufferDump(*small).RowText(1),
            "0000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ................");
}

TEST(BufferDump, IsASnapshotOfTheLoadedPart) {
  auto buffer = BufferOfPages(2);
  const BufferDump dump(*buffer);
  buffer->bytes[0] = 0xAB;
  buffer->pageCount = 3;
  EXPECT_EQ(dump.RowCount(), 65);
  EXPECT_EQ(dump.CellText(1, 1), "00");
}

}  // namespace
}  // namespace tq
