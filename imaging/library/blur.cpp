// IS3BlurImage: a 3 x 3 binomial blur mixed with the original by strength.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/library/image_checks.h"
#include "imaging/library/imaging_library.h"

int32_t IS3BlurImage(const uint8_t *src, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t srcStride,
                     uint8_t *dst, int32_t dstStride, int32_t strength, int32_t channelMask) {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return 0;
    if (!ValidImage(src, width, height, bytesPerPixel, srcStride) ||
        !ValidImage(dst, width, height, bytesPerPixel, dstStride))
        return 0;
    const uint32_t s = uint32_t(std::clamp(strength, 0, 100));
    const size_t bpp = size_t(bytesPerPixel);
    try {
        // Work from a copy when the target overlaps the source.
        std::vector<uint8_t> copy;
        const uint8_t *in = src;
        int32_t inStride = srcStride;
        const uint8_t *srcEnd = src + RowOffset(height - 1, srcStride) + size_t(width) * bpp;
        const uint8_t *dstEnd = dst + RowOffset(height - 1, dstStride) + size_t(width) * bpp;
        if (dst < srcEnd && src < dstEnd) {
            inStride = int32_t(size_t(width) * bpp);
            copy.resize(size_t(inStride) * size_t(height));
            for (int32_t y = 0; y < height; ++y)
                std::memcpy(&copy[RowOffset(y, inStride)], src + RowOffset(y, srcStride), size_t(inStride));
            in = copy.data();
        }
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t *rows[3] = {in + RowOffset(std::max(y - 1, 0), inStride), in + RowOffset(y, inStride),
                                      in + RowOffset(std::min(y + 1, height - 1), inStride)};
            uint8_t *out = dst + RowOffset(y, dstStride);
            for (int32_t x = 0; x < width; ++x) {
                const size_t cols[3] = {size_t(std::max(x - 1, 0)) * bpp, size_t(x) * bpp,
                                        size_t(std::min(x + 1, width - 1)) * bpp};
                for (size_t c = 0; c < bpp; ++c) {
                    const uint32_t centre = rows[1][cols[1] + c];
                    if (!(channelMask & (1 << c))) {
                        out[size_t(x) * bpp + c] = uint8_t(centre);
                        continue;
                    }
                    // Weights 1 2 1 / 2 4 2 / 1 2 1: sum is 16 x the blurred value.
                    const uint32_t sum = rows[0][cols[0] + c] + 2 * rows[0][cols[1] + c] + rows[0][cols[2] + c] +
                                         2 * (rows[1][cols[0] + c] + 2 * centre + rows[1][cols[2] + c]) +
                                         rows[2][cols[0] + c] + 2 * rows[2][cols[1] + c] + rows[2][cols[2] + c];
                    // src + (sum / 16 - src) x s / 100, rounded.
                    out[size_t(x) * bpp + c] = uint8_t((centre * 16 * (100 - s) + sum * s + 800) / 1600);
                }
            }
        }
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}
