#include "ui/datepicker/DayMarksRequester.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/datepicker/ZPickCalendar.h"

namespace zl {

// State shared with the worker thread; it outlives the requester when a request is still
// running at destruction.
struct DayMarksRequester::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> next;  // only the newest request waits; older ones are never started
    Collector collector = CollectDayMarks;
    DayMarksRequester* owner = nullptr;  // null once the requester is going away
    bool stop = false;
    bool exited = false;
    std::thread thread;

    static void Run(std::shared_ptr<Shared> self) {
        std::unique_lock<std::mutex> lock(self->mutex);
        for (;;) {
            self->wake.wait(lock, [&] { return self->stop || self->next.has_value(); });
            if (self->stop) break;
            Job job = std::move(*self->next);
            self->next.reset();
            Collector collect = self->collector;
            lock.unlock();
            std::array<uint8_t, kDayMarkCount> flags{};
            collect(job.query, job.first, flags.data());
            lock.lock();
            // Posted while holding the lock: the owner cannot be destroyed in between.
            if (DayMarksRequester* owner = self->owner) {
                const uint64_t id = job.id;
                const SYSTEMTIME first = job.first;
                QMetaObject::invokeMethod(
                    owner, [owner, id, first, flags] { owner->OnAnswer(id, first, flags); },
                    Qt::QueuedConnection);
            }
        }
        self->exited = true;
        self->wake.notify_all();
    }
};

DayMarksRequester::DayMarksRequester(ZPickCalendar* picker, Source source, QObject* parent)
    : QObject(parent),
      picker_(picker),
      source_(std::move(source)),
      shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
}

DayMarksRequester::~DayMarksRequester() {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->owner = nullptr;
    shared_->stop = true;
    shared_->next.reset();
    shared_->wake.notify_all();
    if (!shared_->thread.joinable()) return;
    // A request on a server that does not answer may take until its deadline; the window
    // does not wait for it.
    const bool ended =
        shared_->wake.wait_for(lock, std::chrono::seconds(1), [&] { return shared_->exited; });
    std::thread thread = std::move(shared_->thread);
    lock.unlock();
    if (ended)
        thread.join();
    else
        thread.detach();
}

void DayMarksRequester::SetCollector(Collector collector) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->collector = std::move(collector);
}

void DayMarksRequester::HighlightDaysWithData() {
    const uint64_t id = ++lastRequest_;
    DayMarksQuery query = source_ ? source_() : DayMarksQuery();
    if (query.sites.empty()) {
        {
            std::lock_guard<std::mutex> lock(shared_->mutex);
            shared_->next.reset();
        }
        if (picker_ != nullptr) picker_->SetHighlight(nullptr, 0);
        emit applied(id, 0);
        return;
    }
    SYSTEMTIME first, last;
    if (picker_ != nullptr) picker_->GetMonthRange(first, last, ZPickCalendar::kMonthRangeDayState);
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->next = Job{id, std::move(query), first};
    if (!shared_->thread.joinable()) shared_->thread = std::thread(Shared::Run, shared_);
    shared_->wake.notify_all();
}

void DayMarksRequester::OnAnswer(uint64_t id, SYSTEMTIME first,
                                 std::array<uint8_t, kDayMarkCount> flags) {
    SYSTEMTIME shownFirst{}, shownLast{};
    if (picker_ != nullptr)
        picker_->GetMonthRange(shownFirst, shownLast, ZPickCalendar::kMonthRangeDayState);
    const bool sameGrid = shownFirst.wYear == first.wYear && shownFirst.wMonth == first.wMonth &&
                          shownFirst.wDay == first.wDay;
    if (id != lastRequest_ || picker_ == nullptr || !sameGrid) {
        emit dropped(id);
        return;
    }
    std::vector<SYSTEMTIME> days;
    for (int i = 0; i < kDayMarkCount; ++i)
        if (flags[i]) days.push_back(PlusTime(first, i * 86400));
    picker_->SetHighlight(days);
    emit applied(id, static_cast<int>(days.size()));
}

}  // namespace zl
