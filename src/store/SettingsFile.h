// "Setting .ini" of the program folder (the name has a blank before the dot) and the keys of
// it that belong to no store: the counter type selected last, and the certificate the remote
// client trusts for servers that use TLS.
#pragma once

#include <string>

namespace zl {

// The program folder followed by "Setting .ini".
std::string DefaultSettingsFile();

// Key "CounterType" of section "P_Count_Setting": the leading number of the value, 1 when the
// file or the key is missing. A number outside 1..7 names no counter type and is taken as no
// choice saved (1), so that new sites and queries never get a type that does not exist.
int LoadLastCounterType(const std::string& file);
// Writes the counter type as decimal text; false when the file could not be written.
bool SaveLastCounterType(const std::string& file, int counterType);

// Key "CaFile" of section "RecNetTls": a PEM file with the certificate of the authority that
// signed the servers' certificates (or a server's own certificate). A relative path is taken
// from the settings file's folder. Empty when not set: servers are reached without TLS.
std::string LoadTrustedCaFile(const std::string& file);

// Key "TYPE" of section "LANGUAGE": the language file's name in the LANG folder.
constexpr const char* kDefaultLanguageFile = "zelkoReporter_ENG.ini";
std::string LoadLanguageFileName(const std::string& file);
bool SaveLanguageFileName(const std::string& file, const std::string& name);

// Key "CODEPAGE" of section "LANGUAGE": the code page of files that are neither UTF-8 nor
// UTF-16 (a number such as 950 or 1252, or an iconv name). Sets the process-wide legacy code
// page when the key is present; false with *error set for a code page iconv does not know
// (the legacy code page then stays as it was).
bool ApplyCodePageSetting(const std::string& file, std::string* error = nullptr);

}  // namespace zl
