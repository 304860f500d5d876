// A fresh temporary folder per test, removed with everything in it afterwards, and small file
// helpers for the store tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class StoreTestDir {
  public:
    StoreTestDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "zl_store_XXXXXX").string();
        path_ = ::mkdtemp(templ.data()) ? templ : std::string();
    }
    ~StoreTestDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    StoreTestDir(const StoreTestDir&) = delete;
    StoreTestDir& operator=(const StoreTestDir&) = delete;

    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // The folder with a trailing '/', as the program folder is given.
    std::string Folder() const { return path_ + "/"; }

  private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
