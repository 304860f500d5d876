#include "ui/datepicker/ZPickCalendar.h"

#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "ui/datepicker/CCalendarPopup.h"
#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/PickerDates.h"

ZPickCalendar::ZPickCalendar(QWidget* parent) : QWidget(parent) {
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("id%1").arg(kTextId));
    // The date is chosen in the calendar only; typed text would never be read.
    text_->setReadOnly(true);
    arrow_ = new QToolButton(this);
    arrow_->setObjectName(QStringLiteral("id%1").arg(kArrowId));
    arrow_->setArrowType(Qt::DownArrow);
    arrow_->setFocusPolicy(Qt::NoFocus);
    popup_ = new CCalendarPopup(this);
    connect(arrow_, &QToolButton::clicked, this, [this] {
        QMetaObject::invokeMethod(this, &ZPickCalendar::ShowCalendar, Qt::QueuedConnection);
    });
    connect(popup_, &CCalendarPopup::dayPicked, this, &ZPickCalendar::OnDayPicked);
    connect(popup_->Calendar(), &CHighlightMonthCal::highlightRequested, this,
            &ZPickCalendar::highlightRequested);
    selected_ = popup_->SelectedTime();
    ShowSelected();
}

ZPickCalendar::~ZPickCalendar() = default;

CHighlightMonthCal* ZPickCalendar::Calendar() const {
    return popup_->Calendar();
}

bool ZPickCalendar::IsCalendarOpen() const {
    return popup_->IsOpen();
}

void ZPickCalendar::GetMonthRange(SYSTEMTIME& first, SYSTEMTIME& last, int flags) const {
    if (!popup_->IsOpen()) {
        first = last = popup_->ConstructionTime();
        return;
    }
    const CHighlightMonthCal* cal = popup_->Calendar();
    if (flags & kMonthRangeDayState) {
        first = SysTimeOf(cal->GridFirstDay());
        last = SysTimeOf(cal->GridLastDay());
    } else {
        const QDate month(cal->yearShown(), cal->monthShown(), 1);
        first = SysTimeOf(month);
        last = SysTimeOf(month.addDays(month.daysInMonth() - 1));
    }
}

void ZPickCalendar::SetHighlight(const SYSTEMTIME* days, int count) {
    if (!popup_->IsOpen()) return;
    popup_->Calendar()->SetHighlight(days, count);
}

void ZPickCalendar::SetHighlight(const std::vector<SYSTEMTIME>& days) {
    SetHighlight(days.data(), static_cast<int>(days.size()));
}

void ZPickCalendar::ShowCalendar() {
    if (popup_->IsOpen()) return;
    popup_->Open(this);
}

void ZPickCalendar::Set_Select_Time(const SYSTEMTIME& t) {
    selected_ = t;
    popup_->SetSelectedTime(t);
    ShowSelected();
}

void ZPickCalendar::OnDayPicked() {
    selected_ = popup_->SelectedTime();
    ShowSelected();
    emit dateChanged();
}

void ZPickCalendar::ShowSelected() {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", selected_.wYear, selected_.wMonth,
                  selected_.wDay);
    text_->setText(QString::fromLatin1(text));
}

QString ZPickCalendar::Text() const {
    return text_->text();
}

QSize ZPickCalendar::sizeHint() const {
    const QSize edit = text_->sizeHint();
    const int width = text_->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 16;
    return QSize(width + edit.height(), edit.height());
}

void ZPickCalendar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The arrow takes a square of (height - 5) at the right, the text field the rest.
    const int side = std::max(height() - 5, 12);
    text_->setGeometry(0, 0, std::max(width() - side, 0), height());
    arrow_->setGeometry(width() - side, 0, side, height());
}
