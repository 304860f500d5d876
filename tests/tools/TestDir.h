// A fresh folder below the system's temporary folder, removed with everything in it when the
// object goes away. Tests write their databases only there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TestDir {
  public:
    TestDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zl-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TestDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};
