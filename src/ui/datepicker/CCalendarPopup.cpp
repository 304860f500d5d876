#include "ui/datepicker/CCalendarPopup.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/PickerDates.h"

namespace zl {

CCalendarPopup::CCalendarPopup(QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint),
      selected_(GetSysTime()),
      constructed_(selected_) {
    // A thin line sets the pop-up off from what lies under it.
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    calendar_ = new CHighlightMonthCal(this);
    calendar_->setObjectName(QStringLiteral("id%1").arg(kCalendarId));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(calendar_);
    connect(calendar_, &QCalendarWidget::clicked, this, &CCalendarPopup::PickDay);
    connect(calendar_, &QCalendarWidget::activated, this, &CCalendarPopup::PickDay);
}

void CCalendarPopup::Open(QWidget* anchor) {
    calendar_->SetHighlight(nullptr, 0);  // a fresh calendar knows no days yet
    calendar_->setSelectedDate(DateOf(selected_));
    calendar_->SetNeedsData();
    adjustSize();
    if (anchor != nullptr) move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    calendar_->setFocus();
}

void CCalendarPopup::PickDay(QDate day) {
    if (!isVisible() || !day.isValid()) return;
    selected_ = SysTimeOf(day, 0, 0, 1);
    close();
    emit dayPicked();
}

void CCalendarPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

}  // namespace zl
