// Whole-buffer zlib compression of layer blocks.
#include "imaging/library/zlib_buffers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Sample(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i / 7) * 31 + (i % 3));
    return v;
}

TEST(ZlibBuffersTest, RoundTripAtEveryLevel) {
    const auto src = Sample(10000);
    for (int level : {-1, 0, 1, 6, 9, 42}) {
        std::vector<uint8_t> packed(src.size() + 1024);
        const int n = IS3ZDeflateBuffer(src.data(), static_cast<int>(src.size()), packed.data(),
                                        static_cast<int>(packed.size()), level);
        ASSERT_GT(n, 0) << level;
        std::vector<uint8_t> back(src.size());
        EXPECT_EQ(IS3ZInflateBuffer(packed.data(), n, back.data(), static_cast<int>(back.size()), 0),
                  static_cast<int>(src.size()))
            << level;
        EXPECT_EQ(back, src) << level;
    }
}

TEST(ZlibBuffersTest, Failures) {
    const auto src = Sample(4096);
    std::vector<uint8_t> packed(8192);
    EXPECT_EQ(IS3ZDeflateBuffer(src.data(), 4096, packed.data(), 8, 6), 0);  // no room
    EXPECT_EQ(IS3ZDeflateBuffer(nullptr, 4096, packed.data(), 8192, 6), 0);
    EXPECT_EQ(IS3ZDeflateBuffer(src.data(), -1, packed.data(), 8192, 6), 0);
    const int n = IS3ZDeflateBuffer(src.data(), 4096, packed.data(), 8192, 6);
    ASSERT_GT(n, 0);
    std::vector<uint8_t> back(4096);
    EXPECT_EQ(IS3ZInflateBuffer(packed.data(), n - 1, back.data(), 4096, 0), 0);  // truncated
    EXPECT_EQ(IS3ZInflateBuffer(packed.data(), n, back.data(), 4095, 0), 0);      // output too large
    EXPECT_EQ(IS3ZInflateBuffer(packed.data(), n, nullptr, 4096, 0), 0);
    std::vector<uint8_t> junk(100, 0xAB);
    EXPECT_EQ(IS3ZInflateBuffer(junk.data(), 100, back.data(), 4096, 0), 0);
    // a stream shorter than the buffer restores its own length
    EXPECT_EQ(IS3ZInflateBuffer(packed.data(), n, back.data(), 5000, 0), 4096);
}

}  // namespace
