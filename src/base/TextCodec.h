// The encodings of the INI and language files users bring from the earlier program. A file is
// read into UTF-8 (the only encoding inside the program) and written back in the encoding it
// was read in:
//   - a byte-order mark decides: EF BB BF is UTF-8, FF FE UTF-16 LE, FE FF UTF-16 BE;
//   - without one, text that is valid UTF-8 is UTF-8 (plain ASCII included);
//   - anything else is the legacy code page (950 unless the program's settings choose another).
#pragma once

#include <string>
#include <string_view>

namespace zl {

enum class TextEncoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, CodePage };

struct TextForm {
    TextEncoding encoding = TextEncoding::Utf8;
    std::string codePage;  // the iconv name, for CodePage only
};

// The process-wide legacy code page, "CP950" until set. SetLegacyCodePage accepts a number
// ("1252"), a "CP" name or any other name iconv knows; false (and nothing changed) for a name
// iconv cannot convert from. A pinned choice (the command line's) is kept when a later call
// without pin (the settings file's) names another page.
bool SetLegacyCodePage(const std::string& name, bool pin = false);
std::string LegacyCodePage();
// "1252" and "cp1252" -> "CP1252"; other names upper-cased; "" for an empty or blank name.
std::string CodePageName(const std::string& name);

bool IsValidUtf8(std::string_view text);
// The text with every byte that does not belong to a UTF-8 sequence replaced by U+FFFD, so
// that whatever is written into a file can be read back from it.
std::string ToValidUtf8(std::string_view text);

// Bytes of a file -> UTF-8. False when the bytes are not text in the encoding they claim (odd
// UTF-16 length, a broken surrogate, a byte sequence the legacy code page does not define);
// *error then says why and *utf8 is left empty.
bool DecodeText(std::string_view bytes, const std::string& legacyCodePage, std::string* utf8,
                TextForm* form, std::string* error = nullptr);

// UTF-8 -> bytes in the given form, with its byte-order mark. False when a character has no
// form in the target code page (nothing is replaced by a look-alike).
bool EncodeText(std::string_view utf8, const TextForm& form, std::string* bytes);

// "UTF-8", "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE" or the code page's name.
std::string TextFormName(const TextForm& form);

}  // namespace zl
