#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "image/CodeBuffer.h"

namespace tq {
namespace {

std::unique_ptr<CodeBuffer> Fresh() {
  return std::make_unique<CodeBuffer>();
}

TEST(CodeBuffer, StartsEmptyWithZeroBytes) {
  auto b = Fresh();
  EXPECT_EQ(b->pageCount, 0);
  EXPECT_EQ(b->checksum, 0);
  EXPECT_EQ(b->loadedBytes, 0);
  EXPECT_FALSE(b->fileName.has_value());
  EXPECT_EQ(b->fileKind, 1);
  EXPECT_EQ(b->SumBytes(kBufferSize), 0);
  EXPECT_FALSE(b->IsBlankPage(0));  // 0x00, not blank, until a reader runs
}

struct ChecksumCase {
  const char* name;
  std::function<uint16_t(CodeBuffer&)> run;
  const char* shown;
};

uint16_t StoreFF(CodeBuffer& b, int n) {
  for (int i = 0; i < n; ++i) b.StoreDataByte(i, 0xFF);
  return b.checksum;
}

uint16_t BlankSum(CodeBuffer& b, size_t n) {
  b.FillBlank();
  return b.SumBytes(n);
}

uint16_t Fill(CodeBuffer& b, int storedZeros, int targetPages) {
  for (int i = 0; i < storedZeros; ++i) b.StoreDataByte(i, 0x00);
  b.AddFillChecksum(targetPages);
  return b.checksum;
}

TEST(CodeBuffer, Checksums) {
  // clang-format off
  const ChecksumCase cases[] = {
      {"257 x FF", [](CodeBuffer& b) { return StoreFF(b, 257); }, "FFFF"},
      {"258 x FF", [](CodeBuffer& b) { return StoreFF(b, 258); }, "00FE"},
      {"blank 128K", [](CodeBuffer& b) { return BlankSum(b, 131072); }, "0000"},
      {"blank 32K", [](CodeBuffer& b) { return BlankSum(b, 32768); }, "8000"},
      {"blank 60K", [](CodeBuffer& b) { return BlankSum(b, 61440); }, "1000"},
      {"blank 64K", [](CodeBuffer& b) { return BlankSum(b, 65536); }, "0000"},
      {"100 zeros filled to 120 pages", [](CodeBuffer& b) { return Fill(b, 100, 120); }, "AC64"},
      {"fill to 256 pages from nothing", [](CodeBuffer& b) { return Fill(b, 0, 256); }, "0000"},
      {"model size equal to loaded bytes", [](CodeBuffer& b) { return Fill(b, 1024, 2); }, "0000"},
      {"model smaller than loaded bytes",
       [](CodeBuffer& b) {
         b.StoreDataByte(0, 0x12);
         b.StoreDataByte(600, 0x34);
         b.AddFillChecksum(0);
         return b.checksum;
       },
       "0046"},
      {"same address twice counts twice",
       [](CodeBuffer& b) {
         b.StoreDataByte(5, 0x10);
         b.StoreDataByte(5, 0x20);
         EXPECT_EQ(b.bytes[5], 0x20);
         EXPECT_EQ(b.loadedBytes, 2);
         return b.checksum;
       },
       "0030"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Fresh();
    EXPECT_EQ(Hex4(c.run(*b)), c.shown);
  }
}

TEST(CodeBuffer, StoreDataByteAtTheEdgeOfTheBuffer) {
  auto b = Fresh();
  EXPECT_TRUE(b->StoreDataByte(0x1FFFF, 0x5A));
  EXPECT_EQ(b->bytes[0x1FFFF], 0x5A);
  EXPECT_EQ(b->pageCount, 256);
  EXPECT_EQ(b->checksum, 0x5A);
  EXPECT_EQ(b->loadedBytes, 1);

  const auto before = *b;
  for (uint32_t address : {0x20000u, 0x20001u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(b->StoreDataByte(address, 0x77)) << address;
    EXPECT_EQ(b->bytes, before.bytes);
    EXPECT_EQ(b->pageCount, 256);
    EXPECT_EQ(b->checksum, 0x5A);
    EXPECT_EQ(b->loadedBytes, 1);
  }
}

TEST(CodeBuffer, PageCountFollowsTheHighestPageInAnyOrder) {
  auto b = Fresh();
  b->StoreDataByte(0x0400, 1);  // page 2
  EXPECT_EQ(b->pageCount, 3);
  b->StoreDataByte(0x0000, 1);  // a lower page leaves it
  EXPECT_EQ(b->pageCount, 3);
  b->StoreDataByte(0x01FF, 1);
  EXPECT_EQ(b->pageCount, 3);
}

TEST(CodeBuffer, BlankPages) {
  auto b = Fresh();
  b->FillBlank();
  EXPECT_TRUE(b->IsBlankPage(0));
  EXPECT_TRUE(b->IsBlankPage(255));
  b->bytes[3 * kPageSize + kPageSize - 1] = 0xFE;
  EXPECT_FALSE(b->IsBlankPage(3));
  EXPECT_TRUE(b->IsBlankPage(4));
  EXPECT_EQ(b->pageCount, 0);  // FillBlank leaves the values alone
}

TEST(CodeBuffer, Hex4IsFourUpperCaseDigits) {
  EXPECT_EQ(Hex4(0x00FE), "00FE");
  EXPECT_EQ(Hex4(0xac64), "AC64");
  EXPECT_EQ(Hex4(0), "0000");
}

}  // namespace
}  // namespace tq
