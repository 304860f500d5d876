#include "data/DayMarks.h"

#include <cstring>

#include "base/CounterTypes.h"
#include "data/QueueDatabase.h"
#include "data/SqlText.h"
#include "data/TableDetect.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

bool AnyCameraInUse(const SiteRecord& site) {
    for (const CameraSlot& slot : site.cameras)
        if (slot.used == 1) return true;
    return false;
}

template <typename Handle>
void Merge(Handle* handle, const DayMarkSource& src, const SYSTEMTIME& first, uint8_t* flags) {
    if (handle == nullptr) return;
    uint8_t got[kDayMarkCount] = {};
    if (handle->GetMonthDays(src.table, src.timeColumn, first.wYear, first.wMonth, first.wDay,
                             kDayMarkCount, got) == 0)
        return;
    for (int i = 0; i < kDayMarkCount; ++i)
        if (got[i]) flags[i] = 1;
}

}  // namespace

DayMarkSource DayMarkSourceOf(bool peopleMode, int counterType, int lastTableKind,
                              bool threeDClient) {
    if (peopleMode) {
        if (threeDClient || lastTableKind == kTable3D) return {"_3DRECORDS", "Time"};
        return {"Records", "EnterTime"};
    }
    return {"records", TimeColumnOf(counterType)};
}

std::string DayMarkLocalPath(const std::string& localDB, int counterType, int queueMeasure) {
    if (counterType == kQueue) {
        const std::string path = QueueSiteFile(localDB, queueMeasure);
        if (!path.empty()) return path;
    }
    return IsDatabaseFile(localDB) ? localDB : DatabasePathOfType(localDB, counterType);
}

int GetDayMarks(const std::vector<SiteRecord>& sites, const SYSTEMTIME& first, bool peopleMode,
                int counterType, int lastTableKind, uint8_t flags[kDayMarkCount]) {
    std::memset(flags, 0, kDayMarkCount);
    for (const SiteRecord& site : sites) {
        if (!AnyCameraInUse(site)) continue;
        if (peopleMode) {
            Merge(site.client2D, DayMarkSourceOf(true, counterType, kTableNone, false), first,
                  flags);
            Merge(site.client3D, DayMarkSourceOf(true, counterType, kTableNone, true), first,
                  flags);
            Merge(site.localDb, DayMarkSourceOf(true, counterType, lastTableKind, false), first,
                  flags);
        } else {
            const DayMarkSource src = DayMarkSourceOf(false, counterType, lastTableKind, false);
            Merge(site.clientOther, src, first, flags);
            Merge(site.localDb, src, first, flags);
        }
    }
    int marked = 0;
    for (int i = 0; i < kDayMarkCount; ++i) marked += flags[i];
    return marked;
}

}  // namespace zl
