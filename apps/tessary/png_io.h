// PNG reading and writing for the host, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary_host {

// 8-bit RGBA image, rows packed.
struct Image8 {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// Reads any PNG (palette, grey, 16-bit and alpha forms are expanded to 8-bit
// RGBA). False with a message on failure.
bool ReadPng(const std::string &path, Image8 &out, std::string &error);

// Writes an 8-bit PNG: RGB when every alpha is 255, otherwise RGBA.
bool WritePng(const std::string &path, const Image8 &img, std::string &error);

// Narrows RGBA64 pixels to 8 bits by their high bytes.
Image8 NarrowRgba64(const std::vector<uint16_t> &rgba64, int width, int height);

}  // namespace tessary_host
