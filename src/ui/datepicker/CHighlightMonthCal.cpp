#include "ui/datepicker/CHighlightMonthCal.h"

#include <QEvent>
#include <QPainter>
#include <QTableView>
#include <algorithm>

#include "ui/datepicker/PickerDates.h"

namespace zl {

CHighlightMonthCal::CHighlightMonthCal(QWidget* parent) : QCalendarWidget(parent) {
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(false);
    timer_.setSingleShot(true);
    timer_.setInterval(kHighlightDelayMs);
    connect(&timer_, &QTimer::timeout, this, &CHighlightMonthCal::RunHighlightPass);
    // Moving to another month needs the days of the new grid.
    connect(this, &QCalendarWidget::currentPageChanged, this, [this](int, int) { SetNeedsData(); });
    // Every paint of the day grid restarts the delay of the highlight pass.
    view_ = findChild<QTableView*>();
    if (view_ != nullptr) view_->viewport()->installEventFilter(this);
}

void CHighlightMonthCal::SetHighlight(const SYSTEMTIME* days, int count) {
    needsData_ = false;
    requestSent_ = false;
    framesShown_ = false;
    days_.clear();
    const int kept = std::clamp(count, 0, kMaxHighlights);
    for (int i = 0; days != nullptr && i < kept; ++i) {
        const QDate d = DateOf(days[i]);
        if (d.isValid()) days_.push_back(d);
    }
    if (view_ != nullptr) view_->viewport()->update();  // old frames go at once
    if (count != 0) timer_.start();
}

void CHighlightMonthCal::SetNeedsData() {
    needsData_ = true;
    requestSent_ = false;
}

void CHighlightMonthCal::RunHighlightPass() {
    timer_.stop();
    // One month is shown at a time, so the shown range never reaches 12 months.
    if (needsData_) {
        if (!requestSent_) {
            requestSent_ = true;
            emit highlightRequested();
        }
        return;
    }
    if (!framesShown_ && !days_.empty()) {
        framesShown_ = true;
        if (view_ != nullptr) view_->viewport()->update();
    }
}

QDate CHighlightMonthCal::GridFirstDay() const {
    const QDate first(yearShown(), monthShown(), 1);
    int column = (first.dayOfWeek() - static_cast<int>(firstDayOfWeek()) + 7) % 7;
    if (column < 1) column += 7;  // the 1st never opens the grid: a week of the month before does
    return first.addDays(-column);
}

QRect CHighlightMonthCal::CellRect(QDate day) const {
    if (view_ == nullptr || view_->model() == nullptr) return {};
    const qint64 index = GridFirstDay().daysTo(day);
    if (index < 0 || index >= kGridDays) return {};
    const int row = static_cast<int>(index / 7) +
                    (horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1);
    const int column = static_cast<int>(index % 7) +
                       (verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1);
    const QRect cell = view_->visualRect(view_->model()->index(row, column));
    return cell.translated(view_->viewport()->mapTo(this, QPoint(0, 0)));
}

void CHighlightMonthCal::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
    QCalendarWidget::paintCell(painter, rect, date);
    if (!framesShown_ || std::find(days_.begin(), days_.end(), date) == days_.end()) return;
    // One pixel inside the cell on the left, top and bottom, two on the right.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(QColor(0, 0, 255), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRect(rect.left() + 1, rect.top() + 1, rect.width() - 3, rect.height() - 2));
    painter->restore();
    lastFramed_.push_back(date);
}

bool CHighlightMonthCal::eventFilter(QObject* watched, QEvent* event) {
    if (view_ != nullptr && watched == view_->viewport() && event->type() == QEvent::Paint) {
        lastFramed_.clear();
        timer_.start();
    }
    return QCalendarWidget::eventFilter(watched, event);
}

}  // namespace zl
