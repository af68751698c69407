// The brush preset table and the small parsers of the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "presets.h"
#include "replay.h"

using namespace tessary_host;

namespace {
bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}
}  // namespace

TEST(BrushPresets, ShippedTableHasEveryKindOfBrush) {
    PresetTable t;
    std::string error;
    ASSERT_TRUE(LoadPresets(std::string(TSY_HOST_DATA_DIR) + "/brushes.txt", t, error)) << error;
    ASSERT_EQ(t.presets.size(), 7u);
    const Preset *hard = t.Find(1), *air = t.Find(2), *chalk = t.Find(3), *smudge = t.Find(4), *wet = t.Find(5),
                 *eraser = t.Find(6), *leaf = t.Find(7);
    ASSERT_TRUE(hard && air && chalk && smudge && wet && eraser && leaf);
    EXPECT_EQ(hard->softness, 0);
    EXPECT_EQ(air->softness, 255);
    EXPECT_LT(air->opacity, 50);
    EXPECT_FALSE(chalk->grain.empty());
    EXPECT_TRUE(Exists(chalk->grain)) << chalk->grain;
    EXPECT_GT(smudge->blendStrength, 0);
    EXPECT_EQ(smudge->remix, 1);
    EXPECT_NE(smudge->pickup, Pickup::None);
    EXPECT_FALSE(smudge->paintLayer);
    EXPECT_NE(wet->mixCode, 32);
    EXPECT_EQ(wet->pickup, Pickup::Mix);
    EXPECT_TRUE(eraser->erase);
    EXPECT_FALSE(eraser->paintLayer);
    EXPECT_TRUE(Exists(leaf->shape)) << leaf->shape;
    EXPECT_EQ(t.Find(8), nullptr);
}

TEST(BrushPresets, DefaultsAndRelativePaths) {
    PresetTable t;
    std::string error;
    ASSERT_TRUE(ParsePresets("# c\n\n[preset 3]\nname = x\ngrain = g/a.png\nshape = /abs/s.png\n", "/base", t, error))
        << error;
    ASSERT_EQ(t.presets.size(), 1u);
    const Preset &p = t.presets[0];
    EXPECT_EQ(p.number, 3);
    EXPECT_EQ(p.grain, "/base/g/a.png");
    EXPECT_EQ(p.shape, "/abs/s.png");
    EXPECT_EQ(p.size, 16);
    EXPECT_EQ(p.mixCode, 32);
    EXPECT_EQ(p.strokeMode, "Normal");
    EXPECT_TRUE(p.paintLayer);
}

TEST(BrushPresets, ErrorsNameTheLine) {
    struct Case {
        const char *name, *text, *prefix;
    } cases[] = {
        {"key before a preset", "size = 3\n", "1: "},
        {"unknown key", "[preset 1]\n\ncolour = red\n", "3: unknown key"},
        {"value out of range", "[preset 1]\nopacity = 140\n", "2: bad value"},
        {"not a number", "[preset 1]\nsize = big\n", "2: bad value"},
        {"bad pickup", "[preset 1]\npickup = some\n", "2: bad value"},
        {"twice the same number", "[preset 1]\n[preset 1]\n", "2: preset 1 is defined twice"},
        {"bad header", "[brush 1]\n", "1: expected"},
        {"no key value", "[preset 1]\nsize\n", "2: expected"},
        {"empty table", "# nothing\n", "0: no presets"},
    };
    for (const Case &c : cases) {
        PresetTable t;
        std::string error;
        EXPECT_FALSE(ParsePresets(c.text, "", t, error)) << c.name;
        EXPECT_EQ(error.rfind(c.prefix, 0), 0u) << c.name << ": " << error;
    }
}

TEST(CommandLineValues, SizesAndColours) {
    int w = 0, h = 0;
    EXPECT_TRUE(ParseSize("640x400", w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 400);
    EXPECT_TRUE(ParseSize("1X1", w, h));
    for (const char *bad : {"640", "0x10", "10x0", "10001x5", "5x5x5", "axb", "-3x4", "3x4 "})
        EXPECT_FALSE(ParseSize(bad, w, h)) << bad;

    uint8_t c[3] = {};
    EXPECT_TRUE(ParseColor("#1a2B3c", c));
    EXPECT_EQ(c[0], 0x1a);
    EXPECT_EQ(c[1], 0x2b);
    EXPECT_EQ(c[2], 0x3c);
    EXPECT_TRUE(ParseColor("1,2,255", c));
    EXPECT_EQ(c[2], 255);
    EXPECT_TRUE(ParseColor("sky", c));
    for (const char *bad : {"#12345", "#12345g", "1,2", "1,2,256", "-1,0,0", "landscape.png", ""})
        EXPECT_FALSE(ParseColor(bad, c)) << bad;
}
