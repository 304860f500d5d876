// The days of a six-week grid on which the checked sites hold records, asked on handles of the
// caller's own, so it can run on any thread while the window goes on using the site list's
// handles (which it may close at any time).
#pragma once

#include <cstdint>
#include <vector>

#include "base/SysTime.h"
#include "data/DayMarks.h"
#include "store/SiteRecord.h"

namespace zl {

// What the window hands over for one request: copies of its checked sites (their handle
// pointers only say which kind of connection each site has; they are never used here) and the
// mode of the current counter type.
struct DayMarksQuery {
    std::vector<SiteRecord> sites;
    bool peopleMode = true;  // counter types 1 and 2
    int counterType = 1;
    int queueMeasure = 1;  // counter type 7: the measure whose file is asked (0..3)
};

// For each site with at least one camera in use, opens handles of its own in the places where
// the site has open ones (a server client: connect, log in and open localDB, as a query run
// does; a local object: the site's database file, or its folder's database of the counter
// type), asks them through GetDayMarks and closes them again. A local database's record table
// is detected on the handle itself (people-counter mode: "_3D" table or "Records"). A site
// that cannot be reached marks nothing. flags[i] = 1 when some site has a record on day
// first + i; answers the number of marked days.
int CollectDayMarks(const DayMarksQuery& query, const SYSTEMTIME& first,
                    uint8_t flags[kDayMarkCount]);

}  // namespace zl
