/* A small host program: builds a canvas with a white background and a
 * gradient layer, flattens them and writes the result as a PNG file. It uses
 * only the public header. */
#include <png.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "tessary.h"

enum { W = 256, H = 192 };

static int write_png(const char *path, const uint8_t *rgb, int w, int h) {
    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return 0;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, (png_bytep)(rgb + (size_t)y * w * 3));
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return 1;
}

int main(int argc, char **argv) {
    const char *out = argc > 1 ? argv[1] : "demo.png";
    TSY_SetRandomSeed(1);
    TSY_CreateImage(NULL, W, H, 300, 0);
    if (!TSY_CreateLayer(1, W, H) || !TSY_CreateLayer(2, W, H)) {
        fprintf(stderr, "tessary-demo: cannot create layers: %s\n", TSY_GetLastError());
        return 1;
    }
    TSY_SetLayerOptions(1, 1, 0, 100, "Normal");
    TSY_SetLayerOptions(2, 1, 0, 100, "Normal");

    /* A disc of colour over a gradient, as 16-bit pixels. */
    uint16_t *px = malloc((size_t)W * H * 8);
    uint16_t *bg = malloc((size_t)W * H * 8);
    uint8_t *rgb = malloc((size_t)W * H * 3);
    if (!px || !bg || !rgb) return 1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint16_t *p = px + ((size_t)y * W + x) * 4;
            int dx = x - W / 2, dy = y - H / 2;
            int inside = dx * dx + dy * dy < 70 * 70;
            p[0] = (uint16_t)(x * 255);
            p[1] = (uint16_t)(y * 340);
            p[2] = 40000;
            p[3] = inside ? 65535 : 0;
        }
    TSY_SetLayerData(px, 2);
    TSY_GetLayerData(bg, 1);
    for (size_t i = 0; i < (size_t)W * H; ++i) {
        const uint16_t *s = px + i * 4, *d = bg + i * 4;
        uint32_t a = s[3];
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = (uint8_t)(((s[c] * a + d[c] * (65535u - a)) / 65535u) >> 8);
    }
    int ok = write_png(out, rgb, W, H);
    TSY_DeleteImage();
    free(px);
    free(bg);
    free(rgb);
    if (!ok) {
        fprintf(stderr, "tessary-demo: cannot write %s\n", out);
        return 1;
    }
    printf("wrote %s (%d x %d)\n", out, W, H);
    return 0;
}
