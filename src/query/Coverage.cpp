#include "query/Coverage.h"

#include <algorithm>
#include <map>

#include "base/CounterTypes.h"
#include "data/SqlBuilders.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

constexpr double kSecondsPerDay = 86400.0;

SYSTEMTIME FromBase(const SYSTEMTIME& base, long long seconds) {
    return OleDateToSystemTime(SystemTimeToOleDate(base) +
                               static_cast<double>(seconds) / kSecondsPerDay);
}

// The spacing with the most occurrences (the smaller of equals) in `counts`; 0 when empty.
int MostCommon(const std::map<int, uint64_t>& counts) {
    int best = 0;
    uint64_t seen = 0;
    for (const auto& [spacing, n] : counts)
        if (n > seen) {
            best = spacing;
            seen = n;
        }
    return best;
}

// The run's progress for the measuring statements: a statement that finally fails gives up
// the coverage of its site, not the report, so its abort stays here.
class MeasuringProgress : public IQueryProgress {
  public:
    explicit MeasuringProgress(IQueryProgress* run) : run_(run) {}
    bool Step(const char* text) override { return run_ ? run_->Step(text) : true; }
    void Abort() override { failed_ = true; }
    bool Aborted() const override { return failed_ || (run_ && run_->Aborted()); }
    void Close() override {}
    void Reset() { failed_ = false; }

  private:
    IQueryProgress* run_;
    bool failed_ = false;
};

// The counts of the site's pass of `family` in the run, folded into the coverage buckets.
bool PassCountsOf(const RunRecordCounts* counts, size_t site, int family,
                  const std::vector<tagDSSYSTIMEPERIOD>& buckets, SourceCounts* out) {
    if (!counts || site >= counts->sites.size()) return false;
    for (const PassRecordCounts& pass : counts->sites[site])
        if (pass.family == family) return CountsFromPass(buckets, pass, out);
    return false;
}

}  // namespace

double BucketCoverage::Ratio() const {
    if (expected == 0) return -1.0;
    return present >= expected ? 1.0 : static_cast<double>(present) / expected;
}

void BucketCoverage::Add(const BucketCoverage& other) {
    any = any || other.any;
    present += other.present;
    expected += other.expected;
}

size_t ReportCoverage::EmptyBuckets() const {
    size_t n = 0;
    for (const BucketCoverage& b : total) n += b.any ? 0 : 1;
    return n;
}

int ReportCoverage::BucketAt(const SYSTEMTIME& from) const {
    const long long at = EpochSeconds(from);
    for (size_t i = 0; i < buckets.size(); ++i)
        if (EpochSeconds(buckets[i].start) == at) return static_cast<int>(i);
    return -1;
}

bool CountsFromPass(const std::vector<tagDSSYSTIMEPERIOD>& buckets, const PassRecordCounts& pass,
                    SourceCounts* out) {
    out->assign(buckets.size(), 0);
    // Where each coverage bucket is covered up to (the next second expected), -1 nothing yet.
    std::vector<long long> reach(buckets.size(), -1);
    size_t j = 0;
    for (size_t p = 0; p < pass.buckets.size() && p < pass.records.size(); ++p) {
        const long long from = EpochSeconds(pass.buckets[p].start);
        const long long to = EpochSeconds(pass.buckets[p].end);
        while (j < buckets.size() && EpochSeconds(buckets[j].end) < from) ++j;
        if (j == buckets.size() || to > EpochSeconds(buckets[j].end)) return false;
        const long long next = reach[j] < 0 ? EpochSeconds(buckets[j].start) : reach[j];
        if (from != next) return false;
        reach[j] = to + 1;
        (*out)[j] += pass.records[p];
    }
    for (size_t i = 0; i < buckets.size(); ++i)
        if (reach[i] != EpochSeconds(buckets[i].end) + 1) return false;
    return true;
}

SourceCounts CountsFromRows(size_t buckets, const std::vector<SqlRow>& rows) {
    SourceCounts out(buckets, 0);
    for (const SqlRow& row : rows)
        if (row.size() >= 2 && row[0] >= 0 && static_cast<size_t>(row[0]) < buckets && row[1] > 0)
            out[static_cast<size_t>(row[0])] += static_cast<uint64_t>(row[1]);
    return out;
}

void FoldCoverage(const CoverageSource& source, const std::vector<tagDSSYSTIMEPERIOD>& buckets,
                  const SourceCounts& counts, const std::vector<SqlRow>& sampleRows,
                  SiteCoverage* site) {
    if (buckets.empty()) return;
    site->buckets.resize(buckets.size());
    const SYSTEMTIME& base = buckets.front().start;

    // The sampled times per camera; the spacings per camera, and over the whole site for
    // cameras with too few records.
    std::map<int, std::vector<int>> times;
    long long last = 0;
    bool hasLast = false;
    for (const SqlRow& row : sampleRows) {
        if (row.size() < 3) continue;
        if (row[0] == 0) {
            times[row[1]].push_back(row[2]);
        } else if (row[0] == 1) {
            last = row[2];
            hasLast = true;
        }
    }
    std::map<int, std::map<int, uint64_t>> spacings;
    std::map<int, uint64_t> siteSpacings;
    for (auto& [camera, ts] : times) {
        std::sort(ts.begin(), ts.end());
        for (size_t k = 1; k < ts.size(); ++k)
            if (ts[k] > ts[k - 1]) {
                ++spacings[camera][ts[k] - ts[k - 1]];
                ++siteSpacings[ts[k] - ts[k - 1]];
            }
    }

    const int siteInterval = MostCommon(siteSpacings);
    if (source.intervals && siteInterval > 0) site->intervalSeconds = siteInterval;
    for (size_t i = 0; i < buckets.size(); ++i) {
        BucketCoverage found;
        const uint64_t n = i < counts.size() ? counts[i] : 0;
        found.any = n > 0;
        site->records += n;
        if (source.intervals) {
            found.present = static_cast<uint32_t>(n);
            const long long length =
                EpochSeconds(buckets[i].end) - EpochSeconds(buckets[i].start) + 1;
            for (int camera : source.cameras) {
                const auto own = spacings.find(camera);
                const int interval = own != spacings.end() ? MostCommon(own->second) : siteInterval;
                if (interval > 0)
                    found.expected += static_cast<uint32_t>((length + interval - 1) / interval);
            }
        }
        site->buckets[i].Add(found);
    }
    site->measured = true;

    if (hasLast) {
        const SYSTEMTIME t = FromBase(base, last);
        if (!site->hasLast || EpochSeconds(t) > EpochSeconds(site->lastRecord))
            site->lastRecord = t;
        site->hasLast = true;
    }
    // The data ends before the period does: nothing at all, or (a Day) nothing within one
    // interval of its end, or (several days) nothing on its last day; so the closing hours
    // of a shop's last day do not count as missing data.
    const long long end = EpochSeconds(buckets.back().end);
    const long long lastSeen = site->hasLast ? EpochSeconds(site->lastRecord) : 0;
    const bool oneDay = EpochSeconds(buckets.front().start) / 86400 == end / 86400;
    site->partial = !site->hasLast || (oneDay ? lastSeen + site->intervalSeconds < end
                                              : lastSeen / 86400 < end / 86400);
}

bool MeasureCoverage(const QueryParams& params, const std::vector<SiteRecord>& sites,
                     const std::vector<std::string>& names, IQueryProgress* progress, IRetryPrompt*,
                     ReportCoverage* out, const RunRecordCounts* counts) {
    MeasuringProgress measuring(progress);
    const int period = IsPeopleCounterType(params.counterType) ? 60 : params.periodMinutes;
    out->buckets =
        ReportBuckets(params.range, params.startDate, period == 0 ? 60 : period, params.hours);
    out->total.assign(out->buckets.size(), BucketCoverage());
    out->sites.clear();
    for (size_t i = 0; i < sites.size(); ++i) {
        SiteCoverage cov;
        cov.name = i < names.size() ? names[i] : sites[i].name;
        SiteRecord site = sites[i];
        bool failed = false;
        for (const CoverageSource& source : CoverageSourcesOf(site, params)) {
            // The site's own session (the sites are measured one after another, after the
            // report): a client of the run's own would cost a second login per site.
            // No question: a site whose coverage cannot be read stays unmeasured.
            measuring.Reset();
            QueryHooks hooks{&measuring, nullptr, nullptr, nullptr, false};
            SourceCounts found;
            if (!PassCountsOf(counts, i, source.family, out->buckets, &found)) {
                std::vector<SqlRow> rows;
                if (!ExecuteWithRetry(site, source.family, CoverageStatement(source, out->buckets),
                                      rows, hooks)) {
                    failed = true;
                    break;
                }
                found = CountsFromRows(out->buckets.size(), rows);
            }
            std::vector<SqlRow> sample;
            if (!ExecuteWithRetry(site, source.family, SampleStatement(source, out->buckets),
                                  sample, hooks)) {
                failed = true;
                break;
            }
            FoldCoverage(source, out->buckets, found, sample, &cov);
        }
        if (progress && progress->Aborted()) return false;
        if (failed) {
            SiteCoverage unmeasured;
            unmeasured.name = cov.name;
            cov = unmeasured;
        }
        if (cov.measured) {
            out->measured = true;
            for (size_t b = 0; b < out->total.size(); ++b) out->total[b].Add(cov.buckets[b]);
        }
        out->sites.push_back(cov);
        if (progress && !progress->Step()) return false;
    }
    return true;
}

}  // namespace zl
