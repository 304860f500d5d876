// The start-date picker of the report window: a text field showing the chosen date as
// "%04d/%02d/%02d" and a drop-down arrow that opens the pop-up month calendar under the control.
// The date can also be typed ("2026/12/08", "-" or "." as separators too): a whole valid date is
// taken at once (as a picked day, 00:00:01), other text shows red and is replaced by the
// selected date when the field is left.
// Days that hold data are framed in the calendar; the window supplies them (SetHighlight) when
// the picker asks for them (highlightRequested()).
#pragma once

#include <QDate>
#include <QWidget>
#include <vector>

#include "base/SysTime.h"

class QLineEdit;
class QToolButton;

namespace zl {

class CCalendarPopup;
class CHighlightMonthCal;

class ZPickCalendar : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kTextId = 10202;
    static constexpr int kArrowId = 10203;
    // Flags of GetMonthRange.
    static constexpr int kMonthRangeVisible = 0;   // the shown month only
    static constexpr int kMonthRangeDayState = 1;  // the whole grid, partly shown months too

    // The selected date starts as the pop-up's: the current local time.
    explicit ZPickCalendar(QWidget* parent = nullptr);
    ~ZPickCalendar() override;

    void Get_Select_Time(SYSTEMTIME& out) const { out = selected_; }
    // Chooses the date without the calendar (shown in the field, selected at the next opening).
    void Set_Select_Time(const SYSTEMTIME& t);
    // The first and last day the open calendar shows (with kMonthRangeDayState the six-week
    // grid, else the shown month), at 00:00:00. While the calendar is closed both are the
    // pop-up's construction time.
    void GetMonthRange(SYSTEMTIME& first, SYSTEMTIME& last, int flags) const;
    // Hands the days to the open calendar (at most 42 are kept); does nothing while the
    // calendar is closed.
    void SetHighlight(const SYSTEMTIME* days, int count);
    void SetHighlight(const std::vector<SYSTEMTIME>& days);

    // Opens the calendar (what the arrow does, one event-loop turn later).
    void ShowCalendar();
    bool IsCalendarOpen() const;

    QString Text() const;
    CCalendarPopup* Popup() const { return popup_; }
    CHighlightMonthCal* Calendar() const;
    QToolButton* Arrow() const { return arrow_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The day of a typed text "yyyy/m/d" (separators "/", "-" or "."); invalid when it is none.
    static QDate ParseDate(const QString& text);

  signals:
    // The open calendar needs the days that hold data.
    void highlightRequested();
    // A day was picked; Get_Select_Time answers it.
    void dateChanged();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowSelected();
    void OnDayPicked();
    void OnTextEdited(const QString& text);
    void SetTextValid(bool valid);

    QLineEdit* text_;
    QToolButton* arrow_;
    CCalendarPopup* popup_;
    SYSTEMTIME selected_;
};

}  // namespace zl
