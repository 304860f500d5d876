#include "CliDates.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace zl {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

sys_days DayOf(const SYSTEMTIME& t) {
    return sys_days(std::chrono::year(t.wYear) / std::chrono::month(t.wMonth) /
                    std::chrono::day(t.wDay));
}

bool ToSysTime(sys_days d, SYSTEMTIME* out) {
    const std::chrono::year_month_day ymd(d);
    const int y = static_cast<int>(ymd.year());
    if (y < 1601 || y > 9999) return false;
    *out = MakeSysTime(y, static_cast<int>(static_cast<unsigned>(ymd.month())),
                       static_cast<int>(static_cast<unsigned>(ymd.day())));
    return true;
}

bool ParseNumber(const std::string& text, long lo, long hi, long* out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseIsoDate(const std::string& text, SYSTEMTIME* out) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    long y, m, d;
    if (!ParseNumber(text.substr(0, 4), 1601, 9999, &y) ||
        !ParseNumber(text.substr(5, 2), 1, 12, &m) || !ParseNumber(text.substr(8, 2), 1, 31, &d) ||
        d > DaysInMonth(static_cast<int>(y), static_cast<int>(m)))
        return false;
    *out = MakeSysTime(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
    return true;
}

std::string Format(const char* format, int a, int b, int c, int d = 0, int e = 0, int f = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
    return text;
}

}  // namespace

bool ResolveCliDate(const std::string& text, const SYSTEMTIME& today, SYSTEMTIME* out) {
    if (ParseIsoDate(text, out)) return true;
    const sys_days day = DayOf(today);
    if (text == "today") return ToSysTime(day, out);
    if (text == "yesterday") return ToSysTime(day - days(1), out);
    long back = 0;
    if (text.size() > 2 && text.front() == '-' && text.back() == 'd' &&
        ParseNumber(text.substr(1, text.size() - 2), 0, 36500, &back))
        return ToSysTime(day - days(back), out);
    static const std::array<const char*, 7> kDays = {"sunday",   "monday", "tuesday", "wednesday",
                                                     "thursday", "friday", "saturday"};
    constexpr std::string_view kLast = "last-";
    if (text.rfind(kLast, 0) != 0) return false;
    for (unsigned wd = 0; wd < kDays.size(); ++wd) {
        if (text.substr(kLast.size()) != kDays[wd]) continue;
        // One to seven days back: never today itself.
        const std::chrono::weekday todayWd(day);
        const unsigned diff = (todayWd.c_encoding() + 7 - wd) % 7;
        return ToSysTime(day - days(diff == 0 ? 7 : diff), out);
    }
    return false;
}

bool ExpandOutputName(const std::string& pattern, const OutputNameFields& f, std::string* out,
                      std::string* error) {
    out->clear();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if ((c == '{' || c == '}') && i + 1 < pattern.size() && pattern[i + 1] == c) {
            out->push_back(c);
            ++i;
            continue;
        }
        if (c == '}') {
            *error = "a lone \"}\" in \"" + pattern + "\" (write \"}}\" for a brace)";
            return false;
        }
        if (c != '{') {
            out->push_back(c);
            continue;
        }
        const size_t close = pattern.find('}', i);
        if (close == std::string::npos) {
            *error = "an unclosed \"{\" in \"" + pattern + "\"";
            return false;
        }
        const std::string name = pattern.substr(i + 1, close - i - 1);
        if (name == "date")
            *out += Format("%04d-%02d-%02d", f.date.wYear, f.date.wMonth, f.date.wDay);
        else if (name == "range")
            *out += f.range;
        else if (name == "type")
            *out += std::to_string(f.counterType);
        else if (name == "site" && !f.site.empty())
            *out += f.site;
        else if (name == "site") {
            *error = "{site} in a file name needs --each-site";
            return false;
        } else if (name == "now")
            *out += Format("%04d%02d%02d-%02d%02d%02d", f.now.wYear, f.now.wMonth, f.now.wDay,
                           f.now.wHour, f.now.wMinute, f.now.wSecond);
        else {
            *error =
                "unknown placeholder {" + name + "} (known: {date} {range} {type} {now} {site})";
            return false;
        }
        i = close;
    }
    return true;
}

std::string FileNamePart(const std::string& name) {
    if (name.empty()) return "site";
    std::string out = name;
    for (char& c : out)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
    if (out[0] == '.') out[0] = '_';
    return out;
}

}  // namespace zl
