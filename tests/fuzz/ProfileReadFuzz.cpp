// Profile-file reader: any bytes as an INI file. Loading never fails on content, every name it
// lists can be read, the private-profile calls fill buffers of any size without writing past
// them, and a saved copy reads back with the same sections, keys and values.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "base/Profile.h"
#include "base/TextCodec.h"

namespace zl {

namespace {

using Snapshot = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

Snapshot Read(const zl::ProfileFile& file) {
    Snapshot snap;
    for (const std::string& section : file.SectionNames()) {
        auto& keys = snap[section];
        for (const std::string& key : file.KeyNames(section))
            keys.emplace_back(key, file.GetString(section, key, "\x01missing"));
    }
    return snap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zl::fuzz::Scratch;
    // The first byte chooses the buffer size of the private-profile calls; the rest is the file.
    const unsigned bufferSize = size > 0 ? 1u + data[0] % 40u : 8u;
    const std::string bytes(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0),
                            size > 0 ? size - 1 : 0);
    const std::string path = Scratch::File("read.ini");
    if (!zl::fuzz::WriteFile(path, bytes)) return 0;

    zl::ProfileFile file(path);
    std::string text;
    zl::TextForm form;
    const bool decodes = zl::DecodeText(bytes, zl::LegacyCodePage(), &text, &form);
    ZL_FUZZ_CHECK(file.Load() == decodes, "a file loads exactly when its bytes are text");
    if (!decodes) return 0;
    const Snapshot before = Read(file);
    for (const auto& [section, keys] : before) {
        ZL_FUZZ_CHECK(file.HasSection(section), section);
        for (const auto& [key, value] : keys) {
            ZL_FUZZ_CHECK(file.Has(section, key), section + "/" + key);
            ZL_FUZZ_CHECK(value != "\x01missing", section + "/" + key);
            (void)file.GetInt(section, key, 7);
        }
    }

    // The buffer is exactly as large as announced, so a write past it is seen by the sanitizer.
    auto buffer = std::make_unique<char[]>(bufferSize);
    const unsigned sections =
        GetPrivateProfileStringA(nullptr, nullptr, "", buffer.get(), bufferSize, path.c_str());
    ZL_FUZZ_CHECK(sections < bufferSize, "section list length");
    int probes = 0;
    auto cText = [](const std::string& s) { return s.find('\0') == std::string::npos; };
    for (const auto& [section, keys] : before) {
        // The C calls take names as C strings: a name with a zero byte cannot be asked for.
        if (!cText(section)) continue;
        if (++probes > 8) break;
        const unsigned n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.get(),
                                                    bufferSize, path.c_str());
        ZL_FUZZ_CHECK(n < bufferSize, "key list length");
        for (const auto& [key, value] : keys) {
            if (!cText(key)) continue;
            const unsigned m = GetPrivateProfileStringA(section.c_str(), key.c_str(), "def",
                                                        buffer.get(), bufferSize, path.c_str());
            ZL_FUZZ_CHECK(m < bufferSize && buffer[m] == '\0', "text length");
            ZL_FUZZ_CHECK(value.compare(0, m, buffer.get(), m) == 0, section + "/" + key);
            (void)GetPrivateProfileIntA(section.c_str(), key.c_str(), 3, path.c_str());
            break;
        }
    }

    // A saved copy holds the same names and values.
    const std::string copy = Scratch::File("copy.ini");
    file.SetPath(copy);
    ZL_FUZZ_CHECK(file.Save(), "save of a loaded file");
    zl::ProfileFile again(copy);
    ZL_FUZZ_CHECK(again.Load(), "reload");
    ZL_FUZZ_CHECK(Read(again) == before, "the saved copy reads differently");
    return 0;
}

}  // namespace zl
