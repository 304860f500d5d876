#include "query/ClosedDays.h"

#include <cstdio>
#include <sstream>

#include "base/Profile.h"

namespace zl {

namespace {

constexpr const char* kSection = "ClosedDays";
constexpr const char* kWeekdaysKey = "Weekdays";
constexpr const char* kDatesKey = "Dates";

// The items of a list separated by commas, blanks or line ends; empty items dropped.
std::vector<std::string> Items(const std::string& text) {
    std::vector<std::string> out;
    std::string item;
    for (char c : text + ",") {
        if (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == ';') {
            if (!item.empty()) out.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    return out;
}

}  // namespace

bool ClosedDays::IsClosed(int year, int month, int day) const {
    return weekdays.count(DayOfWeek(year, month, day)) > 0 ||
           dates.count(year * 10000 + month * 100 + day) > 0;
}

bool ParseClosedWeekdays(const std::string& text, std::set<int>* weekdays, std::string* bad) {
    std::set<int> out;
    for (const std::string& item : Items(text)) {
        if (item.size() != 1 || item[0] < '0' || item[0] > '6') {
            if (bad) *bad = item;
            return false;
        }
        out.insert(item[0] - '0');
    }
    *weekdays = out;
    return true;
}

bool ParseClosedDates(const std::string& text, std::set<int>* dates, std::string* bad) {
    std::set<int> out;
    for (const std::string& item : Items(text)) {
        int y = 0, m = 0, d = 0;
        char tail = 0;
        const bool ok = item.size() == 10 && item[4] == '-' && item[7] == '-' &&
                        std::sscanf(item.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 &&
                        y >= 1900 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 &&
                        d <= DaysInMonth(y, m);
        if (!ok) {
            if (bad) *bad = item;
            return false;
        }
        out.insert(y * 10000 + m * 100 + d);
    }
    *dates = out;
    return true;
}

std::string ClosedWeekdaysText(const std::set<int>& weekdays) {
    std::string out;
    for (int w : weekdays) out += (out.empty() ? "" : ",") + std::to_string(w);
    return out;
}

std::string ClosedDatesText(const std::set<int>& dates) {
    std::string out;
    for (int d : dates) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d / 10000, d / 100 % 100, d % 100);
        out += (out.empty() ? "" : ",") + std::string(buf);
    }
    return out;
}

ClosedDays LoadClosedDays(const std::string& settingsFile) {
    ClosedDays days;
    char value[8192];
    GetPrivateProfileStringA(kSection, kWeekdaysKey, "", value, sizeof value, settingsFile.c_str());
    if (!ParseClosedWeekdays(value, &days.weekdays, nullptr)) days.weekdays.clear();
    GetPrivateProfileStringA(kSection, kDatesKey, "", value, sizeof value, settingsFile.c_str());
    if (!ParseClosedDates(value, &days.dates, nullptr)) days.dates.clear();
    return days;
}

bool SaveClosedDays(const std::string& settingsFile, const ClosedDays& days) {
    return WritePrivateProfileStringA(kSection, kWeekdaysKey,
                                      ClosedWeekdaysText(days.weekdays).c_str(),
                                      settingsFile.c_str()) != 0 &&
           WritePrivateProfileStringA(kSection, kDatesKey, ClosedDatesText(days.dates).c_str(),
                                      settingsFile.c_str()) != 0;
}

std::vector<bool> ClosedRows(const std::vector<CountRecord>& rows, int range,
                             const ClosedDays& days) {
    std::vector<bool> out(rows.size(), false);
    if (range == kRangeDay || days.Empty()) return out;
    for (size_t i = 0; i < rows.size(); ++i)
        out[i] = days.IsClosed(rows[i].fromYear, rows[i].fromMonth, rows[i].fromDay);
    return out;
}

bool OpenDayAverage(const std::vector<CountRecord>& rows, const std::vector<bool>& closed,
                    const std::vector<int>& indexes, double* average) {
    uint64_t sum = 0;
    size_t open = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i < closed.size() && closed[i]) continue;
        for (int k : indexes) sum += rows[i].values[k];
        ++open;
    }
    if (open == 0) return false;
    *average = static_cast<double>(sum) / static_cast<double>(open);
    return true;
}

}  // namespace zl
