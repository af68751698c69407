// Shape pictures: loading from a PNG file and from an image script, the
// cache by name and parameter, effect 51, blur, and the older loader.
#include "brush/shape_picture.h"

#include <cstdio>
#include <string>
#include <vector>

#include "brush/brush_shape.h"
#include "core/engine_state.h"
#include "engine_fixture.h"
#include "imaging/library/test_images.h"

namespace {

constexpr int kS = 32;  // maxBrushSize of the test canvas

class ShapePictureTest : public EngineTest {
protected:
    void TearDown() override {
        for (const std::string &p : files_) std::remove(p.c_str());
        EngineTest::TearDown();
    }
    std::string File(const char *name, const Bytes &bytes) {
        const std::string path = TempPath(name);
        FILE *f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        files_.push_back(path);
        return path;
    }
    // An opaque w x h PNG of one grey level.
    std::string GreyPng(const char *name, int w, int h, uint8_t grey) {
        Bytes rgba(static_cast<size_t>(w) * h * 4, grey);
        for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        return File(name, WritePNG(rgba, w, h));
    }
    std::string ScriptFile(const char *name, const std::string &text) {
        return File(name, Bytes(text.begin(), text.end()));
    }
    static uint16_t Shape(int x, int y) { return g_engine.brushShape[y * kS + x]; }
    // Brush of `size`, scale 1, no softness, and the shape `name` with `param`.
    static void Tool(int size, const std::string &name, int param) {
        TSY_SetSize(size);
        TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, "", name.c_str(), param);
    }
    std::vector<std::string> files_;
};

// A picture of one grey level g resamples to g everywhere, so every shape
// value is trunc(g * 256 * 1.0): 100 -> 25600.
TEST_F(ShapePictureTest, PngPictureFillsTheBrushSquare) {
    NewCanvas(8, 8, kS);
    const std::string png = GreyPng("grey100.png", 16, 16, 100);
    Tool(16, png, 0);
    ASSERT_NE(g_engine.shapeImage, nullptr);
    EXPECT_EQ(g_engine.shapeImageWidth, 16);
    EXPECT_EQ(g_engine.shapeImageHeight, 16);
    EXPECT_STREQ(g_engine.shapeImageName, png.c_str());
    EXPECT_EQ(g_engine.shapeImageParam, 0);
    EXPECT_EQ(g_engine.tool.gritCountdown, 9);  // set to gritRepeat by the resampling
    for (int y = 0; y < kS; ++y)
        for (int x = 0; x < kS; ++x) ASSERT_EQ(Shape(x, y), (x < 16 && y < 16) ? 25600 : 0) << x << "," << y;

    // Shrinking (brush 8 < 16) and enlarging (brush 24) keep the level.
    Tool(8, png, 0);
    EXPECT_EQ(Shape(0, 0), 25600);
    EXPECT_EQ(Shape(7, 7), 25600);
    EXPECT_EQ(Shape(8, 8), 0);
    Tool(24, png, 0);
    EXPECT_EQ(Shape(23, 23), 25600);
    // The shape scale multiplies: trunc(25600 * 0.5).
    TSY_SetTool(0.5f, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, "", png.c_str(), 0);
    EXPECT_EQ(Shape(5, 5), 12800);
}

TEST_F(ShapePictureTest, CachedForTheSameNameAndParameterReloadedOtherwise) {
    NewCanvas(8, 8, kS);
    const std::string png = GreyPng("cache.png", 16, 16, 100);
    Tool(16, png, 0);
    const uint8_t *first = g_engine.shapeImage;
    ASSERT_NE(first, nullptr);

    // The file changes on disk: the same request is served from the cache.
    GreyPng("cache.png", 16, 16, 200);
    Tool(16, png, 0);
    EXPECT_EQ(g_engine.shapeImage, first);
    EXPECT_EQ(Shape(8, 8), 25600);

    // Another parameter reloads the file (now 200 -> 51200) and turns it by
    // 45 degrees: the corners of the picture become transparent black.
    Tool(16, png, 45);
    EXPECT_EQ(g_engine.shapeImageParam, 45);
    EXPECT_EQ(Shape(8, 8), 51200);
    EXPECT_EQ(Shape(0, 0), 0);
    EXPECT_EQ(Shape(15, 15), 0);
    // Back to parameter 0: reloaded again and not turned.
    Tool(16, png, 0);
    EXPECT_EQ(Shape(0, 0), 51200);

    // Unloading keeps the name; the next request loads again.
    TSY_UnloadBrushShape();
    EXPECT_EQ(g_engine.shapeImage, nullptr);
    Tool(16, png, 0);
    ASSERT_NE(g_engine.shapeImage, nullptr);
    EXPECT_EQ(Shape(0, 0), 51200);

    // Another name releases the picture; an unloadable one leaves the round shape.
    Tool(16, "/nonexistent/shape.png", 0);
    EXPECT_EQ(g_engine.shapeImage, nullptr);
    EXPECT_EQ(Shape(0, 0), 0);      // outside the disc
    EXPECT_EQ(Shape(8, 8), 65535);  // inside
}

// Script pictures render blue-green-red-alpha and are swapped to RGBA32.
TEST_F(ShapePictureTest, ScriptPictureIsRenderedAndCached) {
    NewCanvas(8, 8, kS);
    const std::string isl = ScriptFile("shape.isl", "isl 1\nsize 12 10\neffect 1 Fill\n3 = 10\n4 = 20\n5 = 30\n");
    Tool(10, isl, 0);
    ASSERT_NE(g_engine.shapeImage, nullptr);
    EXPECT_EQ(g_engine.shapeImageWidth, 12);
    EXPECT_EQ(g_engine.shapeImageHeight, 10);
    EXPECT_STREQ(g_engine.shapeImageName, isl.c_str());
    const uint8_t *px = g_engine.shapeImage;
    EXPECT_EQ(px[0], 10);  // red first after the swap
    EXPECT_EQ(px[1], 20);
    EXPECT_EQ(px[2], 30);
    EXPECT_EQ(px[3], 255);
    // grey = (77 * 10 + 150 * 20 + 29 * 30 + 128) >> 8 = 4768 >> 8 = 18; 18 * 256 = 4608.
    EXPECT_EQ(Shape(0, 0), 4608);
    EXPECT_EQ(Shape(9, 9), 4608);
    EXPECT_EQ(Shape(10, 0), 0);

    const uint8_t *first = g_engine.shapeImage;
    Tool(10, isl, 0);
    EXPECT_EQ(g_engine.shapeImage, first);  // cached
    Tool(10, isl, 90);
    EXPECT_EQ(g_engine.shapeImageParam, 90);
    // Turned by 90 degrees, the 12 x 10 picture leaves its left and right
    // columns uncovered: they are transparent black.
    EXPECT_EQ(g_engine.shapeImage[3], 0);
    EXPECT_EQ(g_engine.shapeImage[4 * 5 * 12 + 4 * 6 + 3], 255);

    // The shipped examples load as shapes.
    for (const char *name : {"soft-disc", "plasma-blob", "chalk-dab"}) {
        const std::string path = std::string(TSY_SOURCE_DIR) + "/data/scripts/" + name + ".isl";
        Tool(20, path, 0);
        ASSERT_NE(g_engine.shapeImage, nullptr) << name;
        EXPECT_GT(Shape(10, 10), 0) << name;
    }
}

TEST_F(ShapePictureTest, BlurSpreadsDarkValuesBeforeResampling) {
    NewCanvas(8, 8, kS);
    // White 16 x 16 with one black pixel at (8, 8).
    Bytes rgba(16 * 16 * 4, 255);
    for (int c = 0; c < 3; ++c) rgba[4 * (8 * 16 + 8) + c] = 0;
    const std::string png = File("dot.png", WritePNG(rgba, 16, 16));
    auto darkCount = []() {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) n += Shape(x, y) < 65280;
        return n;
    };
    TSY_SetShapeBlur(0);
    Tool(16, png, 0);
    const int sharp = darkCount();
    TSY_SetShapeBlur(50);  // p4 = 500: dark travels along the scans
    Tool(16, png, 0);
    EXPECT_GT(darkCount(), sharp);
    EXPECT_EQ(g_engine.shapeImage[4 * (8 * 16 + 8)], 0);  // the cached picture itself is not blurred
}

TEST_F(ShapePictureTest, OriginalLoaderReadsFilesOnly) {
    NewCanvas(8, 8, kS);
    const std::string isl = ScriptFile("orig.isl", "isl 1\nsize 8 8\neffect 1\n");
    TSY_SetSize(4);
    TSY_SetTool(1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    TSY_SetBrushShape_ORIGINAL(isl.c_str(), 0);
    EXPECT_EQ(g_engine.shapeImage, nullptr);  // not an image file: the round shape
    EXPECT_EQ(Shape(0, 0), 0);
    EXPECT_EQ(Shape(2, 0), 65535);  // (di, dj) = (0, -2): inside with integer offsets

    const std::string png = GreyPng("orig.png", 16, 16, 100);
    TSY_SetShapeBlur(80);  // ignored by the older loader
    TSY_SetBrushShape_ORIGINAL(png.c_str(), 0);
    ASSERT_NE(g_engine.shapeImage, nullptr);
    EXPECT_EQ(Shape(0, 0), 25600);
    EXPECT_EQ(Shape(3, 3), 25600);
}

TEST_F(ShapePictureTest, CanvasResizeReleasesThePicture) {
    NewCanvas(8, 8, kS);
    const std::string png = GreyPng("resize.png", 16, 16, 100);
    Tool(16, png, 0);
    ASSERT_NE(g_engine.shapeImage, nullptr);
    TSY_NewSize(nullptr, 10, 10, kS, 0);
    EXPECT_EQ(g_engine.shapeImage, nullptr);
    EXPECT_EQ(g_engine.shapeImageWidth, 0);
    Tool(16, png, 0);  // loads again
    EXPECT_EQ(Shape(0, 0), 25600);
}

}  // namespace
