#include "export/BmpWriter.h"

#include <cstring>
#include <string_view>

#include "base/AtomicFile.h"

namespace zl {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t PixelSize(PixelLayout layout) {
    return layout == PixelLayout::kRgb24 ? 3 : 4;
}

}  // namespace

size_t BmpRowSize(int width) {
    return width <= 0 ? 0 : (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
}

std::vector<uint8_t> EncodeBmp24(const ImageView& img) {
    if (!img.pixels || img.width <= 0 || img.height <= 0) return {};
    const size_t rowSize = BmpRowSize(img.width);
    const size_t imageSize = rowSize * static_cast<size_t>(img.height);
    const size_t fileSize = kFileHeaderSize + kInfoHeaderSize + imageSize;
    if (fileSize > 0xFFFFFFFFu) return {};  // the header holds the size in 32 bits
    const size_t pixelSize = PixelSize(img.layout);
    const size_t stride = img.stride ? img.stride : static_cast<size_t>(img.width) * pixelSize;
    if (stride < static_cast<size_t>(img.width) * pixelSize) return {};

    std::vector<uint8_t> out(fileSize, 0);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<uint32_t>(fileSize));
    Put16(h + 6, 0);
    Put16(h + 8, 0);
    Put32(h + 10, static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize));

    uint8_t* info = h + kFileHeaderSize;
    Put32(info + 0, static_cast<uint32_t>(kInfoHeaderSize));
    Put32(info + 4, static_cast<uint32_t>(img.width));
    Put32(info + 8, static_cast<uint32_t>(img.height));  // positive: bottom row first
    Put16(info + 12, 1);                                 // planes
    Put16(info + 14, 24);                                // bits per pixel
    Put32(info + 16, 0);                                 // BI_RGB
    Put32(info + 20, static_cast<uint32_t>(imageSize));
    // Resolution, colours used and important colours stay 0.

    uint8_t* pixels = info + kInfoHeaderSize;
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* src = img.pixels + static_cast<size_t>(img.height - 1 - y) * stride;
        uint8_t* dst = pixels + static_cast<size_t>(y) * rowSize;
        for (int x = 0; x < img.width; ++x, src += pixelSize, dst += 3) {
            switch (img.layout) {
                case PixelLayout::kRgb24:
                case PixelLayout::kRgba32:
                    dst[0] = src[2];
                    dst[1] = src[1];
                    dst[2] = src[0];
                    break;
                case PixelLayout::kBgra32:
                    dst[0] = src[0];
                    dst[1] = src[1];
                    dst[2] = src[2];
                    break;
            }
        }
    }
    return out;
}

bool WriteBmp24(const std::string& path, const ImageView& image, std::string* error) {
    const std::vector<uint8_t> bytes = EncodeBmp24(image);
    if (bytes.empty()) {
        if (error) *error = "no image to write";
        return false;
    }
    std::string target = path;
    for (char& c : target) {
        if (c == '\\') c = '/';
    }
    return zl::WriteFileAtomically(
        target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

}  // namespace zl
