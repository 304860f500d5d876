// Language string ids of the report insights: period comparison, data coverage, the peak and
// closed days. Texts with "%1", "%2", "%3" get their values filled in by the code that shows
// them.
#pragma once

namespace zl {

// --- Period comparison -------------------------------------------------------------------------
constexpr unsigned kStrCompareLabel = 600;            // "Compare:" beside Range
constexpr unsigned kStrCompareNone = 601;             // no comparison
constexpr unsigned kStrComparePrevious = 602;         // the day before, previous 7 days, month
constexpr unsigned kStrComparePreviousWeekday = 603;  // Day: same weekday a week before
constexpr unsigned kStrCompareLastYear = 604;         // same period a year before (364 days)
constexpr unsigned kStrCompareColumn = 605;           // "%1": a value caption
constexpr unsigned kStrChangeColumn = 606;            // "%1": a value caption
constexpr unsigned kStrComparedPeriod = 607;          // "%1": first day, "%2": last day

// --- Peak --------------------------------------------------------------------------------------
constexpr unsigned kStrPeakBucket = 610;  // "%1" value, "%2" bucket, "%3" share
constexpr unsigned kStrPeakVolume = 611;  // the same for the traffic volume
constexpr unsigned kStrPeakHour = 612;    // "%1" hour, "%2" volume, "%3" factor
constexpr unsigned kStrPeakMarker = 613;  // the chart's marker; "%1" the peak value

// --- Coverage ----------------------------------------------------------------------------------
constexpr unsigned kStrEmptyBuckets = 620;      // "%1" buckets without data, "%2" all buckets
constexpr unsigned kStrSitePartial = 621;       // "%1" site, "%2" last recorded time
constexpr unsigned kStrSiteNoData = 622;        // "%1" site
constexpr unsigned kStrNoDataMark = 623;        // a table cell without data
constexpr unsigned kStrCoverageRecords = 624;   // export column: records present
constexpr unsigned kStrCoverageExpected = 625;  // export column: records expected

// --- Closed days -------------------------------------------------------------------------------
constexpr unsigned kStrClosedDaysTitle = 630;    // the settings group
constexpr unsigned kStrClosedWeekdays = 631;     // "Always closed on:"
constexpr unsigned kStrClosedDates = 632;        // the list of dates
constexpr unsigned kStrClosedMark = 633;         // the mark of a closed day
constexpr unsigned kStrClosedDaysCount = 634;    // "%1" closed days in the period
constexpr unsigned kStrClosedDateInvalid = 635;  // "%1" a line that is not a date
constexpr unsigned kStrOpenDayAverage = 636;     // "%1" average "in" per open day

}  // namespace zl
