// Profile (INI) files with the semantics the stores rely on: sections and keys compare without
// regard to case, whitespace around names and values is ignored, a missing file, section or key
// gives the default, writing keeps every other line, comment and order. Files are replaced
// atomically (temporary file + rename), so a crash never leaves half a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zl {

// An INI file loaded into memory. Reads answer from memory; writes change memory; Save()
// writes the whole file once. Use it to batch many keys into one write.
class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(std::string path);

    // Reads the file; a missing file is an empty profile (returns true). False only when the
    // file exists but cannot be read.
    bool Load();
    // Writes the whole file atomically. On failure the old file is left as it was and
    // *error (when given) says why.
    bool Save(std::string* error = nullptr) const;

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    bool Has(const std::string& section, const std::string& key) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const;
    // GetPrivateProfileIntA semantics: the leading decimal number (optional sign); the default
    // when the key is missing; 0 when the value has no leading digits.
    int GetInt(const std::string& section, const std::string& key, int def) const;
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void DeleteSection(const std::string& section);
    void Clear();  // drops every line (Save then writes an empty file)

    struct Line {
        std::string text;     // the raw line without its line end
        std::string section;  // for a section header: its name; else empty
        std::string key;      // for a key line: its trimmed name; else empty
        std::string value;    // for a key line: its trimmed value
        enum Kind { Other, Section, Key } kind = Other;
    };

private:
    std::string path_;
    std::vector<Line> lines_;
    bool crlf_ = false;
};

}  // namespace zl

// The private-profile API on top of ProfileFile, one file access per call, as the system's
// callers use it. Buffers receive at most size - 1 characters and a terminating zero.
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                  char* buffer, unsigned size, const char* file);
unsigned GetPrivateProfileIntA(const char* section, const char* key, int def, const char* file);
int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* file);
