// The month calendar of the date picker's pop-up. It frames up to 42 days (the days that hold
// data) with a one-pixel pure blue frame inside their cells, and asks its window for those days
// whenever it needs them: after it is opened and after every change of month.
//
// The asking follows a highlight pass that runs 150 ms after the calendar last painted: while
// the needs-data flag is set the pass sends highlightRequested() once; the answer comes back
// through SetHighlight, which clears the flag, and the frames appear with the next pass.
#pragma once

#include <QCalendarWidget>
#include <QTimer>
#include <vector>

#include "base/SysTime.h"

class QTableView;

namespace zl {

class CHighlightMonthCal : public QCalendarWidget {
    Q_OBJECT

  public:
    static constexpr int kMaxHighlights = 42;
    static constexpr int kHighlightDelayMs = 150;
    static constexpr int kGridDays = 42;  // six weeks

    explicit CHighlightMonthCal(QWidget* parent = nullptr);

    // Keeps the first 42 days of the list (further ones are ignored) and clears the needs-data
    // flag. With days, the frames appear with the highlight pass 150 ms later; an empty list
    // takes the frames away.
    void SetHighlight(const SYSTEMTIME* days, int count);
    // The next highlight pass asks the window for fresh days.
    void SetNeedsData();
    bool NeedsData() const { return needsData_; }
    int HighlightCount() const { return static_cast<int>(days_.size()); }
    const std::vector<QDate>& HighlightDays() const { return days_; }
    // The stored days that the last paint framed (test and diagnostics aid).
    const std::vector<QDate>& LastFramedDays() const { return lastFramed_; }
    // True once the highlight pass has put the stored days on screen.
    bool FramesShown() const { return framesShown_; }

    // The six-week grid of the shown month: its first and last day (partly shown months
    // included). The grid starts on the calendar's first day of the week; when the 1st of the
    // month falls on that day, a whole week of the month before comes first.
    QDate GridFirstDay() const;
    QDate GridLastDay() const { return GridFirstDay().addDays(kGridDays - 1); }
    // The rectangle of a day's cell in the calendar's coordinates (empty when not shown).
    QRect CellRect(QDate day) const;

    // The highlight pass, normally run by the timer.
    void RunHighlightPass();

  signals:
    // The calendar needs the days holding data (the window answers with SetHighlight).
    void highlightRequested();

  protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTableView* view_ = nullptr;
    QTimer timer_;
    std::vector<QDate> days_;
    mutable std::vector<QDate> lastFramed_;
    bool needsData_ = true;
    bool requestSent_ = false;
    bool framesShown_ = false;
};

}  // namespace zl
