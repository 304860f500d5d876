#include "chart/ReportTableText.h"

#include <cstdint>
#include <cstdio>

#include "query/ReportColumns.h"

namespace zl {

namespace {

std::string TimeText(int year, int month, int day, int hour, int minute, int second) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", year, month, day, hour, minute,
                  second);
    return buf;
}

}  // namespace

std::string BucketText(const CountRecord& r) {
    return TimeText(r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond) +
           "-" + TimeText(r.toYear, r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond);
}

ReportTableText BuildReportTableText(const std::vector<CountRecord>& records,
                                     const LineStyleRecord& line, const ColumnSelection& sel,
                                     const std::array<int, 10>& lineVisible,
                                     const std::string& totalsCaption) {
    ReportTableText table;
    table.valueCaptions =
        VisibleCaptions(ReportValueCaptions(line, sel.counterType, sel.heightClass, sel.heightLow,
                                            sel.heightHigh, sel.queueType),
                        lineVisible);
    table.captionLines =
        sel.counterType == 2 && sel.heightClass >= 1 && sel.heightClass <= 3 ? 2 : 1;
    const size_t columns = table.valueCaptions.size();
    const int n = ReportValueCount(sel.counterType, sel.heightClass);

    auto addValues = [&](std::vector<std::string>& row, auto valueOf) {
        for (int j = 0; j < n && j < 10; ++j) {
            if (!lineVisible[j]) continue;
            if (row.size() - 2 >= columns) break;
            row.push_back(std::to_string(valueOf(j)));
        }
    };
    // Sums in 64 bits, so that a month of large counts cannot wrap around.
    std::array<uint64_t, 10> totals{};
    for (size_t i = 0; i < records.size(); ++i) {
        const CountRecord& r = records[i];
        std::vector<std::string> row{std::to_string(i + 1), BucketText(r)};
        addValues(row, [&](int j) { return static_cast<uint64_t>(r.values[j]); });
        for (int j = 0; j < 10; ++j) totals[j] += r.values[j];
        table.rows.push_back(std::move(row));
    }
    if (!records.empty()) {
        std::vector<std::string> row{std::to_string(records.size() + 1), totalsCaption};
        addValues(row, [&](int j) { return totals[j]; });
        table.rows.push_back(std::move(row));
        table.hasTotals = true;
    }
    return table;
}

}  // namespace zl
