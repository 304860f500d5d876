#include "base/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace zl {
namespace {

std::mutex& CodePageMutex() {
    static std::mutex m;
    return m;
}

std::string& CodePageSetting() {
    static std::string name = "CP950";
    return name;
}

bool& CodePagePinned() {
    static bool pinned = false;
    return pinned;
}

// One iconv conversion of the whole input; false on any sequence that does not convert.
bool Convert(const char* to, const char* from, std::string_view in, std::string* out,
             std::string* error) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (error) *error = std::string("no conversion from ") + from + " to " + to;
        return false;
    }
    std::string result;
    result.resize(in.size() * 4 + 16);
    char* inp = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outp = result.data();
    size_t outLeft = result.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) {
            const size_t used = static_cast<size_t>(outp - result.data());
            result.resize(result.size() * 2);
            outp = result.data() + used;
            outLeft = result.size() - used;
            continue;
        }
        if (error) {
            const size_t at = in.size() - inLeft;
            *error = std::string(errno == EINVAL ? "incomplete" : "invalid") + " " + from +
                     " text at byte " + std::to_string(at);
        }
        ok = false;
        break;
    }
    iconv_close(cd);
    if (!ok) return false;
    result.resize(static_cast<size_t>(outp - result.data()));
    *out = std::move(result);
    return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string CodePageName(const std::string& name) {
    std::string n;
    for (char c : name) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        n += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (!n.empty() && n.find_first_not_of("0123456789") == std::string::npos) n = "CP" + n;
    return n;
}

bool SetLegacyCodePage(const std::string& name, bool pin) {
    const std::string n = CodePageName(name);
    if (n.empty()) return false;
    iconv_t cd = iconv_open("UTF-8", n.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    std::lock_guard<std::mutex> lock(CodePageMutex());
    if (CodePagePinned() && !pin) return true;
    CodePageSetting() = n;
    CodePagePinned() = pin;
    return true;
}

std::string LegacyCodePage() {
    std::lock_guard<std::mutex> lock(CodePageMutex());
    return CodePageSetting();
}

namespace {

// The length of the valid UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8SequenceAt(std::string_view s, size_t i) {
    const size_t n = s.size();
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    size_t len;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > n) return 0;
    for (size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t len = Utf8SequenceAt(s, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string ToValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const size_t len = Utf8SequenceAt(s, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
    return out;
}

bool DecodeText(std::string_view bytes, const std::string& legacyCodePage, std::string* utf8,
                TextForm* form, std::string* error) {
    utf8->clear();
    TextForm f;
    std::string out;
    bool ok = true;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        f.encoding = TextEncoding::Utf8Bom;
        out.assign(bytes.substr(3));
        if (!IsValidUtf8(out)) {
            ok = false;
            if (error) *error = "invalid UTF-8 after a UTF-8 byte-order mark";
        }
    } else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
        const bool le = bytes[0] == '\xFF';
        f.encoding = le ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
        std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0) {
            ok = false;
            if (error) *error = "UTF-16 text of an odd number of bytes";
        } else {
            ok = Convert("UTF-8", le ? "UTF-16LE" : "UTF-16BE", body, &out, error);
        }
    } else if (IsValidUtf8(bytes)) {
        out.assign(bytes);
    } else {
        f.encoding = TextEncoding::CodePage;
        f.codePage = CodePageName(legacyCodePage);
        ok = Convert("UTF-8", f.codePage.c_str(), bytes, &out, error);
    }
    if (!ok) return false;
    *utf8 = std::move(out);
    *form = std::move(f);
    return true;
}

bool EncodeText(std::string_view utf8, const TextForm& form, std::string* bytes) {
    std::string out;
    switch (form.encoding) {
        case TextEncoding::Utf8:
            bytes->assign(utf8);
            return true;
        case TextEncoding::Utf8Bom:
            *bytes = "\xEF\xBB\xBF";
            bytes->append(utf8);
            return true;
        case TextEncoding::Utf16Le:
            if (!Convert("UTF-16LE", "UTF-8", utf8, &out, nullptr)) return false;
            *bytes = "\xFF\xFE" + out;
            return true;
        case TextEncoding::Utf16Be:
            if (!Convert("UTF-16BE", "UTF-8", utf8, &out, nullptr)) return false;
            *bytes = "\xFE\xFF" + out;
            return true;
        case TextEncoding::CodePage:
            if (!Convert(form.codePage.c_str(), "UTF-8", utf8, &out, nullptr)) return false;
            *bytes = std::move(out);
            return true;
    }
    return false;
}

std::string TextFormName(const TextForm& form) {
    switch (form.encoding) {
        case TextEncoding::Utf8:
            return "UTF-8";
        case TextEncoding::Utf8Bom:
            return "UTF-8 with BOM";
        case TextEncoding::Utf16Le:
            return "UTF-16 LE";
        case TextEncoding::Utf16Be:
            return "UTF-16 BE";
        case TextEncoding::CodePage:
            return "code page " + form.codePage;
    }
    return "?";
}

}  // namespace zl
