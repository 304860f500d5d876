// The report window's insights: the Compare combo beside the range, the compared period, the
// data gaps and the peak on the chart, the no-data marks and compared columns in the table and the
// lines under the result (peak, peak hour, buckets without data, sites whose data ends early).
#include <QComboBox>
#include <QLabel>

#include "chart/ChartFill.h"
#include "chart/ChartInsights.h"
#include "chart/InsightTableText.h"
#include "query/InsightLines.h"
#include "query/InsightText.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"
#include "ui/reportwin/CReportDlg.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

std::string Text(unsigned id) {
    const char* t = IString::Instance()->LoadStringA(id);
    return t ? t : "";
}

}  // namespace

void CReportDlg::BuildInsightControls() {
    compare_ = new QComboBox(this);
    compare_->setObjectName(QStringLiteral("id%1").arg(kIdCompare));
    compare_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    controls_[kIdCompare] = compare_;
    insightLine_ = new QLabel(this);
    insightLine_->setObjectName(QStringLiteral("insightLines"));
    insightLine_->setWordWrap(true);
    insightLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void CReportDlg::FillCompareCombo() {
    if (!compare_) return;
    // The choice is kept across ranges where it still exists (Day alone has the weekday).
    const int kept = ChosenCompareMode();
    compare_->clear();
    // Named by the language's "Compare:" without its colon (no label beside it).
    QString name = Str(kStrCompareLabel);
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    compare_->setToolTip(name);
    compare_->setAccessibleName(name);
    compare_->addItem(Str(kStrCompareNone), kCompareNone);
    compare_->addItem(Str(kStrComparePrevious), kComparePrevious);
    if (filters_.Range() == kRangeDay)
        compare_->addItem(Str(kStrComparePreviousWeekday), kComparePreviousWeekday);
    compare_->addItem(Str(kStrCompareLastYear), kCompareLastYear);
    const int index = compare_->findData(kept);
    compare_->setCurrentIndex(index < 0 ? 0 : index);
}

int CReportDlg::ChosenCompareMode() const {
    if (!compare_ || compare_->currentIndex() < 0) return kCompareNone;
    return compare_->currentData().toInt();
}

void CReportDlg::ApplyInsightsToChart() {
    ApplyChartInsights(chart_, ChartSeriesOfType(filters_.CounterType(), filters_.HeightClass()),
                       ChartInsightsOf(insights_, CReportTable::Instance()->Records()));
}

void CReportDlg::ApplyInsightsToTable(ReportTableText& text) {
    const InsightTableTexts texts{Text(kStrNoDataMark), Text(kStrCompareColumn),
                                  Text(kStrChangeColumn), Text(kStrClosedMark)};
    AddInsightColumns(text, CReportTable::Instance()->Records(), lineVisible_, insights_, texts);
}

void CReportDlg::ShowInsightLines() {
    QStringList lines;
    if (hasResult_ == 1)
        for (const std::string& line : InsightLines(insights_, CReportTable::Instance()->Records()))
            lines << QString::fromStdString(line);
    insightLine_->setText(lines.join(QStringLiteral("\n")));
    insightLine_->setVisible(!lines.isEmpty());
}

}  // namespace zl
