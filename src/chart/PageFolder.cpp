#include "chart/PageFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "chart/PageResources.h"

namespace zl {

const char* const kChartHtmlFile = "ZLXChart.html";
const char* const kChartLibFile = "ZLXChart.js";
const char* const kChartPageFile = "ZLXChart1.js";
const char* const kChartDataFile = "LoadData.js";

const EmbeddedFile* FindChartPageFile(const std::string& name) {
    for (size_t i = 0; i < kChartPageFiles_count; ++i) {
        if (name == kChartPageFiles[i].name) return &kChartPageFiles[i];
    }
    return nullptr;
}

std::string NormalizeFolder(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env) {
        struct stat st;
        if (stat(env, &st) == 0 && S_ISDIR(st.st_mode)) return NormalizeFolder(env);
    }
    return "/tmp";
}

std::string CreatePrivatePageFolder() {
    std::string pattern = TempFolder();
    if (pattern != "/") pattern += "/";
    pattern += "zlxXXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return std::string();  // mkdtemp makes it with mode 0700
    return std::string(buf.data());
}

int WritePageFiles(const std::string& folder) {
    int written = 0;
    for (const char* name : {kChartLibFile, kChartPageFile, kChartHtmlFile}) {
        const EmbeddedFile* file = FindChartPageFile(name);
        if (!file) continue;  // a missing resource skips its file
        std::string_view bytes(reinterpret_cast<const char*>(file->data), file->size);
        if (zl::WriteFileAtomically(folder + "/" + name, bytes)) ++written;
    }
    return written;
}

void RemovePageFiles(const std::string& folder, bool removeFolder) {
    for (const char* name : {kChartLibFile, kChartPageFile, kChartHtmlFile, kChartDataFile}) {
        unlink((folder + "/" + name).c_str());
    }
    if (removeFolder) rmdir(folder.c_str());
}

std::string PageUrlOf(const std::string& folder) {
    const std::string base = NormalizeFolder(folder);
    const std::string path = (base == "/" ? std::string() : base) + "/" + kChartHtmlFile;
    std::string out = "file://";
    if (path.empty() || path[0] != '/') out += "/";  // "C:/..." gives "file:///C:/..."
    for (char c : path) {
        switch (c) {
            case ' ':
                out += "%20";
                break;
            case '%':
                out += "%25";
                break;
            case '#':
                out += "%23";
                break;
            case '?':
                out += "%3F";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace zl
