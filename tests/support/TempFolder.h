// A fresh temporary folder per test, removed with everything in it afterwards (read-only
// folders a test made are opened up first, so nothing is left behind).
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zl::testsupport {

class TempFolder {
  public:
    // inMemory: under /dev/shm when there is one (a save there costs no disk flush; a killed
    // process leaves its files there just as on a disk).
    explicit TempFolder(bool inMemory = false) {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
        if (inMemory && std::filesystem::is_directory("/dev/shm", ec) &&
            ::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string templ = (base / "zl_test_XXXXXX").string();
        if (::mkdtemp(templ.data())) path_ = templ;
    }
    ~TempFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 path_, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code ignored;
            if (it->is_directory(ignored))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // The folder with a trailing '/', as folder settings are stored.
    std::string Folder() const { return path_ + "/"; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return File(name); }
    // How many names the folder holds (not below it).
    size_t Entries() const {
        size_t n = 0;
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(path_, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            ++n;
        return n;
    }

  private:
    std::string path_;
};

}  // namespace zl::testsupport
