// A fresh temporary folder per test, removed with everything in it afterwards, and small file
// helpers for the hardening tests.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace zl::hardening {

class TestFolder {
  public:
    // inMemory: under /dev/shm when there is one (a save there costs no disk flush; a killed
    // process leaves its files there just as on a disk).
    explicit TestFolder(bool inMemory = false) {
        std::error_code ec;
        const bool shm = inMemory && std::filesystem::is_directory("/dev/shm", ec) &&
                         ::access("/dev/shm", W_OK) == 0;
        const std::filesystem::path base =
            shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        std::string templ = (base / "zl_hard_XXXXXX").string();
        path_ = ::mkdtemp(templ.data()) ? templ : std::string();
    }
    ~TestFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The names in a folder (not below it), each with its size; "/" marks a folder.
inline std::map<std::string, std::string> ListFolder(const std::string& folder) {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        std::error_code sizeError;
        out[e.path().filename().string()] =
            e.is_directory(sizeError) ? "/" : std::to_string(e.file_size(sizeError));
    }
    return out;
}

}  // namespace zl::hardening
