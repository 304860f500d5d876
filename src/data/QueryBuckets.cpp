// The bucket lists of the SQL builders come from the report-period layouts of base.
#include "base/ReportPeriods.h"
#include "data/SqlBuilders.h"

namespace zl {

std::vector<tagDSSYSTIMEPERIOD> ReportBuckets(int range, const SYSTEMTIME& date, int periodMinutes,
                                              const WorkingHourTable& hours) {
    switch (range) {
        case kReportDay:
            return periodMinutes == 60 ? zl::DayHourBuckets(date)
                                       : zl::DayPeriodBuckets(date, periodMinutes);
        case kReportWeek:
            return zl::WeekBuckets(date, hours.start, hours.end);
        case kReportMonth:
            return zl::MonthBuckets(date);
        default:
            return {};
    }
}

}  // namespace zl
