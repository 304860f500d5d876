// The report window's highlighting of the days that hold data: when the date picker asks,
// collects the checked sites and the shown grid on the window's thread, asks the sites on a
// worker thread of its own and hands the marked days to the picker when the answer comes back.
// The window stays responsive however slow a server is; an answer for a grid that is no longer
// shown (or that a newer request has replaced) is dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/SysTime.h"
#include "ui/datepicker/DayMarksCollect.h"
#include "ui/datepicker/ZPickCalendar.h"

namespace zl {

class DayMarksRequester : public QObject {
    Q_OBJECT

  public:
    // The window's checked sites (copies) and counter-type mode, read when a request starts.
    using Source = std::function<DayMarksQuery()>;
    // The asking itself; runs on the worker thread. Default: CollectDayMarks.
    using Collector = std::function<int(const DayMarksQuery&, const SYSTEMTIME&, uint8_t*)>;

    DayMarksRequester(ZPickCalendar* picker, Source source, QObject* parent = nullptr);
    // Does not wait for a request that is still running: its answer is dropped.
    ~DayMarksRequester() override;

    void SetCollector(Collector collector);

    // HighlightDaysWithData: with no checked site the picker gets an empty list at once;
    // otherwise the grid's first day is taken now and the sites are asked off this thread.
    void HighlightDaysWithData();

    // Requests started so far (each has its number, counting from 1).
    uint64_t LastRequest() const { return lastRequest_; }

  signals:
    // An answer reached the picker with this many marked days.
    void applied(uint64_t request, int markedDays);
    // An answer came back too late: a newer request was made or the grid has changed.
    void dropped(uint64_t request);

  private:
    struct Job {
        uint64_t id = 0;
        DayMarksQuery query;
        SYSTEMTIME first{};
    };
    struct Shared;
    void OnAnswer(uint64_t id, SYSTEMTIME first, std::array<uint8_t, kDayMarkCount> flags);

    QPointer<ZPickCalendar> picker_;
    Source source_;
    uint64_t lastRequest_ = 0;
    std::shared_ptr<Shared> shared_;
};

}  // namespace zl
