// 24-bit bitmap files: a 14-byte file header, a 40-byte BITMAPINFOHEADER, then the pixel rows
// bottom row first, each row padded to a multiple of four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zl {

enum class PixelLayout {
    kRgb24,   // 3 bytes per pixel: red, green, blue
    kBgra32,  // 4 bytes per pixel: blue, green, red, alpha (a 32-bit ARGB word, little-endian)
    kRgba32,  // 4 bytes per pixel: red, green, blue, alpha
};

// An image in memory, top row first. `stride` is the distance in bytes between the starts of
// two rows (0: width times the pixel size).
struct ImageView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    size_t stride = 0;
    PixelLayout layout = PixelLayout::kRgb24;
};

// Bytes per row of a 24-bit bitmap of that width (3 x width rounded up to a multiple of 4).
size_t BmpRowSize(int width);

// The whole file in memory; empty when the image is empty or too large for the format.
std::vector<uint8_t> EncodeBmp24(const ImageView& image);

// Writes the file, replacing an existing one atomically. False (and *error, when given, says
// why) when the image is empty or the file cannot be written; an old file then stays as it was.
// '\' in the path is taken as a folder separator.
bool WriteBmp24(const std::string& path, const ImageView& image, std::string* error = nullptr);

}  // namespace zl
