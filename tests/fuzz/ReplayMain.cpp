// Replays the seed corpus of one fuzz target as a test: every file of the corpus folder (and of
// its "regressions" subfolder, inputs that once failed) goes through the target's entry point.
// A crash, a sanitizer report or a broken invariant ends the process, which fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zl {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ZL_FUZZ_CORPUS, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FuzzReplay, ZL_FUZZ_TARGET) {
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no seed corpus in " << ZL_FUZZ_CORPUS;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    // The empty input, which no file holds.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("%zu inputs of %s replayed\n", files.size() + 1, ZL_FUZZ_CORPUS);
}

}  // namespace

int Main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    return RUN_ALL_TESTS();
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
