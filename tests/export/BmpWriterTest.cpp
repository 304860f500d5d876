// 24-bit bitmap files: header fields, row padding, bottom-up rows, replacing files, failures.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/AtomicFile.h"
#include "export/BmpWriter.h"

namespace zl {

namespace {

namespace fs = std::filesystem;

uint32_t U32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An RGB image whose every pixel is different: red = x, green = y, blue = x ^ y.
std::vector<uint8_t> Pattern(int w, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x ^ y);
        }
    }
    return px;
}

class BmpWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zlbmp-test-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir;
};

TEST_F(BmpWriterTest, HeadersAndSizes) {
    struct Case {
        int w, h;
        size_t row;
    } cases[] = {{640, 480, 1920}, {641, 480, 1924}, {1, 1, 4}, {2, 3, 8}, {3, 2, 12}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> px = Pattern(c.w, c.h);
        ImageView img{px.data(), c.w, c.h, 0, PixelLayout::kRgb24};
        const std::string path = dir + "/img.bmp";
        ASSERT_TRUE(WriteBmp24(path, img));
        const std::string b = ReadFile(path);
        const size_t image = c.row * c.h;
        ASSERT_EQ(b.size(), 14 + 40 + image) << c.w << "x" << c.h;
        EXPECT_EQ(BmpRowSize(c.w), c.row);
        EXPECT_EQ(b.substr(0, 2), "BM");
        EXPECT_EQ(U32(b, 2), b.size());
        EXPECT_EQ(U32(b, 6), 0u);  // two reserved words
        EXPECT_EQ(U32(b, 10), 54u);
        EXPECT_EQ(U32(b, 14), 40u);
        EXPECT_EQ(static_cast<int>(U32(b, 18)), c.w);
        EXPECT_EQ(static_cast<int>(U32(b, 22)), c.h);  // positive: bottom row first
        EXPECT_EQ(U16(b, 26), 1);
        EXPECT_EQ(U16(b, 28), 24);
        EXPECT_EQ(U32(b, 30), 0u);  // BI_RGB
        EXPECT_EQ(U32(b, 34), image);
        for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(b, at), 0u);
    }
    EXPECT_EQ(14u + 40u + 921600u, 14u + 40u + BmpRowSize(640) * 480u);
}

TEST_F(BmpWriterTest, PixelsReadBackAsWritten) {
    const int w = 641, h = 37;
    const std::vector<uint8_t> rgb = Pattern(w, h);
    // The same picture as RGB, as BGRA with a padded stride and as RGBA.
    const size_t stride = w * 4 + 12;
    std::vector<uint8_t> bgra(stride * h, 0xEE), rgba(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            uint8_t* d = &bgra[y * stride + x * 4];
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 0xFF;
            uint8_t* e = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            e[0] = s[0], e[1] = s[1], e[2] = s[2], e[3] = 0x80;
        }
    }
    const ImageView views[] = {{rgb.data(), w, h, 0, PixelLayout::kRgb24},
                               {bgra.data(), w, h, stride, PixelLayout::kBgra32},
                               {rgba.data(), w, h, 0, PixelLayout::kRgba32}};
    for (const ImageView& v : views) {
        const std::string path = dir + "/px.bmp";
        ASSERT_TRUE(WriteBmp24(path, v));
        const std::string b = ReadFile(path);
        const size_t row = BmpRowSize(w);
        for (int y = 0; y < h; ++y) {
            const size_t fileRow = 54 + static_cast<size_t>(h - 1 - y) * row;
            for (int x = 0; x < w; ++x) {
                const uint8_t* s = &rgb[(static_cast<size_t>(y) * w + x) * 3];
                const size_t at = fileRow + x * 3;
                ASSERT_EQ(static_cast<uint8_t>(b[at]), s[2]) << x << "," << y;  // blue first
                ASSERT_EQ(static_cast<uint8_t>(b[at + 1]), s[1]);
                ASSERT_EQ(static_cast<uint8_t>(b[at + 2]), s[0]);
            }
            EXPECT_EQ(b[fileRow + w * 3], 0);  // padding
        }
    }
}

TEST_F(BmpWriterTest, ReplacesAnExistingFile) {
    const std::string path = dir + "/old.bmp";
    std::ofstream(path) << std::string(5000000, 'x');
    const std::vector<uint8_t> px = Pattern(4, 4);
    ASSERT_TRUE(WriteBmp24(path, {px.data(), 4, 4, 0, PixelLayout::kRgb24}));
    EXPECT_EQ(fs::file_size(path), 14u + 40u + 12u * 4u);
}

TEST_F(BmpWriterTest, FailuresAreReported) {
    const std::vector<uint8_t> px = Pattern(4, 4);
    std::string error;
    EXPECT_FALSE(
        WriteBmp24(dir + "/no/such/dir/x.bmp", {px.data(), 4, 4, 0, PixelLayout::kRgb24}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteBmp24(dir + "/empty.bmp", {px.data(), 0, 4, 0, PixelLayout::kRgb24}));
    EXPECT_FALSE(WriteBmp24(dir + "/null.bmp", {nullptr, 4, 4, 0, PixelLayout::kRgb24}));
    EXPECT_FALSE(WriteBmp24(dir + "/stride.bmp", {px.data(), 4, 4, 5, PixelLayout::kRgb24}));
    EXPECT_FALSE(fs::exists(dir + "/empty.bmp"));

    // A write that fails half-way leaves the old file as it was.
    const std::string path = dir + "/keep.bmp";
    std::ofstream(path) << "old";
    zl::SetAtomicWriteFaultHook(
        [](zl::AtomicWriteStep s) { return s == zl::AtomicWriteStep::Write; });
    EXPECT_FALSE(WriteBmp24(path, {px.data(), 4, 4, 0, PixelLayout::kRgb24}));
    zl::SetAtomicWriteFaultHook({});
    EXPECT_EQ(ReadFile(path), "old");
}

}  // namespace

}  // namespace zl
