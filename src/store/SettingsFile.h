// "Setting .ini" of the program folder (the name has a blank before the dot) and the keys of
// it that belong to no store: the counter type selected last, and the certificate the remote
// client trusts for servers that use TLS.
#pragma once

#include <string>

namespace zl {

// The program folder followed by "Setting .ini".
std::string DefaultSettingsFile();

// Key "CounterType" of section "P_Count_Setting": the leading number of the value, 1 when the
// file or the key is missing.
int LoadLastCounterType(const std::string& file);
// Writes the counter type as decimal text; false when the file could not be written.
bool SaveLastCounterType(const std::string& file, int counterType);

// Key "CaFile" of section "RecNetTls": a PEM file with the certificate of the authority that
// signed the servers' certificates (or a server's own certificate). A relative path is taken
// from the settings file's folder. Empty when not set: servers are reached without TLS.
std::string LoadTrustedCaFile(const std::string& file);

}  // namespace zl
