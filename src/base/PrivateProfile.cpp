// The private-profile calls, each one a load (and for writes a save) of the whole file.
// Texts in and out are UTF-8; the file keeps the encoding it was found in.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "base/Profile.h"

namespace zl {

namespace {

// Read-modify-write of one file by two threads must not lose either change.
std::mutex& ProfileMutex() {
    static std::mutex m;
    return m;
}

unsigned CopyText(const std::string& text, char* buffer, unsigned size) {
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

// Names each ended by a zero and the list by a second zero. A list that does not fit is cut
// and still ends with two zeros; the result is then size - 2.
unsigned CopyList(const std::vector<std::string>& names, char* buffer, unsigned size) {
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    size_t used = 0;
    for (const std::string& name : names) {
        if (used + name.size() + 1 > size - 1) {
            // The names so far may already fill the buffer up to its last byte.
            const size_t room = used < size - 2u ? size - 2u - used : 0;
            std::memcpy(buffer + used, name.data(), std::min(room, name.size()));
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + used, name.data(), name.size());
        used += name.size();
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    if (used == 0) buffer[1] = '\0';
    return static_cast<unsigned>(used);
}

}  // namespace

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                  char* buffer, unsigned size, const char* file) {
    if (!buffer || size == 0) return 0;
    // Trailing blanks of the default are dropped, as the documented call does.
    std::string fallback = def ? def : "";
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
        fallback.pop_back();
    if (!file) return CopyText(fallback, buffer, size);
    zl::ProfileFile profile(file);
    {
        std::lock_guard<std::mutex> lock(ProfileMutex());
        profile.Load();
    }
    if (!section) return CopyList(profile.SectionNames(), buffer, size);
    if (!key) return CopyList(profile.KeyNames(section), buffer, size);
    return CopyText(profile.GetString(section, key, fallback), buffer, size);
}

unsigned GetPrivateProfileIntA(const char* section, const char* key, int def, const char* file) {
    if (!section || !key || !file) return static_cast<unsigned>(def);
    zl::ProfileFile profile(file);
    {
        std::lock_guard<std::mutex> lock(ProfileMutex());
        profile.Load();
    }
    return static_cast<unsigned>(profile.GetInt(section, key, def));
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* file) {
    // All three null asks to flush a cache; every call here writes through, so it succeeds.
    if (!section && !key && !value) return 1;
    if (!section || !file) return 0;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    zl::ProfileFile profile(file);
    if (!profile.Load()) return 0;  // never replace a file we could not read or decode
    if (!key) {
        if (!profile.HasSection(section)) return 1;  // nothing to delete: no file is created
        profile.DeleteSection(section);
    } else if (!value) {
        if (!profile.Has(section, key)) return 1;
        profile.DeleteKey(section, key);
    } else {
        if (profile.Has(section, key) && profile.GetString(section, key, "") == value)
            return 1;  // unchanged: the file is not rewritten
        profile.SetString(section, key, value);
    }
    return profile.Save() ? 1 : 0;
}

}  // namespace zl
