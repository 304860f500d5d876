// Helpers shared by the fuzz targets: reading typed values from the fuzzer's bytes, a private
// scratch folder per process, and a check that stops the process (so that libFuzzer and the
// replay driver both see a broken invariant as a crash, with a message).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace zl::fuzz {

// Stops the process with a message: a broken invariant is a finding like a crash.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define ZL_FUZZ_CHECK(cond, detail)                     \
    do {                                                \
        if (!(cond)) ::zl::fuzz::Fail(#cond, (detail)); \
    } while (0)

// Takes values from the front of the input; once it is used up every value is 0 or empty.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    size_t Left() const { return size_ - pos_; }

    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool Bool() { return (Byte() & 1) != 0; }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    uint16_t U16() { return static_cast<uint16_t>((Byte() << 8) | Byte()); }
    // An int in [lo, hi].
    int Range(int lo, int hi) {
        if (hi <= lo) return lo;
        const uint32_t span = static_cast<uint32_t>(hi - lo) + 1u;
        return lo + static_cast<int>(U32() % span);
    }
    double Double() {
        uint64_t bits = (static_cast<uint64_t>(U32()) << 32) | U32();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    // A text of up to maxLength bytes: its length byte first, then the bytes.
    std::string Text(size_t maxLength = 255) {
        size_t n = Byte();
        if (maxLength > 255) n = (n << 8) | Byte();
        if (n > maxLength) n = maxLength;
        if (n > Left()) n = Left();
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    // Everything that is left.
    std::string Rest() {
        std::string s(reinterpret_cast<const char*>(data_ + pos_), Left());
        pos_ = size_;
        return s;
    }
    // One of the n choices.
    template <typename T, size_t N>
    const T& Pick(const T (&choices)[N]) {
        return choices[Byte() % N];
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A folder of this process under the temporary folder, removed at exit.
class Scratch {
  public:
    static const std::string& Folder() {
        static Scratch scratch;
        return scratch.path_;
    }
    static std::string File(const std::string& name) { return Folder() + "/" + name; }

  private:
    Scratch() {
        // $TMPDIR when set (scripts/fuzz.sh gives each fuzzer one and removes it afterwards:
        // a fuzzer may end without tidying up), else in memory when possible: the stores
        // flush every save to disk, which on a real disk would make each run wait for it.
        std::error_code ec;
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path base = std::filesystem::temp_directory_path();
        if (tmp && *tmp)
            base = tmp;
        else if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string templ = (base / "zl_fuzz_XXXXXX").string();
        if (!::mkdtemp(templ.data())) Fail("cannot make a scratch folder");
        path_ = templ;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string path_;
};

// Writes bytes to a file (replacing it); false when that fails.
inline bool WriteFile(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::string ReadFile(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

}  // namespace zl::fuzz
