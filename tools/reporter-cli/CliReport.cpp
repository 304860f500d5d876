#include "CliReport.h"

#include <cstdio>

#include "base/Version.h"

namespace zl {

namespace {

std::string Day(int y, int m, int d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

std::string TimeOfDay(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

std::string SitesText(const std::vector<JsonSite>& sites) {
    std::vector<std::string> names;
    for (const JsonSite& s : sites)
        names.push_back(s.answered ? s.name : s.name + " (failed: " + s.error + ")");
    return Joined(names, ", ");
}

std::string CamerasText(const std::vector<int>& cameras) {
    if (cameras.empty()) return "every camera found";
    std::vector<std::string> numbers;
    for (int c : cameras) numbers.push_back(std::to_string(c));
    return Joined(numbers, ", ");
}

std::string DatesText(const CliOptions& o, const std::vector<CountRecord>& rows) {
    if (rows.empty()) return Day(o.date.wYear, o.date.wMonth, o.date.wDay) + " (no records)";
    const CountRecord& first = rows.front();
    const CountRecord& last = rows.back();
    return RowStartText(first) + " - " + RowEndText(last);
}

std::string FiltersText(const CliOptions& o) {
    static const char* const kDirections[] = {"in and out", "in", "out"};
    std::vector<std::string> items = {std::string("direction ") + kDirections[o.direction],
                                      "period " + std::to_string(o.periodMinutes) + " min"};
    if (o.heightClass != 0) {
        const char* unit = o.heightUnit == 1 ? " in" : " cm";
        items.push_back("height class " + std::to_string(o.heightClass) + " (" +
                        std::to_string(o.heightLow) + " - " + std::to_string(o.heightHigh) + unit +
                        ")");
    }
    std::vector<std::string> regions;
    for (int r : o.regions) regions.push_back(std::to_string(r));
    items.push_back("regions " + Joined(regions, ","));
    items.push_back("queue measure " + std::to_string(o.queueMeasure));
    return Joined(items, "; ");
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

ReportDocument MakeCliReport(const CliOptions& o, const CliReportTexts& texts,
                             const std::vector<std::string>& captions,
                             const std::vector<CountRecord>& rows,
                             const std::vector<JsonSite>& sites) {
    ReportDocument d;
    const std::string type = texts.counterType.empty()
                                 ? "Counter type " + std::to_string(o.counterType)
                                 : texts.counterType;
    const std::string dates = DatesText(o, rows);
    d.title =
        type + " - " + RangeName(o.range) + " " + Day(o.date.wYear, o.date.wMonth, o.date.wDay);
    d.query = {
        {"Sites", SitesText(sites)},
        {"Cameras", CamerasText(o.cameras)},
        {"Counter type", std::to_string(o.counterType) + " (" + type + ")"},
        {"Range", RangeName(o.range)},
        {"Dates", dates},
        {"Filters", FiltersText(o)},
        {"Program", Trimmed(zl::VersionText("reporter-cli"))},
        {"Exported", Day(o.now.wYear, o.now.wMonth, o.now.wDay) + " " + TimeOfDay(o.now)},
    };
    d.fromTitle = texts.fromTitle;
    d.toTitle = texts.toTitle;
    d.totalTitle = texts.totalTitle;
    d.captions = captions;
    d.rows = rows;
    d.barChart = o.chartView == 1;
    return d;
}

}  // namespace zl
