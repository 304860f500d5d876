#include "CliOutput.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "query/InsightText.h"

namespace zl {

namespace {

std::string Quote(const std::string& text) {
    return nlohmann::json(text).dump();
}

std::string TimeText(int y, int mo, int d, int h, int mi, int s, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, y, mo, d, h, mi, s);
    return text;
}

// Display width of a UTF-8 text: one per code point.
size_t Width(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string RecordFromText(const CountRecord& r) {
    return TimeText(r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond,
                    "%04d-%02d-%02d %02d:%02d:%02d");
}

std::string RecordToText(const CountRecord& r) {
    return TimeText(r.toYear, r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond,
                    "%04d-%02d-%02d %02d:%02d:%02d");
}

std::string FormatJsonReport(const JsonReport& report) {
    const size_t n = report.columns.size() < 10 ? report.columns.size() : 10;
    std::string out = "{\"counterType\":" + std::to_string(report.counterType) +
                      ",\"range\":" + Quote(report.range) + ",\"date\":" + Quote(report.date) +
                      ",\n \"columns\":[";
    for (size_t c = 0; c < report.columns.size(); ++c) {
        if (c) out += ',';
        out += Quote(report.columns[c]);
    }
    out += "],\n \"records\":[";
    std::vector<uint64_t> totals(n, 0);
    for (size_t i = 0; i < report.records.size(); ++i) {
        const CountRecord& r = report.records[i];
        if (i) out += ",\n ";
        out += "{\"from\":" + Quote(RecordFromText(r)) + ",\"to\":" + Quote(RecordToText(r)) +
               ",\"values\":[";
        for (size_t c = 0; c < n; ++c) {
            if (c) out += ',';
            out += std::to_string(r.values[c]);
            totals[c] += r.values[c];
        }
        out += "]}";
    }
    out += "],\n \"totals\":[";
    for (size_t c = 0; c < n; ++c) {
        if (c) out += ',';
        out += std::to_string(totals[c]);
    }
    out += "],\n \"sites\":[";
    for (size_t i = 0; i < report.sites.size(); ++i) {
        const JsonSite& site = report.sites[i];
        out += std::string(i ? "," : "") + "{\"name\":" + Quote(site.name) +
               ",\"answered\":" + (site.answered ? "true" : "false");
        if (!site.answered) out += ",\"error\":" + Quote(site.error);
        out += "}";
    }
    out += "]" + report.extra + "}\n";
    return out;
}

std::string FormatTableReport(const std::string& numberTitle, const std::string& bucketTitle,
                              const std::string& totalTitle,
                              const std::vector<std::string>& captions,
                              const std::vector<int>& valueIndexes,
                              const std::vector<CountRecord>& records, const TableExtras* extras) {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> head{numberTitle, bucketTitle};
    const bool comparing = extras && !extras->comparedCaptions.empty();
    std::vector<std::string> heads = captions;
    if (comparing) {
        heads.insert(heads.end(), extras->comparedCaptions.begin(), extras->comparedCaptions.end());
        heads.insert(heads.end(), extras->changeCaptions.begin(), extras->changeCaptions.end());
    }
    for (std::string caption : heads) {
        for (char& c : caption)
            if (c == '\n') c = ' ';
        head.push_back(caption);
    }
    lines.push_back(head);
    std::vector<uint64_t> totals(valueIndexes.size(), 0);
    std::vector<uint64_t> comparedTotals(valueIndexes.size(), 0);
    for (size_t i = 0; i < records.size(); ++i) {
        const CountRecord& r = records[i];
        std::vector<std::string> line{
            std::to_string(i + 1),
            TimeText(r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond,
                     "%04d/%02d/%02d %02d:%02d:%02d") +
                "-" +
                TimeText(r.toYear, r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond,
                         "%04d/%02d/%02d %02d:%02d:%02d")};
        if (extras && i < extras->closed.size() && extras->closed[i])
            line[1] += " " + extras->closedMark;
        const bool noData = extras && i < extras->noData.size() && extras->noData[i];
        for (size_t k = 0; k < valueIndexes.size(); ++k) {
            const uint32_t v = r.values[valueIndexes[k]];
            line.push_back(noData ? extras->noDataMark : std::to_string(v));
            totals[k] += v;
        }
        if (comparing) {
            const CountRecord* before = i < extras->compared.size() ? extras->compared[i] : nullptr;
            for (size_t k = 0; k < valueIndexes.size(); ++k) {
                if (!before) {
                    line.push_back(extras->noDataMark);
                    continue;
                }
                line.push_back(std::to_string(before->values[valueIndexes[k]]));
                comparedTotals[k] += before->values[valueIndexes[k]];
            }
            for (size_t k = 0; k < valueIndexes.size(); ++k)
                line.push_back(
                    before ? ChangeText(r.values[valueIndexes[k]], before->values[valueIndexes[k]])
                           : "");
        }
        lines.push_back(line);
    }
    if (!records.empty()) {
        std::vector<std::string> line{std::to_string(records.size() + 1), totalTitle};
        for (uint64_t t : totals) line.push_back(std::to_string(t));
        if (comparing) {
            for (uint64_t t : comparedTotals) line.push_back(std::to_string(t));
            for (size_t k = 0; k < totals.size(); ++k)
                line.push_back(ChangeText(totals[k], comparedTotals[k]));
        }
        lines.push_back(line);
    }
    std::vector<size_t> widths;
    for (const auto& line : lines)
        for (size_t c = 0; c < line.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], Width(line[c]));
        }
    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c) {
            text += line[c];
            if (c + 1 < line.size()) text.append(widths[c] - Width(line[c]) + 2, ' ');
        }
        out += text + "\n";
    }
    return out;
}

}  // namespace zl
