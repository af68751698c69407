// The grey line codec of mask rows, on its own.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mask/mask.h"

namespace {

TEST(MaskLineCodec, OneValueIsOneRun) {
    const uint16_t v = 0x7F80;
    uint8_t out[4] = {};
    EXPECT_EQ(MaskRowCompress(&v, out, 1), 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 0x7F);
}

TEST(MaskLineCodec, RunsEndAtAChangeAndAt255) {
    std::vector<uint16_t> row(600, 0xFFFF);
    row[0] = 0x0001;  // high byte 0
    uint8_t out[16] = {};
    // 1 of 0x00, then 599 of 0xFF: 255 + 255 + 89.
    ASSERT_EQ(MaskRowCompress(row.data(), out, 600), 8);
    const uint8_t expected[8] = {1, 0x00, 255, 0xFF, 255, 0xFF, 89, 0xFF};
    EXPECT_EQ(std::memcmp(out, expected, 8), 0);
    std::vector<uint16_t> back(600, 5);
    MaskRowUncompress(out, back.data(), 600);
    EXPECT_EQ(back[0], 0);
    for (int i = 1; i < 600; ++i) ASSERT_EQ(back[i], 0xFF00);
}

TEST(MaskLineCodec, NullPointersAndEmptyRows) {
    uint16_t v = 1;
    uint8_t out[2] = {9, 9};
    EXPECT_EQ(MaskRowCompress(nullptr, out, 1), 0);
    EXPECT_EQ(MaskRowCompress(&v, nullptr, 1), 0);
    EXPECT_EQ(MaskRowCompress(&v, out, 0), 0);
    EXPECT_EQ(out[0], 9);
    MaskRowUncompress(nullptr, &v, 1);
    MaskRowUncompress(out, nullptr, 1);
    EXPECT_EQ(v, 1);
}

TEST(MaskLineCodec, DecodingStopsAtTheLongestStream) {
    // Two values: the encoder never writes more than 4 bytes, so the decoder
    // reads the first two runs only (both empty) and leaves the row.
    const uint8_t runs[8] = {0, 1, 0, 2, 5, 3, 5, 3};
    uint16_t row[2] = {7, 7};
    MaskRowUncompress(runs, row, 2);
    EXPECT_EQ(row[0], 7);
    EXPECT_EQ(row[1], 7);
}

}  // namespace
