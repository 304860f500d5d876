// "Setting .ini" of the program folder (the name has a blank before the dot) and the keys of
// it that belong to no store: the counter type selected last.
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

}  // namespace zl
