// Profile (INI) files with the semantics the stores rely on: sections and keys compare without
// regard to case, whitespace around names and values is ignored, a missing file, section or key
// gives the default, writing keeps every other line, comment and order. Files are replaced
// atomically (temporary file + rename), so a crash never leaves half a file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/TextCodec.h"

namespace zl {

// An INI file loaded into memory. Reads answer from memory; writes change memory; Save()
// writes the whole file once. Use it to batch many keys into one write.
//
// Duplicate sections or keys: the first occurrence is the one read and the one updated.
// Line ends: CR LF, LF and a lone CR each end a line; a saved file keeps the style of its first
// line end (new files use CR LF). The bytes are decoded as TextCodec.h describes and a save
// writes them back in the same encoding (UTF-8 with BOM when a character does not fit).
// Values: one pair of double quotes around a value is not part of it ("a b" reads as a b).
class ProfileFile {
  public:
    ProfileFile() = default;
    explicit ProfileFile(std::string path);

    // Reads the file; a missing file is an empty profile (returns true). False when the file
    // exists but cannot be read or decoded (LoadError() says why); Save() then refuses to
    // overwrite it until Clear().
    bool Load();
    // Writes the whole file atomically. On failure the old file is left as it was and
    // *error (when given) says why. *notice (when given) tells of a change of encoding that
    // was needed to keep every character; it is empty otherwise.
    bool Save(std::string* error = nullptr, std::string* notice = nullptr) const;
    const std::string& LoadError() const { return loadError_; }
    // The encoding the file was read in (UTF-8 for a new file) and the one Save writes.
    const TextForm& Form() const { return form_; }
    void SetForm(TextForm form) { form_ = std::move(form); }
    // Saves give the file mode 0600 (files holding passwords).
    void SetOwnerOnly(bool ownerOnly) { ownerOnly_ = ownerOnly; }

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    bool Has(const std::string& section, const std::string& key) const;
    bool HasSection(const std::string& section) const;
    // The value without one pair of surrounding double quotes; def without trailing blanks
    // when the key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const;
    // GetPrivateProfileIntA semantics: the leading decimal number (optional sign); the default
    // when the key is missing or its value is empty; 0 when the value has no leading digits.
    int GetInt(const std::string& section, const std::string& key, int def) const;
    // A value that GetString would not give back as it is (blanks at either end, or quotes
    // around it) is written inside double quotes; so is any new value of a key whose value
    // was quoted. Setting the value a key already has leaves its line as it is.
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void DeleteKey(const std::string& section, const std::string& key);
    void DeleteSection(const std::string& section);
    void Clear();  // drops every line (Save then writes an empty file)

    // Names as written in the file, first occurrences only, in file order.
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(const std::string& section) const;

    struct Line {
        std::string text;     // the raw line without its line end
        std::string section;  // for a section header: its name; else empty
        std::string key;      // for a key line: its trimmed name; else empty
        std::string value;    // for a key line: its trimmed value, quotes included
        enum Kind { Other, Section, Key } kind = Other;
    };

    // Steps of Save() at which a test can make it fail (the hook returns true to fail).
    enum class SaveStep { CreateTemp, Write, Sync, Rename };
    using SaveFaultHook = std::function<bool(SaveStep)>;
    // Process-wide; an empty hook turns fault injection off.
    static void SetSaveFaultHook(SaveFaultHook hook);

  private:
    // The lines of one section: lines[0] is its header. Block 0 holds the lines before the
    // first header and belongs to no section.
    struct Block {
        std::vector<Line> lines;
        std::string lowerName;
        bool header = false;
        std::unordered_map<std::string, size_t> keys;  // lower-case key -> first line index
    };

    const Line* FindKey(const std::string& section, const std::string& key) const;
    Block* FindBlock(const std::string& section);
    void AddLine(Line line);
    void Reindex();

    std::string path_;
    std::vector<Block> blocks_;
    std::unordered_map<std::string, size_t> sectionIndex_;  // lower-case name -> first block
    std::string eol_ = "\r\n";
    TextForm form_;
    bool loadFailed_ = false;
    bool ownerOnly_ = false;
    std::string loadError_;
};

// The private-profile API on top of ProfileFile, one file access per call, as the system's
// callers use it. Buffers receive at most size - 1 characters and a terminating zero; the
// result is the number of characters copied. A null key lists the section's keys, a null
// section lists the sections (each name ended by a zero, the list by a second zero).
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                  char* buffer, unsigned size, const char* file);
unsigned GetPrivateProfileIntA(const char* section, const char* key, int def, const char* file);
// A null value deletes the key, a null key deletes the section. 1 on success, 0 on failure.
int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* file);

}  // namespace zl
