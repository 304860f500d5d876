// Language string ids of the texts that guide the user through the report window: the question
// before sites are deleted, the hints of an empty result area, what Query is missing, the
// errors that name a site, and the heading of printed and exported reports. Texts with "%1",
// "%2" get their values filled in by the code that shows them.
#pragma once

#include <array>

namespace zl {

// --- Deleting sites ----------------------------------------------------------------------------
constexpr unsigned kStrDeleteOneSite = 500;    // "Delete this site ...?" then the name
constexpr unsigned kStrDeleteManySites = 501;  // "%1": how many; then the names

// --- Empty result area and Query with nothing to run -------------------------------------------
constexpr unsigned kStrHintStart = 510;  // before the first query
constexpr unsigned kStrMissingCounterType = 511;
constexpr unsigned kStrMissingSite = 512;
constexpr unsigned kStrMissingCamera = 513;
constexpr unsigned kStrHintNoRows = 514;       // a query that gave no rows
constexpr unsigned kStrHintTypeChanged = 515;  // after a counter type change

// --- Site errors -------------------------------------------------------------------------------
constexpr unsigned kStrSiteError = 520;          // "%1": the site, "%2": the cause
constexpr unsigned kStrCauseUnreachable = 521;   // nothing answered at the address
constexpr unsigned kStrCauseLoginRefused = 522;  // the server refused the user or password
constexpr unsigned kStrCauseNoDatabase = 523;    // no database or camera table
constexpr unsigned kStrNotConnectedMark = 524;   // appended to the name of an unconnected site
constexpr unsigned kStrCauseQueryFailed = 525;   // a query at the site failed: no report

// --- Heading of printed and exported reports ---------------------------------------------------
constexpr unsigned kStrHeadingSites = 530;    // "Sites:"
constexpr unsigned kStrHeadingRange = 531;    // "Range:"
constexpr unsigned kStrHeadingFilters = 532;  // "Filters:"
constexpr unsigned kStrHeadingPrinted = 533;  // "Printed:"

}  // namespace zl
