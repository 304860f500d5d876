// Whole files as bytes, for the tests that check formats to the byte.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace zl::testsupport {

// Replaces the file; false when it cannot be written.
inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

// Empty when the file cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace zl::testsupport
