// Whether Query has something to run, and if not, what the user has to do first: the window
// tells that instead of starting a query that can only come back empty.
#pragma once

#include <vector>

#include "store/SiteRecord.h"

namespace zl {

// 0 when a query can run; else the language string id of what is missing, asked in the order
// the user meets the controls: a counter type, a checked site, a checked camera of a checked
// site. A checked site that lists no cameras at all (a device read as a whole) needs none.
unsigned MissingForQuery(bool counterTypeChosen, const std::vector<SiteRecord>& sites);

}  // namespace zl
