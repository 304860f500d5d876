#include "chart/InsightTableText.h"

#include "query/InsightText.h"

namespace zl {

void AddInsightColumns(ReportTableText& text, const std::vector<CountRecord>& records,
                       const std::array<int, 10>& lineVisible, const ReportInsights& insights,
                       const InsightTableTexts& texts) {
    std::vector<int> shown;
    for (int j = 0; j < 10 && shown.size() < text.valueCaptions.size(); ++j)
        if (lineVisible[static_cast<size_t>(j)]) shown.push_back(j);

    const std::vector<bool> noData = RowsWithoutData(insights, records);
    for (size_t i = 0; i < records.size() && i < text.rows.size(); ++i)
        if (noData[i])
            for (size_t c = 2; c < text.rows[i].size(); ++c) text.rows[i][c] = texts.noDataMark;

    for (size_t i = 0; i < records.size() && i < text.rows.size(); ++i)
        if (i < insights.closed.size() && insights.closed[i] && text.rows[i].size() > 1)
            text.rows[i][1] += " (" + texts.closedMark + ")";

    if (insights.mode == kCompareNone) return;
    const std::vector<std::string> captions = text.valueCaptions;
    for (const std::string& caption : captions)
        text.valueCaptions.push_back(FillText(texts.comparedCaption, {caption}));
    for (const std::string& caption : captions)
        text.valueCaptions.push_back(FillText(texts.changeCaption, {caption}));
    std::vector<uint64_t> now(shown.size(), 0), before(shown.size(), 0);
    for (size_t i = 0; i < records.size() && i < text.rows.size(); ++i) {
        const int j = i < insights.aligned.size() ? insights.aligned[i] : -1;
        std::vector<std::string>& row = text.rows[i];
        if (j < 0) {
            row.insert(row.end(), 2 * shown.size(), std::string());
            continue;
        }
        const CountRecord& c = insights.compared[static_cast<size_t>(j)];
        for (size_t k = 0; k < shown.size(); ++k) {
            row.push_back(std::to_string(c.values[shown[k]]));
            now[k] += records[i].values[shown[k]];
            before[k] += c.values[shown[k]];
        }
        for (size_t k = 0; k < shown.size(); ++k)
            row.push_back(ChangeText(records[i].values[shown[k]], c.values[shown[k]]));
    }
    // The totals row compares the rows that have a compared row.
    if (text.hasTotals && text.rows.size() > records.size()) {
        std::vector<std::string>& totals = text.rows.back();
        for (uint64_t b : before) totals.push_back(std::to_string(b));
        for (size_t k = 0; k < shown.size(); ++k) totals.push_back(ChangeText(now[k], before[k]));
    }
}

}  // namespace zl
