#include "query/Coverage.h"

#include <map>

#include "base/CounterTypes.h"
#include "data/SqlBuilders.h"
#include "store/SiteRecord.h"

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

void FoldCoverageRows(const CoverageSource& source, const std::vector<tagDSSYSTIMEPERIOD>& buckets,
                      const std::vector<SqlRow>& rows, const std::vector<SqlRow>& lastRows,
                      SiteCoverage* site) {
    if (buckets.empty()) return;
    site->buckets.resize(buckets.size());
    const SYSTEMTIME& base = buckets.front().start;

    // Spacings per camera, and over the whole site for cameras with too few records.
    std::map<int, std::map<int, uint64_t>> spacings;
    std::map<int, uint64_t> siteSpacings;
    std::vector<BucketCoverage> found(buckets.size());
    long long last = -1;
    bool hasLast = false;
    for (const SqlRow& row : rows) {
        if (row.size() < 5) continue;
        if (row[0] == 0 && row[2] > 0 && row[3] > 0) {
            spacings[row[1]][row[2]] += static_cast<uint64_t>(row[3]);
            siteSpacings[row[2]] += static_cast<uint64_t>(row[3]);
        } else if (row[0] == 1 && row[2] >= 0 && static_cast<size_t>(row[2]) < buckets.size()) {
            BucketCoverage& b = found[static_cast<size_t>(row[2])];
            b.any = b.any || row[3] > 0;
            if (source.intervals) b.present += static_cast<uint32_t>(row[3]);
        } else if (row[0] == 2 && row[2] > 0) {
            site->records += static_cast<uint64_t>(row[2]);
            last = row[3];
            hasLast = true;
        }
    }
    if (!lastRows.empty() && !lastRows.front().empty()) {
        last = hasLast && lastRows.front()[0] < last ? last : lastRows.front()[0];
        hasLast = true;
    }

    const int siteInterval = MostCommon(siteSpacings);
    if (source.intervals && siteInterval > 0) site->intervalSeconds = siteInterval;
    for (size_t i = 0; i < buckets.size(); ++i) {
        if (source.intervals) {
            const long long length =
                EpochSeconds(buckets[i].end) - EpochSeconds(buckets[i].start) + 1;
            for (int camera : source.cameras) {
                const auto own = spacings.find(camera);
                const int interval = own != spacings.end() ? MostCommon(own->second) : siteInterval;
                if (interval > 0)
                    found[i].expected += static_cast<uint32_t>((length + interval - 1) / interval);
            }
        }
        site->buckets[i].Add(found[i]);
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
                     ReportCoverage* out) {
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
            std::vector<SqlRow> rows, lastRows;
            const bool ok =
                ExecuteWithRetry(site, source.family, CoverageStatement(source, out->buckets), rows,
                                 hooks) != 0 &&
                ExecuteWithRetry(site, source.family,
                                 LastRecordStatement(source, out->buckets.front().start), lastRows,
                                 hooks) != 0;
            if (!ok) {
                failed = true;
                break;
            }
            FoldCoverageRows(source, out->buckets, rows, lastRows, &cov);
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
