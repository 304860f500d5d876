// Profile-file writer: a file of any bytes, then a series of writes and deletions with any
// values. Every value written under a name the program could use reads back (line breaks as
// blanks, bytes that are not UTF-8 as U+FFFD), before and after the file is saved and loaded
// again; deleted keys and sections stay deleted. A file that is no text is never written.
#include <cstdint>
#include <map>
#include <string>

#include "FuzzKit.h"
#include "base/Profile.h"
#include "base/TextCodec.h"

namespace zl {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// A name as the file keeps it.
std::string Normal(const std::string& text) {
    std::string s = zl::ToValidUtf8(text);
    for (char& c : s) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return Trim(s);
}

// A value as it reads back: blanks at its ends are kept (it is written in quotes).
std::string NormalValue(const std::string& text) {
    std::string s = zl::ToValidUtf8(text);
    for (char& c : s) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Names that can be written as a header or a key line and read back as the same name. The
// program's own names ("SITE_LIST_COUNT00", "strItemName", ...) all are.
bool IsPlainSection(const std::string& s) {
    return s.find(']') == std::string::npos;
}
bool IsPlainKey(const std::string& k) {
    return !k.empty() && k.find('=') == std::string::npos && k[0] != '[' && k[0] != ';' &&
           k[0] != '#';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zl::fuzz::Scratch;
    zl::fuzz::Input in(data, size);
    const std::string path = Scratch::File("write.ini");
    if (!zl::fuzz::WriteFile(path, in.Text(4096))) return 0;

    zl::ProfileFile file(path);
    std::string text;
    zl::TextForm form;
    const std::string bytes = zl::fuzz::ReadFile(path);
    const bool decodes = zl::DecodeText(bytes, zl::LegacyCodePage(), &text, &form);
    const bool loaded = file.Load();
    ZL_FUZZ_CHECK(loaded == decodes, "a file loads exactly when its bytes are text");
    if (!loaded) {
        file.SetString("S", "k", "v");
        ZL_FUZZ_CHECK(!file.Save(), "a file that is no text is written over");
        ZL_FUZZ_CHECK(zl::fuzz::ReadFile(path) == bytes, "a file that is no text changed");
        return 0;
    }

    static const char* const kSections[] = {
        "SITE_LIST", "site_list", " Site_List ", "SITE_LIST_COUNT00", "P_Count_Setting",
        "STRING",    ""};
    static const char* const kKeys[] = {"COUNT",   "count",           "strItemName", "nPort",
                                        " nPort ", "dsCamera_INF_00", "156"};
    // Expected values of the names written so far: lower-case section -> lower-case key.
    std::map<std::string, std::map<std::string, std::string>> expected;
    std::map<std::string, std::map<std::string, bool>> deletedKeys;
    std::map<std::string, bool> deletedSections;
    // A name the program never uses ("a=b", "x]y") may read back as another name; after one
    // of those only crashes count.
    bool verifiable = true;

    const int operations = in.Range(0, 40);
    for (int op = 0; op < operations && !in.Empty(); ++op) {
        const int kind = in.Range(0, 9);
        std::string section = in.Bool() ? in.Pick(kSections) : in.Text(24);
        std::string key = in.Bool() ? in.Pick(kKeys) : in.Text(24);
        const std::string ls = Lower(Normal(section));
        const std::string lk = Lower(Normal(key));
        const bool plainSection = IsPlainSection(Normal(section));
        const bool plainKey = IsPlainKey(Normal(key));
        if (kind == 8) {
            file.DeleteKey(section, key);
            if (plainSection && plainKey && Normal(section) == Trim(section) &&
                Normal(key) == Trim(key)) {
                if (expected.count(ls)) expected[ls].erase(lk);
                deletedKeys[ls][lk] = true;
            }
        } else if (kind == 9) {
            file.DeleteSection(section);
            if (plainSection && Normal(section) == Trim(section)) {
                expected.erase(ls);
                deletedKeys.erase(ls);
                deletedSections[ls] = true;
            }
        } else {
            const std::string value = in.Text(kind == 7 ? 2000 : 40);
            file.SetString(section, key, value);
            if (!plainSection || !plainKey) {
                verifiable = false;
                continue;
            }
            expected[ls][lk] = NormalValue(value);
            deletedKeys[ls].erase(lk);
            deletedSections.erase(ls);
            const std::string got = file.GetString(Normal(section), Normal(key), "\x01missing");
            ZL_FUZZ_CHECK(got == NormalValue(value), "[" + section + "] " + key + " = " + got);
        }
    }

    auto verify = [&](const zl::ProfileFile& f, const char* when) {
        if (!verifiable) return;
        for (const auto& [section, keys] : expected) {
            for (const auto& [key, value] : keys) {
                const std::string got = f.GetString(section, key, "\x01missing");
                ZL_FUZZ_CHECK(got == value, std::string(when) + ": [" + section + "] " + key +
                                                " = '" + got + "', expected '" + value + "'");
            }
        }
        for (const auto& [section, keys] : deletedKeys) {
            for (const auto& [key, gone] : keys)
                ZL_FUZZ_CHECK(!f.Has(section, key),
                              std::string(when) + ": deleted [" + section + "] " + key);
        }
        for (const auto& [section, gone] : deletedSections)
            ZL_FUZZ_CHECK(!f.HasSection(section),
                          std::string(when) + ": deleted [" + section + "]");
    };
    verify(file, "in memory");
    ZL_FUZZ_CHECK(file.Save(), "save");
    zl::ProfileFile again(path);
    ZL_FUZZ_CHECK(again.Load(), "reload");
    verify(again, "after reload");
    return 0;
}

}  // namespace zl
