#include "query/SiteRunner.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "recnet/RecNet.h"
#include "recnet/RecNetBucketPass.h"

namespace zl {

namespace {

// The run's progress for several sites at once: one call at a time.
class SharedProgress : public IQueryProgress {
  public:
    explicit SharedProgress(IQueryProgress* inner) : inner_(inner) {}
    bool Step(const char* text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return inner_ ? inner_->Step(text) : true;
    }
    void Abort() override {
        std::lock_guard<std::mutex> lock(mutex_);
        aborted_ = true;
        if (inner_) inner_->Abort();
    }
    bool Aborted() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return aborted_ || (inner_ && inner_->Aborted());
    }
    void Close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (inner_) inner_->Close();
    }

  private:
    IQueryProgress* inner_;
    mutable std::mutex mutex_;
    bool aborted_ = false;
};

// One question at a time; none once the run is aborted or a No was given (the run is then
// over: the site that heard it aborts it), the answer is then No.
class SharedPrompt : public IRetryPrompt {
  public:
    SharedPrompt(IRetryPrompt* inner, const IQueryProgress* progress)
        : inner_(inner), progress_(progress) {}
    bool AskRetry(const std::string& caption, const std::string& message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!inner_ || saidNo_ || progress_->Aborted()) return false;
        saidNo_ = !inner_->AskRetry(caption, message);
        return !saidNo_;
    }

  private:
    IRetryPrompt* inner_;
    const IQueryProgress* progress_;
    std::mutex mutex_;
    bool saidNo_ = false;
};

class BufferSink : public IRowSink {
  public:
    struct Row {
        SYSTEMTIME from, to;
        uint32_t values[10];
        int count;
        int kind;
    };
    void AddRow(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values, int count,
                int kind) override {
        Row r{from, to, {}, count, kind};
        const int n = std::clamp(count, 0, 10);
        std::copy(values, values + n, r.values);
        rows_.push_back(r);
    }
    void HandOn(IRowSink* sink) const {
        if (!sink) return;
        for (const Row& r : rows_) sink->AddRow(r.from, r.to, r.values, r.count, r.kind);
    }

  private:
    std::vector<Row> rows_;
};

struct SiteResult {
    BufferSink people, threeD;
    bool started = false;
    bool ok = false;
};

// The client a site's run reads through (the run connects one of its own like it), or null.
RecNetClient* ReadingClient(const SiteRecord& site, bool peopleFamily) {
    if (peopleFamily) return site.client2D ? site.client2D : site.client3D;
    return site.clientOther;
}

}  // namespace

bool SitesMayRunAtOnce(const std::vector<SiteRecord>& sites, bool peopleFamily, int threads) {
    if (threads < 2 || sites.size() < 2) return false;
    std::set<const RecNetLocal*> locals;
    for (const SiteRecord& site : sites) {
        if (site.connectionType == kConnDevice) return false;
        if (RecNetClient* client = ReadingClient(site, peopleFamily)) {
            // The run connects a client of its own of the same kind.
            if (!dynamic_cast<RecNetBucketPass*>(client)) return false;
        } else if (site.localDb) {
            // A local object is the site list's own: one statement at a time on it.
            if (!dynamic_cast<RecNetBucketPass*>(site.localDb)) return false;
            if (!locals.insert(site.localDb).second) return false;
        }
    }
    return true;
}

void ForEachAtOnce(size_t count, int threads, const std::function<void(size_t)>& job) {
    if (threads < 2 || count < 2) {
        for (size_t i = 0; i < count; ++i) job(i);
        return;
    }
    std::atomic<size_t> next{0};
    const auto worker = [&] {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) job(i);
    };
    std::vector<std::thread> pool;
    for (size_t t = 0; t < std::min(count, static_cast<size_t>(threads)); ++t)
        pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();
}

bool RunSites(const std::vector<SiteRecord>& sites, bool atOnce, int threads,
              IQueryProgress* progress, IRetryPrompt* prompt, const SiteSinks& sinks,
              const SiteJob& job, std::string* failedSite) {
    const auto failedAt = [&](const SiteRecord& site) {
        if (failedSite) *failedSite = site.name;
        return false;
    };
    if (!atOnce || threads < 2 || sites.size() < 2) {
        for (const SiteRecord& site : sites)
            if (!job(site, progress, prompt, sinks)) return failedAt(site);
        return true;
    }
    SharedProgress sharedProgress(progress);
    SharedPrompt sharedPrompt(prompt, &sharedProgress);
    std::vector<std::unique_ptr<SiteResult>> results;
    for (size_t i = 0; i < sites.size(); ++i) results.push_back(std::make_unique<SiteResult>());
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto worker = [&] {
        for (;;) {
            if (failed.load()) return;
            const size_t i = next.fetch_add(1);
            if (i >= sites.size()) return;
            SiteResult& r = *results[i];
            r.started = true;
            SiteSinks own{&r.people, &r.threeD};
            r.ok = job(sites[i], &sharedProgress, &sharedPrompt, own);
            if (!r.ok) failed.store(true);
        }
    };
    const size_t count = std::min(sites.size(), static_cast<size_t>(threads));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < count; ++t) pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();

    // A site that did not start follows one that failed; the failed one is named.
    const SiteRecord* firstFailed = nullptr;
    for (size_t i = 0; i < results.size(); ++i) {
        const SiteResult& r = *results[i];
        if (r.started && !r.ok) {
            firstFailed = &sites[i];
            break;
        }
    }
    for (size_t i = 0; i < results.size(); ++i) {
        SiteResult& r = *results[i];
        if (!r.started) return failedAt(firstFailed ? *firstFailed : sites[i]);
        r.people.HandOn(sinks.people);
        r.threeD.HandOn(sinks.threeD);
        if (!r.ok) return failedAt(sites[i]);
    }
    return true;
}

}  // namespace zl
