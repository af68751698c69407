// Image-script library: format, header, effects and call sequence.
#include "imaging/library/isl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string WriteTempScript(const std::string &text) {
    char path[] = "/tmp/tsy_isl_XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    return path;
}

class IslTest : public ::testing::Test {
protected:
    void TearDown() override {
        ISL_Finish();
        for (const std::string &p : files_) std::remove(p.c_str());
    }
    std::string Script(const std::string &text) {
        files_.push_back(WriteTempScript(text));
        return files_.back();
    }
    // Renders a script file the way the engine does; empty on failure.
    static std::vector<uint8_t> Render(const std::string &path, int *w = nullptr, int *h = nullptr) {
        std::vector<uint8_t> image;
        if (!ISL_Initialize()) return image;
        if (ISL_LoadScriptFromFile(path.c_str())) {
            ISL_InitBuffers();
            uint8_t header[kISLHeaderSize];
            if (ISL_ReadScriptHeaderFromFile(path.c_str(), header)) {
                int32_t width, height;
                std::memcpy(&width, header + 16, 4);
                std::memcpy(&height, header + 20, 4);
                image.assign(static_cast<size_t>(width) * height * 4, 0xCD);
                ISL_ExecuteScript(image.data());
                if (w) *w = width;
                if (h) *h = height;
            }
        }
        ISL_Finish();
        return image;
    }
    std::vector<std::string> files_;
};

TEST_F(IslTest, HeaderHoldsSizeAtBytes16And20) {
    const std::string path = Script("# comment\nisl 1\n\nsize 37 21   # trailing comment\neffect 1 Fill\n 3 = 10\n");
    ASSERT_EQ(ISL_Initialize(), 1);
    uint8_t header[kISLHeaderSize];
    std::memset(header, 0xEE, sizeof(header));
    ASSERT_EQ(ISL_ReadScriptHeaderFromFile(path.c_str(), header), 1);
    int32_t w, h, count;
    std::memcpy(&w, header + 16, 4);
    std::memcpy(&h, header + 20, 4);
    std::memcpy(&count, header + 12, 4);
    EXPECT_EQ(std::memcmp(header, "ISLSCRPT", 8), 0);
    EXPECT_EQ(w, 37);
    EXPECT_EQ(h, 21);
    EXPECT_EQ(count, 1);
}

TEST_F(IslTest, FillRendersBlueGreenRedAlpha) {
    int w = 0, h = 0;
    const std::vector<uint8_t> img =
        Render(Script("isl 1\nsize 3 2\neffect 1\n3 = 10\n4 = 20\n5 = 30\n6 = 40\n"), &w, &h);
    ASSERT_EQ(img.size(), 3u * 2 * 4);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(img[4 * i + 0], 30);  // blue
        EXPECT_EQ(img[4 * i + 1], 20);  // green
        EXPECT_EQ(img[4 * i + 2], 10);  // red
        EXPECT_EQ(img[4 * i + 3], 40);
    }
}

TEST_F(IslTest, ScriptWithoutEffectsIsBlank) {
    const std::vector<uint8_t> img = Render(Script("isl 1\nsize 4 4\n"));
    ASSERT_EQ(img.size(), 64u);
    for (uint8_t b : img) EXPECT_EQ(b, 0);  // the buffer's old bytes are cleared
}

struct BadScript {
    const char *name;
    const char *text;
};

class IslBadScriptTest : public IslTest, public ::testing::WithParamInterface<BadScript> {};

TEST_P(IslBadScriptTest, LoadFails) {
    const std::string path = Script(GetParam().text);
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_LoadScriptFromFile(path.c_str()), 0);
    uint8_t header[kISLHeaderSize];
    EXPECT_EQ(ISL_ReadScriptHeaderFromFile(path.c_str(), header), 0);
    EXPECT_EQ(ISL_InitBuffers(), 0);
    uint8_t px[4];
    EXPECT_EQ(ISL_ExecuteScript(px), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, IslBadScriptTest,
                         ::testing::Values(BadScript{"Empty", ""}, BadScript{"NoTag", "size 4 4\n"},
                                           BadScript{"WrongVersion", "isl 2\nsize 4 4\n"},
                                           BadScript{"NoSize", "isl 1\neffect 1\n"},
                                           BadScript{"TwoSizes", "isl 1\nsize 4 4\nsize 5 5\n"},
                                           BadScript{"ZeroSize", "isl 1\nsize 0 4\n"},
                                           BadScript{"HugeSize", "isl 1\nsize 10001 4\n"},
                                           BadScript{"UnknownEffect", "isl 1\nsize 4 4\neffect 999\n"},
                                           BadScript{"ParamBeforeEffect", "isl 1\nsize 4 4\n3 = 4\n"},
                                           BadScript{"ParamOutOfRange", "isl 1\nsize 4 4\neffect 1\n16 = 4\n"},
                                           BadScript{"BadNumber", "isl 1\nsize 4 4\neffect 1\n3 = 4x\n"},
                                           BadScript{"MissingEquals", "isl 1\nsize 4 4\neffect 1\n3 4\n"},
                                           BadScript{"UnknownWord", "isl 1\nsize 4 4\ncolour red\n"}),
                         [](const ::testing::TestParamInfo<BadScript> &info) { return std::string(info.param.name); });

TEST_F(IslTest, MissingFileAndUninitialisedCallsFail) {
    uint8_t header[kISLHeaderSize];
    uint8_t px[16] = {};
    EXPECT_EQ(ISL_LoadScriptFromFile("/nonexistent.isl"), 0);  // not initialised
    EXPECT_EQ(ISL_AddEffect(51, 1), 0);
    EXPECT_EQ(ISL_ExecuteScriptOnImage(px, 2, 2), 0);
    EXPECT_EQ(ISL_Finish(), 0);
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_LoadScriptFromFile("/nonexistent.isl"), 0);
    EXPECT_EQ(ISL_LoadScriptFromFile(nullptr), 0);
    EXPECT_EQ(ISL_ReadScriptHeaderFromFile("/nonexistent.isl", header), 0);
    EXPECT_EQ(ISL_ExecuteScriptOnImage(px, 2, 2), 0);  // no effect added
}

TEST_F(IslTest, AddEffectKnowsOnlyItsEffects) {
    ASSERT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_AddEffect(999, 1), 0);
    EXPECT_EQ(ISL_AddEffect(-1, 1), 0);
    EXPECT_EQ(ISL_SetEffectValue(0, 3, 1), 0);  // nothing added yet
    for (int n : {1, 5, 11, 21, 31, 51}) EXPECT_EQ(ISL_AddEffect(n, 1), 1) << n;
    EXPECT_EQ(ISL_SetEffectValue(5, 3, 90), 1);
    EXPECT_EQ(ISL_SetEffectValue(6, 3, 90), 0);
    EXPECT_EQ(ISL_SetEffectValue(0, 16, 90), 0);
    EXPECT_STREQ(ISLEffectName(51), "Rotate");
    EXPECT_STREQ(ISLEffectName(5), "Plasma");
    EXPECT_STREQ(ISLEffectName(11), "Perlin noise");
    EXPECT_STREQ(ISLEffectName(21), "Noise");
    EXPECT_EQ(ISLEffectName(2), nullptr);
}

// Runs effect 51 with angle and scale on a copy of `img`.
std::vector<uint8_t> Rotated(std::vector<uint8_t> img, int w, int h, int angle, int scale) {
    EXPECT_EQ(ISL_Initialize(), 1);
    EXPECT_EQ(ISL_AddEffect(51, 1), 1);
    ISL_SetEffectValue(0, 3, angle);
    ISL_SetEffectValue(0, 4, scale);
    EXPECT_EQ(ISL_ExecuteScriptOnImage(img.data(), w, h), 1);
    ISL_Finish();
    return img;
}

std::vector<uint8_t> Numbered(int w, int h) {
    std::vector<uint8_t> img(static_cast<size_t>(w) * h * 4);
    for (int i = 0; i < w * h; ++i) {
        img[4 * i] = static_cast<uint8_t>(i);
        img[4 * i + 1] = static_cast<uint8_t>(100 + i);
        img[4 * i + 2] = static_cast<uint8_t>(200 - i);
        img[4 * i + 3] = 255;
    }
    return img;
}

TEST_F(IslTest, RotateQuarterTurnsAndIdentity) {
    const int n = 4;
    const std::vector<uint8_t> src = Numbered(n, n);
    EXPECT_EQ(Rotated(src, n, n, 0, 100), src);
    EXPECT_EQ(Rotated(src, n, n, 360, 100), src);
    // Counter-clockwise by 90: target (x, y) samples source (n - 1 - y, x)
    // (the top-right corner moves to the top-left).
    const std::vector<uint8_t> r90 = Rotated(src, n, n, 90, 100);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(r90[4 * (y * n + x) + c], src[4 * (x * n + (n - 1 - y)) + c]) << x << "," << y;
    // 180: (x, y) samples (n - 1 - x, n - 1 - y); -90 undoes 90.
    const std::vector<uint8_t> r180 = Rotated(src, n, n, 180, 100);
    EXPECT_EQ(r180[0], src[4 * (n * n - 1)]);
    EXPECT_EQ(Rotated(r90, n, n, -90, 100), src);
}

TEST_F(IslTest, RotateKeepsSizeAndClearsUncoveredPixels) {
    // A 6 x 2 strip turned by 90 covers only a 2 x 6 area of the 6 x 2 frame:
    // columns 0, 1, 4 and 5 have no source and become transparent.
    std::vector<uint8_t> src(6 * 2 * 4, 200);
    const std::vector<uint8_t> r = Rotated(src, 6, 2, 90, 100);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) {
            const uint8_t *p = &r[4 * (y * 6 + x)];
            const bool covered = x == 2 || x == 3;
            for (int c = 0; c < 4; ++c) EXPECT_EQ(p[c], covered ? 200 : 0) << x << "," << y;
        }
    // Half scale keeps the centre and clears the border; scale 0 clears all.
    std::vector<uint8_t> full(8 * 8 * 4, 90);
    const std::vector<uint8_t> half = Rotated(full, 8, 8, 0, 50);
    EXPECT_EQ(half[4 * (4 * 8 + 4) + 3], 90);
    EXPECT_EQ(half[3], 0);
    for (uint8_t b : Rotated(full, 8, 8, 10, 0)) ASSERT_EQ(b, 0);
}

TEST_F(IslTest, GeneratorsAreSeededAndOpaque) {
    for (int number : {5, 11, 21}) {
        const std::string a = Script("isl 1\nsize 40 30\neffect " + std::to_string(number) + "\n3 = 17\n");
        const std::string b = Script("isl 1\nsize 40 30\neffect " + std::to_string(number) + "\n3 = 18\n");
        const std::vector<uint8_t> first = Render(a), again = Render(a), other = Render(b);
        ASSERT_EQ(first.size(), 40u * 30 * 4);
        EXPECT_EQ(first, again) << number;
        EXPECT_NE(first, other) << number;
        int lo = 255, hi = 0;
        for (size_t i = 0; i < first.size(); i += 4) {
            EXPECT_EQ(first[i + 3], 255);
            EXPECT_EQ(first[i], first[i + 1]);  // grey
            EXPECT_EQ(first[i], first[i + 2]);
            lo = std::min<int>(lo, first[i]);
            hi = std::max<int>(hi, first[i]);
        }
        EXPECT_GT(hi - lo, 100) << number;  // a useful spread of grey levels
    }
}

TEST_F(IslTest, PlasmaColourAndDefaults) {
    const std::vector<uint8_t> colour = Render(Script("isl 1\nsize 16 16\neffect 5\n3 = 1\n5 = 1\n"));
    bool differs = false;
    for (size_t i = 0; i < colour.size(); i += 4) differs |= colour[i] != colour[i + 2];
    EXPECT_TRUE(differs);
    // The documented defaults are the ones a script gets without parameters.
    EXPECT_EQ(Render(Script("isl 1\nsize 32 32\neffect 5\n3 = 9\n")),
              Render(Script("isl 1\nsize 32 32\neffect 5 Plasma\n3 = 9\n4 = 50\n")));
}

TEST_F(IslTest, NoiseAmountAndRoundMask) {
    std::vector<uint8_t> img(4 * 4 * 4, 77);
    ASSERT_EQ(ISL_Initialize(), 1);
    ASSERT_EQ(ISL_AddEffect(21, 1), 1);
    ISL_SetEffectValue(0, 4, 0);  // amount 0 keeps the image
    ASSERT_EQ(ISL_ExecuteScriptOnImage(img.data(), 4, 4), 1);
    ISL_Finish();
    EXPECT_EQ(img, std::vector<uint8_t>(64, 77));

    // White 10 x 10, inner 0 %, outer 100 % of radius 5: the centre pixels
    // (d = 0.707) keep 255 * (5 - 0.707) / 5 = 218.9 -> 219; corners go black;
    // alpha stays.
    std::vector<uint8_t> disc(10 * 10 * 4, 255);
    ASSERT_EQ(ISL_Initialize(), 1);
    ASSERT_EQ(ISL_AddEffect(31, 1), 1);
    ASSERT_EQ(ISL_ExecuteScriptOnImage(disc.data(), 10, 10), 1);
    ISL_Finish();
    EXPECT_EQ(disc[4 * (4 * 10 + 4)], 219);
    EXPECT_EQ(disc[0], 0);
    EXPECT_EQ(disc[3], 255);
}

TEST_F(IslTest, ExampleScriptsRender) {
    for (const char *name : {"plasma-grain", "perlin-grain", "noise-grain", "plasma-blob", "soft-disc", "chalk-dab"}) {
        const std::string path = std::string(TSY_SOURCE_DIR) + "/data/scripts/" + name + ".isl";
        int w = 0, h = 0;
        const std::vector<uint8_t> img = Render(path, &w, &h);
        ASSERT_FALSE(img.empty()) << name;
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
    }
}

}  // namespace
