#include "ui/datepicker/ZPickCalendar.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "ui/datepicker/CCalendarPopup.h"
#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/PickerDates.h"

namespace zl {

ZPickCalendar::ZPickCalendar(QWidget* parent) : QWidget(parent) {
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("id%1").arg(kTextId));
    // The date can be typed as well as picked: digits and separators only, taken as soon as
    // they make a whole valid date; text that does not is put back when the field is left.
    text_->setMaxLength(10);
    text_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,4}([/.-][0-9]{0,2}([/.-][0-9]{0,2})?)?")),
        text_));
    connect(text_, &QLineEdit::textEdited, this, &ZPickCalendar::OnTextEdited);
    connect(text_, &QLineEdit::editingFinished, this, &ZPickCalendar::ShowSelected);
    arrow_ = new QToolButton(this);
    arrow_->setObjectName(QStringLiteral("id%1").arg(kArrowId));
    arrow_->setArrowType(Qt::DownArrow);
    arrow_->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(text_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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

QDate ZPickCalendar::ParseDate(const QString& text) {
    static const QRegularExpression whole(
        QStringLiteral("^([0-9]{4})[/.-]([0-9]{1,2})[/.-]([0-9]{1,2})$"));
    const QRegularExpressionMatch m = whole.match(text.trimmed());
    if (!m.hasMatch()) return {};
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return day.isValid() && day.year() >= 1970 ? day : QDate();
}

void ZPickCalendar::OnTextEdited(const QString& text) {
    const QDate day = ParseDate(text);
    SetTextValid(day.isValid());
    if (!day.isValid()) return;
    selected_ = SysTimeOf(day, 0, 0, 1);  // as a day picked in the calendar
    popup_->SetSelectedTime(selected_);
    emit dateChanged();
}

void ZPickCalendar::SetTextValid(bool valid) {
    // Red text while what is typed is no date yet.
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Text, valid ? QPalette().color(QPalette::Text) : QColor(200, 0, 0));
    text_->setPalette(palette);
}

void ZPickCalendar::ShowSelected() {
    SetTextValid(true);
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
    // The widest date text with the field's frame and margins, and the arrow's square.
    const int width = text_->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 16;
    return QSize(width + edit.height(), edit.height());
}

QSize ZPickCalendar::minimumSizeHint() const {
    // A layout short of room must not squeeze the date: it never gets narrower than its text.
    return sizeHint();
}

void ZPickCalendar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The arrow takes a square of (height - 5) at the right, the text field the rest.
    const int side = std::max(height() - 5, 12);
    text_->setGeometry(0, 0, std::max(width() - side, 0), height());
    arrow_->setGeometry(width() - side, 0, side, height());
}

}  // namespace zl
