#include "base/CounterTypes.h"

#include <cctype>

namespace zl {

namespace {

struct TypeRow {
    const char* storedName;
    const char* relativePath;
};

constexpr TypeRow kTypes[kCounterTypeCount] = {
    {"2DPeopleCounter", "\\PeopleCounterData\\PeopleCounter.db"},
    {"3DPeopleCounter", "\\PeopleCounterData\\3DPeopleCounter.db"},
    {"AccessCounter", "\\AccessCounterData\\AccessCounter.db"},
    {"ZoneCounter", "\\ZoneCounterData\\ZoneCounter.db"},
    {"FlowCounter", "\\FlowCountData\\FlowCount.db"},
    {"TrafficCounter", "\\TrafficCounterData\\TrafficCounter.db"},
    {"QueueLength", "\\QueueLengthData\\QueueLengthMonitoring.db"},
};

}  // namespace

const char* const kQueueWaitingRelativePath = "\\QueueLengthData\\QueueLengthMonitoringWaiting.db";
const char* const kQueueServedRelativePath = "\\QueueLengthData\\QueueLengthMonitoringServed.db";

const char* CounterTypeStoredName(int code) {
    return IsValidCounterType(code) ? kTypes[code - 1].storedName : "";
}

const char* CounterTypeRelativePath(int code) {
    return IsValidCounterType(code) ? kTypes[code - 1].relativePath : "";
}

bool IsDatabaseFile(const std::string& path) {
    if (path.size() < 3) return false;
    const char* tail = path.c_str() + path.size() - 3;
    return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'd' &&
           std::tolower(static_cast<unsigned char>(tail[2])) == 'b';
}

std::string CutAtLastSeparator(const std::string& path) {
    const auto pos = path.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string AppendRelativePath(const std::string& base, const std::string& relative) {
    const bool backslash = base.find('\\') != std::string::npos;
    std::string out = base;
    for (char c : relative) out += (c == '\\' && !backslash) ? '/' : c;
    return out;
}

std::string DatabasePathOfType(const std::string& path, int code) {
    std::string root = path;
    if (IsDatabaseFile(root)) root = CutAtLastSeparator(CutAtLastSeparator(root));
    if (!IsValidCounterType(code)) return root;
    return AppendRelativePath(root, CounterTypeRelativePath(code));
}

}  // namespace zl
