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

#include "Bytes.h"
#include "TempFolder.h"

namespace zl::hardening {

using zl::testsupport::ReadBytes;
using zl::testsupport::TempFolder;
using zl::testsupport::WriteBytes;

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
