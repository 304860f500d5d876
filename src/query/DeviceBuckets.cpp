#include "query/DeviceBuckets.h"

#include "base/ReportPeriods.h"

namespace zl {

std::vector<tagDSSYSTIMEPERIOD> DeviceBuckets(int range, const SYSTEMTIME& date,
                                              const WorkingHourTable& hours) {
    switch (range) {
        case kReportDay:
            // The device counts both ends of a span, so an hour ends at hh:59:59 (as in the
            // SQL paths): a record at the full hour belongs to that hour only, not to two.
            return zl::DayHourBuckets(date);
        // A report may mix device and database sites; its rows are their sums per bucket, so
        // Week and Month end on the date here as they do in the SQL paths.
        case kReportWeek:
            return zl::WeekBuckets(date, hours.start, hours.end);
        case kReportMonth:
            return zl::MonthBuckets(date);
        default:
            return {};
    }
}

}  // namespace zl
