// Counter types (codes 1..7), their stored names and where each type's database lies below a
// site's database folder.
#pragma once

#include <string>

namespace zl {

enum CounterTypeCode {
    kPeople2D = 1,
    kPeople3D = 2,
    kAccess = 3,
    kZone = 4,
    kFlow = 5,
    kTraffic = 6,
    kQueue = 7,
};

constexpr int kCounterTypeCount = 7;

inline bool IsValidCounterType(int code) {
    return code >= 1 && code <= kCounterTypeCount;
}
inline bool IsPeopleCounterType(int code) {
    return code == kPeople2D || code == kPeople3D;
}

// "2DPeopleCounter" ... "QueueLength"; empty for other codes.
const char* CounterTypeStoredName(int code);
// "\PeopleCounterData\PeopleCounter.db" ...; empty for other codes.
const char* CounterTypeRelativePath(int code);
extern const char* const kQueueWaitingRelativePath;  // "\QueueLengthData\...Waiting.db"
extern const char* const kQueueServedRelativePath;   // "\QueueLengthData\...Served.db"

// True when the last three characters are ".db", without regard to case.
bool IsDatabaseFile(const std::string& path);
// Cuts at the last '\' or '/'; keeps the text before it (empty when there is none).
std::string CutAtLastSeparator(const std::string& path);
// Appends a relative path written with '\' using the separator the base already uses
// ('/' when it has none).
std::string AppendRelativePath(const std::string& base, const std::string& relative);
// A database file (".db") is cut twice (file name, type folder); then the type's relative
// path is appended for codes 1..7.
std::string DatabasePathOfType(const std::string& path, int code);

}  // namespace zl
