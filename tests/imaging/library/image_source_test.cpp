// File sources, type guessing and the decoders: round trips through every
// codec, alpha, orientation, and clean failure on malformed input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "imaging/library/codecs.h"
#include "imaging/library/imaging_library.h"
#include "test_images.h"

namespace {

// Decodes bytes through a memory source as the engine reads a file.
struct Decoded {
    uint8_t *pixels = nullptr;
    int32_t w = 0, h = 0;
    ~Decoded() { GlobalFree(pixels); }
};

void ReadBytes(const Bytes &file, Decoded &d) {
    HISSRC s = IS3OpenMemorySource(file.data(), uint32_t(file.size()));
    ASSERT_NE(s, nullptr);
    d.pixels = IS3ReadImageToRGBA(s, &d.w, &d.h);
    EXPECT_EQ(IS3CloseSource(s), 1);
}

void ExpectPixels(const Decoded &d, const Bytes &expected, int w, int h, int tolerance = 0, bool alpha = true) {
    ASSERT_NE(d.pixels, nullptr);
    ASSERT_EQ(d.w, w);
    ASSERT_EQ(d.h, h);
    for (size_t i = 0; i < size_t(w) * h * 4; ++i) {
        if (!alpha && i % 4 == 3) {
            ASSERT_EQ(d.pixels[i], 255) << "pixel " << i / 4;
            continue;
        }
        ASSERT_NEAR(d.pixels[i], expected[i], tolerance) << "pixel " << i / 4 << " channel " << i % 4;
    }
}

TEST(ImagingSource, OpenFailsOnMissingFileAndNullPath) {
    EXPECT_EQ(IS3OpenFileSource(nullptr), nullptr);
    EXPECT_EQ(IS3OpenFileSource("/nonexistent/dir/file.png"), nullptr);
    EXPECT_EQ(IS3CloseSource(nullptr), 0);
    EXPECT_EQ(IS3GuessFileType(nullptr), 0);
    EXPECT_EQ(IS3Seek(nullptr, 0, 0), 0);
    int32_t w = 0, h = 0;
    EXPECT_EQ(IS3ReadImageToRGBA(nullptr, &w, &h), nullptr);
}

TEST(ImagingSource, ReadsAFileFromDisk) {
    const Bytes rgba = PatternRGBA(7, 5);
    const Bytes png = WritePNG(rgba, 7, 5);
    const std::string path = TempPath("disk.png");
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
    HISSRC s = IS3OpenFileSource(path.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(IS3GuessFileType(s), kISFilePNG);
    EXPECT_EQ(IS3Seek(s, 0, 0), 1);
    Decoded d;
    d.pixels = IS3ReadImageToRGBA(s, &d.w, &d.h);
    IS3CloseSource(s);
    std::remove(path.c_str());
    ExpectPixels(d, rgba, 7, 5);
}

TEST(ImagingSource, SeekMovesTheReadPosition) {
    // An image behind 10 bytes of something else reads once the source is
    // moved to it.
    const Bytes rgba = PatternRGBA(3, 2);
    Bytes file(10, 0xAB);
    const Bytes png = WritePNG(rgba, 3, 2);
    file.insert(file.end(), png.begin(), png.end());
    HISSRC s = IS3OpenMemorySource(file.data(), uint32_t(file.size()));
    EXPECT_EQ(IS3GuessFileType(s), kISFileUnknown);
    int32_t w = 0, h = 0;
    EXPECT_EQ(IS3ReadImageToRGBA(s, &w, &h), nullptr);
    EXPECT_EQ(IS3Seek(s, 10, 0), 1);
    EXPECT_EQ(IS3GuessFileType(s), kISFilePNG);
    EXPECT_EQ(IS3Seek(s, -4, 1), 1);
    EXPECT_EQ(IS3Seek(s, 4, 1), 1);
    EXPECT_EQ(IS3Seek(s, 1, 2), 0);   // past the end
    EXPECT_EQ(IS3Seek(s, -1, 0), 0);  // before the start
    EXPECT_EQ(IS3Seek(s, 0, 3), 0);   // unknown origin
    Decoded d;
    d.pixels = IS3ReadImageToRGBA(s, &d.w, &d.h);
    ExpectPixels(d, rgba, 3, 2);
    EXPECT_EQ(IS3Seek(s, -int32_t(file.size()), 2), 1);
    EXPECT_EQ(IS3GuessFileType(s), kISFileUnknown);
    IS3CloseSource(s);
}

TEST(ImagingSource, ReadImageGivesRGBAOrRGB) {
    const Bytes rgba = PatternRGBA(5, 3);
    const Bytes png = WritePNG(rgba, 5, 3);
    HISSRC s = IS3OpenMemorySource(png.data(), uint32_t(png.size()));
    Decoded a, b;
    a.pixels = IS40_ReadImage(s, &a.w, &a.h, 1, 0);
    ExpectPixels(a, rgba, 5, 3);
    b.pixels = IS40_ReadImage(s, &b.w, &b.h, 0, 0);
    ASSERT_NE(b.pixels, nullptr);
    for (size_t i = 0; i < 15; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(b.pixels[3 * i + c], rgba[4 * i + c]);
    IS3CloseSource(s);
}

TEST(ImagingSource, GuessesTypesBySignature) {
    struct Case {
        const char *name;
        Bytes bytes;
        int32_t type;
    };
    const Bytes rgba = PatternRGBA(4, 4);
    Bytes emf(44, 0);
    emf[0] = 1;
    std::memcpy(&emf[40], " EMF", 4);
    Bytes pcx(128, 0);
    pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1;
    const Case cases[] = {
        {"png", WritePNG(rgba, 4, 4), kISFilePNG},
        {"jpeg", WriteJPEG(rgba, 4, 4, false), kISFileJPEG},
        {"gif", WriteGIF(4, 4, false, false), kISFileGIF},
        {"tiff", WriteTIFF(rgba, 4, 4, false), kISFileTIFF},
        {"webp", WriteWebPLossless(rgba, 4, 4), kISFileWebP},
        {"bmp", MakeBMP(1, 1, 24, 0, {}, {1, 2, 3, 0}), kISFileBMP},
        {"tga", MakeTGAHeader(2, 0, 0, 0, 1, 1, 24, 0), kISFileTGA},
        {"psd", {'8', 'B', 'P', 'S', 0, 1}, kISFilePSD},
        {"placeable wmf", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0}, kISFileWMF},
        {"emf", emf, kISFileEMF},
        {"pcx", pcx, kISFilePCX},
        {"text", {'h', 'e', 'l', 'l', 'o'}, kISFileUnknown},
    };
    for (const Case &c : cases) {
        HISSRC s = IS3OpenMemorySource(c.bytes.data(), uint32_t(c.bytes.size()));
        EXPECT_EQ(IS3GuessFileType(s), c.type) << c.name;
        IS3CloseSource(s);
    }
}

TEST(ImagingCodecs, PngRoundTripsRGBAGreyAndGreyAlpha) {
    const Bytes rgba = PatternRGBA(9, 6);
    Decoded d;
    ReadBytes(WritePNG(rgba, 9, 6), d);
    ExpectPixels(d, rgba, 9, 6);

    // Grey: r = g = b = the stored grey (here the red of the pattern), alpha 255.
    Bytes grey = rgba;
    for (size_t i = 0; i < grey.size(); i += 4) grey[i + 1] = grey[i + 2] = grey[i], grey[i + 3] = 255;
    Decoded g;
    ReadBytes(WritePNG(rgba, 9, 6, PNG_FORMAT_GRAY), g);
    ExpectPixels(g, grey, 9, 6);

    Bytes greyAlpha = grey;
    for (size_t i = 0; i < grey.size(); i += 4) greyAlpha[i + 3] = rgba[i + 3];
    Decoded ga;
    ReadBytes(WritePNG(rgba, 9, 6, PNG_FORMAT_GA), ga);
    ExpectPixels(ga, greyAlpha, 9, 6);
}

TEST(ImagingCodecs, JpegRoundTripsFlatColoursAndGrey) {
    // 16 x 16 in four flat 8 x 8 blocks: quality 100 without subsampling
    // keeps flat blocks within a step or two.
    Bytes rgba(16 * 16 * 4);
    const uint8_t colours[4][3] = {{200, 30, 40}, {10, 220, 90}, {60, 70, 250}, {128, 128, 128}};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t *c = colours[(y / 8) * 2 + x / 8];
            uint8_t *p = &rgba[(y * 16 + x) * 4];
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    Decoded d;
    ReadBytes(WriteJPEG(rgba, 16, 16, false), d);
    ExpectPixels(d, rgba, 16, 16, 2);

    Bytes grey = rgba;
    for (size_t i = 0; i < grey.size(); i += 4) grey[i + 1] = grey[i + 2] = grey[i];
    Decoded g;
    ReadBytes(WriteJPEG(rgba, 16, 16, true), g);
    ExpectPixels(g, grey, 16, 16, 2);
}

TEST(ImagingCodecs, TiffRoundTripsStraightAndPremultipliedAlpha) {
    const Bytes rgba = PatternRGBA(6, 5);
    Decoded d;
    ReadBytes(WriteTIFF(rgba, 6, 5, false), d);
    ExpectPixels(d, rgba, 6, 5);
    Decoded lzw;
    ReadBytes(WriteTIFF(rgba, 6, 5, false, COMPRESSION_LZW), lzw);
    ExpectPixels(lzw, rgba, 6, 5);

    // Premultiplied data: opaque and clear pixels come back exactly, a half
    // transparent (200, 100, 0) at alpha 128 stored as (100, 50, 0) comes
    // back as round(100 x 255 / 128) = 199, round(50 x 255 / 128) = 100.
    Bytes pre = {255, 10, 20, 255, 0, 0, 0, 0, 100, 50, 0, 128, 1, 2, 3, 255};
    Decoded a;
    ReadBytes(WriteTIFF(pre, 2, 2, true), a);
    const Bytes expected = {255, 10, 20, 255, 0, 0, 0, 0, 199, 100, 0, 128, 1, 2, 3, 255};
    ExpectPixels(a, expected, 2, 2);
}

TEST(ImagingCodecs, GifReadsFirstFrameWithTransparency) {
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    for (bool interlace : {false, true}) {
        Bytes expected(11 * 9 * 4);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x) {
                const int i = (x + y) % 4;
                uint8_t *p = &expected[(y * 11 + x) * 4];
                p[0] = colours[i][0], p[1] = colours[i][1], p[2] = colours[i][2], p[3] = i == 3 ? 0 : 255;
            }
        Decoded d;
        ReadBytes(WriteGIF(11, 9, true, interlace), d);
        ExpectPixels(d, expected, 11, 9);
    }
}

TEST(ImagingCodecs, WebPLosslessRoundTrips) {
    const Bytes rgba = PatternRGBA(8, 7);
    Decoded d;
    ReadBytes(WriteWebPLossless(rgba, 8, 7), d);
    ExpectPixels(d, rgba, 8, 7);
}

// BMP pixel data for a 3 x 2 image of palette indices, rows padded to 4.
TEST(ImagingCodecs, BmpPaletteBottomUpAndTopDown) {
    const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
    const Bytes rows = {0, 1, 2, 0, 2, 2, 1, 0};                       // file row 0 then file row 1
    // Bottom-up: file row 0 is the bottom row.
    const Bytes bottomUp = {0,   0, 255, 255, 0, 0,   255, 255, 0, 255, 0,   255,
                            255, 0, 0,   255, 0, 255, 0,   255, 0, 0,   255, 255};
    Decoded a;
    ReadBytes(MakeBMP(3, 2, 8, 0, palette, rows), a);
    ExpectPixels(a, bottomUp, 3, 2);
    // Top-down (negative height): file row 0 is the top row.
    const Bytes topDown = {255, 0, 0,   255, 0, 255, 0,   255, 0, 0,   255, 255,
                           0,   0, 255, 255, 0, 0,   255, 255, 0, 255, 0,   255};
    Decoded b;
    ReadBytes(MakeBMP(3, -2, 8, 0, palette, rows), b);
    ExpectPixels(b, topDown, 3, 2);
}

TEST(ImagingCodecs, Bmp32BitAlphaAndUnusedFourthByte) {
    // BGRA bytes, one row of two pixels.
    const Bytes px = {10, 20, 30, 128, 40, 50, 60, 0};
    Decoded a;
    ReadBytes(MakeBMP(2, 1, 32, 0, {}, px), a);
    ExpectPixels(a, {30, 20, 10, 128, 60, 50, 40, 0}, 2, 1);
    // All fourth bytes 0: an RGB image written with an unused byte.
    const Bytes px0 = {10, 20, 30, 0, 40, 50, 60, 0};
    Decoded b;
    ReadBytes(MakeBMP(2, 1, 32, 0, {}, px0), b);
    ExpectPixels(b, {30, 20, 10, 255, 60, 50, 40, 255}, 2, 1);
    // Bit fields in a 108-byte header, alpha in the top byte, top-down.
    const uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    Decoded c;
    ReadBytes(MakeBMP(1, -2, 32, 3, {}, {1, 2, 3, 4, 5, 6, 7, 8}, masks), c);
    ExpectPixels(c, {3, 2, 1, 4, 7, 6, 5, 8}, 1, 2);
}

TEST(ImagingCodecs, Bmp24And16BitAndRle8) {
    // 24-bit, 1 x 2 bottom-up: each row is 3 bytes padded to 4.
    Decoded a;
    ReadBytes(MakeBMP(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), a);
    ExpectPixels(a, {6, 5, 4, 255, 3, 2, 1, 255}, 1, 2);
    // 16-bit 555: 0x7C00 is full red, 0x03E0 full green, 0x0010 blue 16 ->
    // (16 x 255 + 15) / 31 = 132.
    Decoded b;
    ReadBytes(MakeBMP(3, 1, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03, 0x10, 0x00, 0, 0}), b);
    ExpectPixels(b, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 132, 255}, 3, 1);
    // RLE8 4 x 2: the bottom row is a run of three index 1 and one index 0,
    // then end of line and end of bitmap; the top row is never written.
    const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0};
    const Bytes rle = {3, 1, 1, 0, 0, 0, 0, 1};
    Decoded c;
    ReadBytes(MakeBMP(4, 2, 8, 1, palette, rle), c);
    const Bytes expected = {0, 0,   0, 0,   0, 0,   0, 0,   0, 0,   0, 0,   0,   0, 0, 0,  // top row untouched: clear
                            0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255};
    ExpectPixels(c, expected, 4, 2);
}

TEST(ImagingCodecs, TgaTrueColourColourMappedGreyAndRle) {
    // 32-bit bottom-up, 2 x 2, BGRA.
    Bytes t = MakeTGAHeader(2, 0, 0, 0, 2, 2, 32, 8);
    const Bytes px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    t.insert(t.end(), px.begin(), px.end());
    Decoded a;
    ReadBytes(t, a);
    ExpectPixels(a, {11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8}, 2, 2);

    // RLE 24-bit top-down 3 x 1: a run of 2 then one raw pixel.
    Bytes r = MakeTGAHeader(10, 0, 0, 0, 3, 1, 24, 0x20);
    const Bytes packets = {0x81, 1, 2, 3, 0x00, 4, 5, 6};
    r.insert(r.end(), packets.begin(), packets.end());
    Decoded b;
    ReadBytes(r, b);
    ExpectPixels(b, {3, 2, 1, 255, 3, 2, 1, 255, 6, 5, 4, 255}, 3, 1);

    // Colour-mapped with 24-bit entries, top-down 2 x 1.
    Bytes m = MakeTGAHeader(1, 1, 2, 24, 2, 1, 8, 0x20);
    const Bytes map = {0, 0, 255, 255, 0, 0, 1, 0};
    m.insert(m.end(), map.begin(), map.end());
    Decoded c;
    ReadBytes(m, c);
    ExpectPixels(c, {0, 0, 255, 255, 255, 0, 0, 255}, 2, 1);

    // Grey with alpha (16 bits), top-down right-to-left 2 x 1.
    Bytes g = MakeTGAHeader(3, 0, 0, 0, 2, 1, 16, 0x38);
    const Bytes gp = {50, 60, 70, 80};
    g.insert(g.end(), gp.begin(), gp.end());
    Decoded d;
    ReadBytes(g, d);
    ExpectPixels(d, {70, 70, 70, 80, 50, 50, 50, 60}, 2, 1);
}

// Every prefix of every valid file, and a few corruptions, fail cleanly
// (under the sanitizer build this also shows nothing leaks or overruns).
TEST(ImagingCodecs, TruncatedFilesFail) {
    const Bytes rgba = PatternRGBA(12, 10);
    struct Case {
        const char *name;
        Bytes bytes;
    };
    Bytes bmp = MakeBMP(12, 10, 32, 0, {}, Bytes(12 * 10 * 4, 7));
    Bytes tga = MakeTGAHeader(2, 0, 0, 0, 12, 10, 32, 8);
    tga.insert(tga.end(), rgba.begin(), rgba.end());
    const Case cases[] = {
        {"png", WritePNG(rgba, 12, 10)},
        {"jpeg", WriteJPEG(rgba, 12, 10, false, 90)},
        {"gif", WriteGIF(12, 10, false, false)},
        {"tiff", WriteTIFF(rgba, 12, 10, false)},
        {"webp", WriteWebPLossless(rgba, 12, 10)},
        {"bmp", bmp},
        {"tga", tga},
    };
    for (const Case &c : cases) {
        // The full file reads.
        {
            int32_t w = 0, h = 0;
            uint8_t *p = DecodeImage(c.bytes.data(), c.bytes.size(), &w, &h);
            EXPECT_NE(p, nullptr) << c.name;
            GlobalFree(p);
        }
        const size_t step = c.bytes.size() > 400 ? 7 : 1;
        for (size_t n = 0; n < c.bytes.size() * 3 / 4; n += step) {
            int32_t w = -1, h = -1;
            // A fresh heap copy so reads past n show up under the sanitizer.
            uint8_t *copy = static_cast<uint8_t *>(std::malloc(n ? n : 1));
            std::memcpy(copy, c.bytes.data(), n);
            uint8_t *p = DecodeImage(copy, n, &w, &h);
            std::free(copy);
            EXPECT_EQ(p, nullptr) << c.name << " cut at " << n;
            EXPECT_EQ(w, -1);
            GlobalFree(p);
        }
    }
}

TEST(ImagingCodecs, HugeClaimedSizesFailBeforeAllocating) {
    // A BMP header claiming 100000 x 100000 pixels with 4 bytes of data.
    Decoded a;
    ReadBytes(MakeBMP(100000, 100000, 32, 0, {}, {1, 2, 3, 4}), a);
    EXPECT_EQ(a.pixels, nullptr);
    // The pixel limit applies to every decoder.
    const int64_t old = ImageReadPixelLimit();
    SetImageReadPixelLimit(100);
    Decoded b;
    ReadBytes(WritePNG(PatternRGBA(11, 10), 11, 10), b);
    EXPECT_EQ(b.pixels, nullptr);
    Decoded c;
    ReadBytes(WritePNG(PatternRGBA(10, 10), 10, 10), c);
    EXPECT_NE(c.pixels, nullptr);
    SetImageReadPixelLimit(old);
}

TEST(ImagingCodecs, CorruptedBodiesFailOrDecodeWithoutOverrun) {
    // Flipping bytes inside valid files must never crash; results may be
    // either a decoded image of the stated size or a failure.
    const Bytes rgba = PatternRGBA(12, 10);
    const Bytes files[] = {WritePNG(rgba, 12, 10), WriteJPEG(rgba, 12, 10, false, 90), WriteGIF(12, 10, true, true),
                           WriteTIFF(rgba, 12, 10, false), WriteWebPLossless(rgba, 12, 10)};
    for (const Bytes &f : files) {
        for (size_t i = 0; i < f.size(); i += 3) {
            Bytes b = f;
            b[i] ^= 0x5A;
            int32_t w = 0, h = 0;
            uint8_t *p = DecodeImage(b.data(), b.size(), &w, &h);
            if (p != nullptr) {
                EXPECT_GT(int64_t(w) * h, 0);
            }
            GlobalFree(p);
        }
    }
}

}  // namespace
