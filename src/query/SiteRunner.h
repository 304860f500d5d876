// The sites of one report, one after another or several at once. At once, every site has its
// own connection and its own row buffers; the buffers reach the real sinks in site order when
// all are done, so the tables end up with the same records, in the same order and with the
// same sums as one after another. The progress and the retry question are shared, one call at
// a time; after an abort no site asks any more.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/QueryHooks.h"
#include "store/SiteRecord.h"

namespace zl {

// Where one site's run puts its rows: the people (2D and generic) rows and the 3D rows.
struct SiteSinks {
    IRowSink* people = nullptr;
    IRowSink* threeD = nullptr;
};

// One site's run; true when it went through. Called on a pool thread when the sites run at
// once.
using SiteJob = std::function<bool(const SiteRecord& site, IQueryProgress* progress,
                                   IRetryPrompt* prompt, const SiteSinks& sinks)>;

// Whether the sites of a run may go at once: more than one site and threads, and every site
// reads through a record-database object that answers a bucket pass (or reads
// nothing), no two of them through the same local object. `peopleFamily`: the handles of the
// people counters (client2D, client3D), else clientOther.
bool SitesMayRunAtOnce(const std::vector<SiteRecord>& sites, bool peopleFamily, int threads);

// Runs job(i) for every i below count, at most `threads` at once (in order below 2).
void ForEachAtOnce(size_t count, int threads, const std::function<void(size_t)>& job);

// Runs `job` for each site in order, at most `threads` at once when `atOnce`. A site that
// fails ends the run: no later site starts, and the rows reach the sinks up to and including
// that site's. True when every site went through; else *failedSite (optional) names the first
// site, in list order, that failed.
bool RunSites(const std::vector<SiteRecord>& sites, bool atOnce, int threads,
              IQueryProgress* progress, IRetryPrompt* prompt, const SiteSinks& sinks,
              const SiteJob& job, std::string* failedSite = nullptr);

}  // namespace zl
