// HEX files written by real tools load into the same image their binary
// counterparts hold (tests/image/data/make-fixtures.sh makes both).
#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "image/ImageFiles.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/RecordingWindow.h"

namespace tq {
namespace {

struct Fixture {
  const char* hex;
  const char* bin;
  uint32_t offset;  // where the binary's first byte lands in flash
};

TEST(RealFiles, LoadLikeTheirBinaryImage) {
  const Fixture fixtures[] = {
      {"blink.ihx", "blink.bin", 0x0000},               // sdcc, records out of order
      {"payload-objcopy.hex", "payload.bin", 0x10000},  // objcopy, type 02, CR LF
      {"payload-srec.hex", "payload.bin", 0xF800},      // srec_cat, type 04 across 64K
  };
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.hex);
    const std::vector<uint8_t> image = test::ReadBytes(test::DataFile(f.bin));
    ASSERT_FALSE(image.empty());
    auto buffer = std::make_unique<CodeBuffer>();
    buffer->fileName = test::DataFile(f.hex);
    test::RecordingWindow win;
    uint8_t rc = 9;
    LoadIntelHex(*buffer, win, rc);

    ASSERT_EQ(rc, 0);
    EXPECT_TRUE(win.log.empty());
    const uint32_t end = f.offset + static_cast<uint32_t>(image.size());
    EXPECT_EQ(buffer->pageCount, static_cast<int32_t>((end + kPageSize - 1) / kPageSize));
    EXPECT_EQ(buffer->loadedBytes, static_cast<int32_t>(image.size()));
    EXPECT_EQ(buffer->checksum,
              static_cast<uint16_t>(std::accumulate(image.begin(), image.end(), 0u)));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), buffer->bytes.begin() + f.offset));
    EXPECT_TRUE(std::all_of(buffer->bytes.begin(), buffer->bytes.begin() + f.offset,
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(buffer->bytes.begin() + end, buffer->bytes.end(),
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(win.status[2], HexSizeText(buffer->pageCount));
  }
}

}  // namespace
}  // namespace tq
