// Every mask export runs under the guard with its own failure text and
// returns its zero result after a failure.
#include <functional>
#include <string>

#include "core/errors.h"
#include "mask_test_util.h"

namespace {

using MaskApiTest = MaskTest;

TEST_F(MaskApiTest, FailuresAreRecordedUnderTheExportName) {
    CanvasWithLayer(2, 2);
    M(0, 0) = 1000;
    uint8_t image[64] = {};
    const struct {
        const char *text;
        std::function<int32_t()> call;
    } cases[] = {
        {"EnableMask Excpt",
         [] {
             TSY_EnableMask(0);
             return 0;
         }},
        {"DisplayMask Excpt",
         [] {
             TSY_DisplayMask(1);
             return 0;
         }},
        {"SetMaskOptions Excpt",
         [] {
             TSY_SetMaskOptions(1, 2, 3, 4, 5, 6, 7);
             return 0;
         }},
        {"ClearMask Excpt",
         [] {
             TSY_ClearMask(0, 0, 0);
             return 0;
         }},
        {"InvertMask Excpt",
         [] {
             TSY_InvertMask();
             return 0;
         }},
        {"GetMaskData16 Excpt",
         [&] {
             TSY_GetMaskData16(image);
             return 0;
         }},
        {"SetMaskData16 Excpt",
         [&] {
             TSY_SetMaskData16(image);
             return 0;
         }},
        {"GetMaskLineRLE Excpt", [&] { return TSY_GetMaskLineRLE(image, 0); }},
        {"PutMaskLineRLE Excpt",
         [&] {
             TSY_PutMaskLineRLE(image, 0);
             return 0;
         }},
        {"GetMask64 Excpt", [] { return TSY_GetMask64(0, 0); }},
        {"SaveMask Excpt",
         [&] {
             TSY_SaveMask(image, 6);
             return 0;
         }},
        {"LoadMask Excpt",
         [&] {
             TSY_LoadMask(image, 6, 2, 2);
             return 0;
         }},
        {"CombineMask Excpt",
         [&] {
             TSY_CombineMask(image, 6, 1, 5, "Add");
             return 0;
         }},
        {"CreateImageFromMask Excpt",
         [] {
             TSY_CreateImageFromMask();
             return 0;
         }},
        {"CreateMaskFromImage Excpt",
         [] {
             TSY_CreateMaskFromImage();
             return 0;
         }},
        {"CreateMaskFromImageLuma Excpt",
         [] {
             TSY_CreateMaskFromImageLuma();
             return 0;
         }},
        {"CreateMaskFromAlpha Excpt",
         [] {
             TSY_CreateMaskFromAlpha();
             return 0;
         }},
        {"CreateAlphaFromMask Excpt",
         [] {
             TSY_CreateAlphaFromMask(0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageColor Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageColor(image, 0, 0, 0, 0);
             return 0;
         }},
        {"CreateMaskFromRGB24ImageColor Excpt",
         [&] {
             TSY_CreateMaskFromRGB24ImageColor(image, 0, 0, 0, 0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageColorRange Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageColorRange(image, 0, 0, 0, 1, 0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageAlphaRange Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageAlphaRange(image, 0, 1, 0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageLuminanceRange Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageLuminanceRange(image, 0, 0, 0, 1, 0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageHueRange Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageHueRange(image, 0, 0, 0, 1, 0);
             return 0;
         }},
        {"CreateMaskFromRGBAImageHSLRange Excpt",
         [&] {
             TSY_CreateMaskFromRGBAImageHSLRange(image, 0, 0, 0, 1, 1, 1, 0);
             return 0;
         }},
        {"CreateMaskFromFloodMask Excpt",
         [&] {
             TSY_CreateMaskFromFloodMask(image, 0);
             return 0;
         }},
        {"CreateMaskFromDiff_RGBA32 Excpt",
         [&] {
             TSY_CreateMaskFromDiff_RGBA32(image, image, 0);
             return 0;
         }},
        {"ApplyMaskToAlphaRect_RGBA32 Excpt",
         [&] {
             TSY_ApplyMaskToAlphaRect_RGBA32(image, 8, 0, 0, 1, 1);
             return 0;
         }},
        {"ApplyMaskToAlpha_RGBA32 Excpt",
         [&] {
             TSY_ApplyMaskToAlpha_RGBA32(image);
             return 0;
         }},
        {"ApplyMaskToAlpha_IPLSrcRGBA Excpt",
         [] {
             TSY_ApplyMaskToAlpha_IPLSrcRGBA();
             return 0;
         }},
        {"ClearMasked Excpt",
         [] {
             TSY_ClearMasked(1, 2, 3, 4);
             return 0;
         }},
        {"ClearMaskedAlpha Excpt",
         [] {
             TSY_ClearMaskedAlpha(1, 2, 3, 4);
             return 0;
         }},
        {"ReplaceFromRGBAImageAlphaRange Excpt",
         [&] {
             TSY_ReplaceFromRGBAImageAlphaRange(image, 0, 1, 1, 2, 3, 4);
             return 0;
         }},
    };
    for (const auto &c : cases) {
        TSY_SetLastError("");
        g_injectFailure = c.text;
        EXPECT_EQ(c.call(), 0) << c.text;
        g_injectFailure = nullptr;
        EXPECT_STREQ(TSY_GetLastError(), c.text);
    }
    // Nothing ran: the mask is as it was.
    EXPECT_EQ(M(0, 0), 1000);
    EXPECT_EQ(g_engine.maskActive, 1);
}

}  // namespace
