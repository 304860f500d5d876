#include "recnet/SqliteText.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace zl::recnet {

std::string QuoteIdentifier(const std::string& name) {
    std::string out;
    out.reserve(name.size() + 2);
    out += '"';
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

void CopyText(char* buffer, int capacity, const std::string& text) {
    if (!buffer || capacity < 1) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string PlainFilePath(const std::string& path) {
    if (path.size() >= 5 && strncasecmp(path.c_str(), "file:", 5) == 0) return "./" + path;
    return path;
}

}  // namespace zl::recnet
