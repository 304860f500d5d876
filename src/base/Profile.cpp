#include "base/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/AtomicFile.h"

namespace zl {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

// Names compare without regard to ASCII case; other bytes (UTF-8) compare as they are.
std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A line break inside a name or value would split the line and could forge sections or keys;
// bytes that are not UTF-8 could not be read back from a file of any encoding.
std::string OneLine(const std::string& s) {
    std::string out = ToValidUtf8(s);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

bool IsQuoted(const std::string& v) {
    return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

std::string Unquote(const std::string& v) {
    return IsQuoted(v) ? v.substr(1, v.size() - 2) : v;
}

// The text to store so that GetString gives value back.
std::string StoredValue(const std::string& value, bool quote) {
    const bool blankEnds = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    if (quote || blankEnds || IsQuoted(value)) return "\"" + value + "\"";
    return value;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

ProfileFile::Line ParseLine(std::string text) {
    ProfileFile::Line line;
    std::string t = Trim(text);
    if (!t.empty() && t[0] == '[') {
        size_t close = t.find(']');
        if (close != std::string::npos) {
            line.kind = ProfileFile::Line::Section;
            line.section = Trim(std::string_view(t).substr(1, close - 1));
        }
    } else if (!t.empty() && t[0] != ';' && t[0] != '#') {
        size_t eq = t.find('=');
        if (eq != std::string::npos) {
            std::string key = Trim(std::string_view(t).substr(0, eq));
            if (!key.empty()) {
                line.kind = ProfileFile::Line::Key;
                line.key = std::move(key);
                line.value = Trim(std::string_view(t).substr(eq + 1));
            }
        }
    }
    line.text = std::move(text);
    return line;
}

bool ReadWholeFile(const std::string& path, std::string& data, bool& missing) {
    missing = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = (errno == ENOENT || errno == ENOTDIR);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    data.clear();
    if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

void ProfileFile::SetSaveFaultHook(SaveFaultHook hook) {
    if (!hook) {
        SetAtomicWriteFaultHook({});
        return;
    }
    SetAtomicWriteFaultHook([hook = std::move(hook)](AtomicWriteStep step) {
        return hook(static_cast<SaveStep>(step));
    });
}

void ProfileFile::Clear() {
    blocks_.clear();
    sectionIndex_.clear();
    loadFailed_ = false;
    loadError_.clear();
}

bool ProfileFile::Load() {
    Clear();
    eol_ = "\r\n";
    form_ = TextForm();
    std::string raw;
    bool missing = false;
    if (!ReadWholeFile(path_, raw, missing)) {
        loadFailed_ = !missing;
        if (loadFailed_) loadError_ = "'" + path_ + "' cannot be read: " + std::strerror(errno);
        return missing;
    }
    std::string data;
    std::string why;
    if (!DecodeText(raw, LegacyCodePage(), &data, &form_, &why)) {
        loadFailed_ = true;
        loadError_ = "'" + path_ + "' is not text in a known encoding (" + why + ")";
        return false;
    }
    const size_t firstEnd = data.find_first_of("\r\n");
    if (firstEnd != std::string::npos) {
        if (data[firstEnd] == '\n')
            eol_ = "\n";
        else
            eol_ = firstEnd + 1 < data.size() && data[firstEnd + 1] == '\n' ? "\r\n" : "\r";
    }
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t end = std::min(data.find_first_of("\r\n", pos), data.size());
        AddLine(ParseLine(data.substr(pos, end - pos)));
        if (end == data.size()) break;
        pos = end + 1;
        if (data[end] == '\r' && pos < data.size() && data[pos] == '\n') ++pos;
    }
    return true;
}

void ProfileFile::AddLine(Line line) {
    if (blocks_.empty()) blocks_.emplace_back();  // the lines before any section
    if (line.kind == Line::Section) {
        Block b;
        b.header = true;
        b.lowerName = Lower(line.section);
        sectionIndex_.emplace(b.lowerName, blocks_.size());
        b.lines.push_back(std::move(line));
        blocks_.push_back(std::move(b));
        return;
    }
    Block& b = blocks_.back();
    if (line.kind == Line::Key && b.header) b.keys.emplace(Lower(line.key), b.lines.size());
    b.lines.push_back(std::move(line));
}

void ProfileFile::Reindex() {
    sectionIndex_.clear();
    for (size_t i = 0; i < blocks_.size(); ++i) {
        if (blocks_[i].header) sectionIndex_.emplace(blocks_[i].lowerName, i);
    }
}

bool ProfileFile::Save(std::string* error, std::string* notice) const {
    if (notice) notice->clear();
    if (loadFailed_) {
        if (error)
            *error = (loadError_.empty() ? "'" + path_ + "' could not be read" : loadError_) +
                     "; it is not overwritten";
        return false;
    }
    std::string text;
    size_t total = 0;
    for (const Block& b : blocks_) {
        for (const Line& l : b.lines) total += l.text.size() + 2;
    }
    text.reserve(total);
    for (const Block& b : blocks_) {
        for (const Line& l : b.lines) {
            text += l.text;
            text += eol_;
        }
    }
    std::string out;
    if (!EncodeText(text, form_, &out)) {
        // Every character is kept rather than the encoding: UTF-8 holds them all, and the BOM
        // keeps the file from being taken for the code page again.
        TextForm fallback;
        fallback.encoding = TextEncoding::Utf8Bom;
        EncodeText(text, fallback, &out);
        const std::string why = "'" + path_ + "' holds characters that " + TextFormName(form_) +
                                " cannot hold; it is written as " + TextFormName(fallback);
        if (notice)
            *notice = why;
        else
            std::fprintf(stderr, "%s\n", why.c_str());
    }
    return WriteFileAtomically(path_, out, error, ownerOnly_);
}

ProfileFile::Block* ProfileFile::FindBlock(const std::string& section) {
    auto it = sectionIndex_.find(Lower(Trim(section)));
    return it == sectionIndex_.end() ? nullptr : &blocks_[it->second];
}

const ProfileFile::Line* ProfileFile::FindKey(const std::string& section,
                                              const std::string& key) const {
    auto it = sectionIndex_.find(Lower(Trim(section)));
    if (it == sectionIndex_.end()) return nullptr;
    const Block& b = blocks_[it->second];
    auto k = b.keys.find(Lower(Trim(key)));
    return k == b.keys.end() ? nullptr : &b.lines[k->second];
}

bool ProfileFile::Has(const std::string& section, const std::string& key) const {
    return FindKey(section, key) != nullptr;
}

bool ProfileFile::HasSection(const std::string& section) const {
    return sectionIndex_.count(Lower(Trim(section))) != 0;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& def) const {
    const Line* l = FindKey(section, key);
    return l ? Unquote(l->value) : TrimRight(def);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int def) const {
    const Line* l = FindKey(section, key);
    if (!l || l->value.empty()) return def;
    const std::string v = Unquote(l->value);
    if (v.empty()) return 0;
    size_t i = 0;
    bool negative = false;
    if (v[i] == '+' || v[i] == '-') negative = v[i++] == '-';
    int64_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        n = n * 10 + (v[i] - '0');
        if (n > static_cast<int64_t>(INT_MAX) + 1) n = static_cast<int64_t>(INT_MAX) + 1;
    }
    if (negative) n = -n;
    if (n > INT_MAX) n = INT_MAX;  // out-of-range numbers saturate instead of wrapping
    return static_cast<int>(n);
}

void ProfileFile::SetString(const std::string& section, const std::string& key,
                            const std::string& value) {
    const std::string sec = Trim(OneLine(section));
    const std::string k = Trim(OneLine(key));
    const std::string v = OneLine(value);
    if (k.empty()) return;
    Block* b = FindBlock(sec);
    if (!b) {
        Line header;
        header.kind = Line::Section;
        header.section = sec;
        header.text = "[" + sec + "]";
        AddLine(std::move(header));
        b = &blocks_.back();
    }
    auto it = b->keys.find(Lower(k));
    if (it != b->keys.end()) {
        Line& l = b->lines[it->second];
        if (Unquote(l.value) == v) return;
        l.value = StoredValue(v, IsQuoted(l.value));
        l.text = l.key + "=" + l.value;
        return;
    }
    // A new key goes after the section's last key (or its header), before any blank lines or
    // comments that separate it from the next section.
    size_t at = 1;
    for (size_t i = b->lines.size(); i-- > 1;) {
        if (b->lines[i].kind == Line::Key) {
            at = i + 1;
            break;
        }
    }
    Line line;
    line.kind = Line::Key;
    line.key = k;
    line.value = StoredValue(v, false);
    line.text = k + "=" + line.value;
    b->lines.insert(b->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    if (at != b->lines.size() - 1) {
        for (auto& [name, index] : b->keys) {
            if (index >= at) ++index;
        }
    }
    b->keys.emplace(Lower(k), at);
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
    Block* b = FindBlock(section);
    if (!b) return;
    const std::string lk = Lower(Trim(key));
    // Every line of that key goes, so that a duplicate does not come back as the value.
    std::vector<Line> kept;
    kept.reserve(b->lines.size());
    for (Line& l : b->lines) {
        if (l.kind == Line::Key && Lower(l.key) == lk) continue;
        kept.push_back(std::move(l));
    }
    b->lines = std::move(kept);
    b->keys.clear();
    for (size_t i = 1; i < b->lines.size(); ++i) {
        if (b->lines[i].kind == Line::Key) b->keys.emplace(Lower(b->lines[i].key), i);
    }
}

void ProfileFile::DeleteSection(const std::string& section) {
    const std::string ls = Lower(Trim(section));
    std::vector<Block> kept;
    kept.reserve(blocks_.size());
    for (Block& b : blocks_) {
        if (b.header && b.lowerName == ls) continue;
        kept.push_back(std::move(b));
    }
    blocks_ = std::move(kept);
    Reindex();
}

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < blocks_.size(); ++i) {
        const Block& b = blocks_[i];
        if (b.header && sectionIndex_.at(b.lowerName) == i) names.push_back(b.lines[0].section);
    }
    return names;
}

std::vector<std::string> ProfileFile::KeyNames(const std::string& section) const {
    std::vector<std::string> names;
    auto it = sectionIndex_.find(Lower(Trim(section)));
    if (it == sectionIndex_.end()) return names;
    const Block& b = blocks_[it->second];
    for (size_t i = 1; i < b.lines.size(); ++i) {
        const Line& l = b.lines[i];
        if (l.kind == Line::Key && b.keys.at(Lower(l.key)) == i) names.push_back(l.key);
    }
    return names;
}

}  // namespace zl
