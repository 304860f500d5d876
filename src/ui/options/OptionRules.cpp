#include "ui/options/OptionRules.h"

#include <cctype>

#include "store/StringIds.h"

namespace zl {

OptionValues LoadOptionValues(const ChartSettings& settings) {
    OptionValues v;
    v.page = settings.line;
    v.page = settings.bar;  // the second load replaces the first
    v.synAdjust = settings.synAdjust;
    v.weekStart = settings.weekStart;
    v.weekEnd = settings.weekEnd;
    return v;
}

void StoreOptionValues(const OptionValues& values, ChartSettings& settings) {
    settings.line = values.page;
    settings.bar = values.page;
    settings.synAdjust = values.synAdjust;
    settings.weekStart = values.weekStart;
    settings.weekEnd = values.weekEnd;
}

int WidthListIndex(int storedWidth) {
    return storedWidth >= 0 && storedWidth < kWidthListSize ? storedWidth : -1;
}

int WidthFromList(int selectedIndex, int storedWidth) {
    return selectedIndex >= 0 ? selectedIndex : storedWidth;
}

WorkingHourProblem CheckWorkingHours(const std::array<WorkingHourRow, 7>& rows) {
    const auto valid = [](int hour, int minute) {
        return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
    };
    for (int k = 0; k < static_cast<int>(rows.size()); ++k) {
        const WorkingHourRow& r = rows[k];
        if (!valid(r.startHour, r.startMinute)) return {k, kStrStartTimeInvalid};
        if (!valid(r.endHour, r.endMinute)) return {k, kStrEndTimeInvalid};
        if (r.startHour * 60 + r.startMinute > r.endHour * 60 + r.endMinute)
            return {k, kStrStartAfterEnd};
    }
    return {};
}

std::string WorkingHourMessage(const WorkingHourProblem& problem,
                               const std::function<std::string(unsigned)>& text) {
    if (problem.Ok()) return std::string();
    return text(kStrWeekdayRow0 + static_cast<unsigned>(problem.row)) + "\n" + text(problem.reason);
}

int FieldNumber(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (begin == end || end - begin > 6) return -1;
    int value = 0;
    for (size_t i = begin; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace zl
