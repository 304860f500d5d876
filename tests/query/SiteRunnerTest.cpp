// Sites of a report at once: the rows reach the tables in site order whatever order the sites
// finish in, a failed site ends the run as it would one after another, one question at a
// time and none after an abort, and which sites may go at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Await.h"
#include "QueryTestKit.h"
#include "query/SiteRunner.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

using zl::testsupport::RecordedRow;
using zl::testsupport::RowCollector;

// Site i adds rows ending on day i + 1 (AddRows).
int SiteOf(const RecordedRow& row) {
    return row.to.wDay;
}

std::vector<SiteRecord> Sites(int n) {
    std::vector<SiteRecord> sites(n);
    for (int i = 0; i < n; ++i) sites[i].name = std::to_string(i);
    return sites;
}

void AddRows(const SiteRecord& site, const SiteSinks& sinks, int count) {
    const int i = std::stoi(site.name);
    for (int r = 0; r < count; ++r) {
        const uint32_t v = static_cast<uint32_t>(i * 100 + r);
        sinks.people->AddRow(MakeSysTime(2024, 1, 1), MakeSysTime(2024, 1, i + 1), &v, 1, 0);
        if (sinks.threeD)
            sinks.threeD->AddRow(MakeSysTime(2024, 1, 1), MakeSysTime(2024, 1, i + 1), &v, 1, 0);
    }
}

TEST(SiteRunner, RowsReachTheSinksInSiteOrderWhateverOrderTheSitesEnd) {
    for (bool atOnce : {false, true}) {
        RowCollector people, threeD;
        CountingProgress progress;
        std::atomic<int> running{0}, most{0};
        const bool ok = RunSites(
            Sites(5), atOnce, 3, &progress, nullptr, SiteSinks{&people, &threeD},
            [&](const SiteRecord& site, IQueryProgress* p, IRetryPrompt*, const SiteSinks& sinks) {
                const int now = ++running;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                // Run at once, the first site waits until another one runs beside it, so the
                // overlap does not depend on how the threads are scheduled.
                if (atOnce && site.name == "0") {
                    EXPECT_TRUE(zl::testsupport::WaitUntil([&] { return most.load() >= 2; }));
                }
                // The first sites take longest.
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(40 - 8 * std::stoi(site.name)));
                AddRows(site, sinks, 3);
                p->Step();
                --running;
                return true;
            });
        EXPECT_TRUE(ok);
        ASSERT_EQ(people.rows.size(), 15u);
        ASSERT_EQ(threeD.rows.size(), 15u);
        for (size_t k = 0; k < 15; ++k) {
            EXPECT_EQ(SiteOf(people.rows[k]), static_cast<int>(k / 3) + 1);
            EXPECT_EQ(people.rows[k].values[0], (k / 3) * 100 + k % 3);
            EXPECT_EQ(threeD.rows[k].values[0], people.rows[k].values[0]);
        }
        EXPECT_EQ(progress.steps, 5);
        EXPECT_EQ(most.load() > 1, atOnce);
        EXPECT_LE(most.load(), 3);
    }
}

TEST(SiteRunner, AFailedSiteEndsTheRunWithItsRowsAndNoLaterSite) {
    RowCollector people;
    std::atomic<int> started{0};
    zl::testsupport::Flag failedSiteDone;
    std::string failedSite;
    const bool ok = RunSites(
        Sites(4), true, 2, nullptr, nullptr, SiteSinks{&people, nullptr},
        [&](const SiteRecord& site, IQueryProgress*, IRetryPrompt*, const SiteSinks& sinks) {
            ++started;
            const int i = std::stoi(site.name);
            // Site 0 is still running when site 1 fails, however the threads are scheduled.
            if (i == 0) {
                EXPECT_TRUE(failedSiteDone.WaitFor());
            }
            AddRows(site, sinks, 2);
            if (i == 1) failedSiteDone.Set();
            return i != 1;
        },
        &failedSite);
    EXPECT_FALSE(ok);
    EXPECT_EQ(failedSite, "1");
    // Site 0's thread may fetch a later site in the instant between the failed site's return
    // and the run noting the failure; such a site's rows are never handed on.
    EXPECT_GE(started.load(), 2);
    ASSERT_EQ(people.rows.size(), 4u);  // site 0 whole, then the failed site's rows
    EXPECT_EQ(SiteOf(people.rows[3]), 2);
}

TEST(SiteRunner, TheFailedSiteIsNamedOneAfterAnotherAndAtOnce) {
    for (bool atOnce : {false, true}) {
        RowCollector people;
        std::string failedSite;
        const bool ok = RunSites(
            Sites(5), atOnce, 2, nullptr, nullptr, SiteSinks{&people, nullptr},
            [&](const SiteRecord& site, IQueryProgress*, IRetryPrompt*, const SiteSinks&) {
                return site.name != "2";
            },
            &failedSite);
        EXPECT_FALSE(ok);
        EXPECT_EQ(failedSite, "2") << atOnce;
        failedSite.clear();
        EXPECT_TRUE(RunSites(
            Sites(3), atOnce, 2, nullptr, nullptr, SiteSinks{&people, nullptr},
            [](const SiteRecord&, IQueryProgress*, IRetryPrompt*, const SiteSinks&) {
                return true;
            },
            &failedSite));
        EXPECT_EQ(failedSite, "");
    }
}

// Answers Yes, Yes, No; notes when two questions were open at once.
class SlowPrompt : public IRetryPrompt {
  public:
    std::atomic<int> asked{0}, open{0};
    bool overlap = false;
    bool AskRetry(const std::string&, const std::string&) override {
        if (++open > 1) overlap = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const int n = ++asked;
        --open;
        return n < 3;
    }
};

TEST(SiteRunner, OneQuestionAtATimeAndNoneAfterAnAbort) {
    CountingProgress progress;
    SlowPrompt prompt;
    const bool ok =
        RunSites(Sites(4), true, 4, &progress, &prompt, SiteSinks{},
                 [&](const SiteRecord&, IQueryProgress* p, IRetryPrompt* q, const SiteSinks&) {
                     const bool yes = q->AskRetry("caption", "text");
                     if (!yes) p->Abort();
                     return yes;
                 });
    EXPECT_FALSE(ok);
    EXPECT_EQ(prompt.asked.load(), 3);  // the fourth site asks after the No: not shown
    EXPECT_FALSE(prompt.overlap);
    EXPECT_TRUE(progress.aborted);
}

// Discovery of many sites: every index once, never more than the bound at once, and the
// bound is reached when the jobs overlap.
TEST(SiteRunner, ForEachAtOnceRunsEveryJobOnceWithinTheBound) {
    for (int threads : {1, 3}) {
        std::vector<std::atomic<int>> runs(40);
        std::atomic<int> running{0}, most{0};
        ForEachAtOnce(runs.size(), threads, [&](size_t i) {
            const int now = ++running;
            for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            // Hold the slot until another job could have joined (bounded for a busy machine).
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
            while (threads > 1 && most.load() < threads && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            ++runs[i];
            --running;
        });
        for (const auto& r : runs) EXPECT_EQ(r.load(), 1);
        EXPECT_LE(most.load(), threads);
        EXPECT_EQ(most.load(), threads);
    }
}

TEST(SiteRunner, WhichSitesMayGoAtOnce) {
    RecNetLocal* a = CreateRecNetLocal();
    RecNetLocal* b = CreateRecNetLocal();
    FakeLocal fake;
    SiteRecord la, lb, lf, dev, empty;
    la.localDb = a;
    lb.localDb = b;
    lf.localDb = &fake;
    dev.connectionType = kConnDevice;
    struct Case {
        std::vector<SiteRecord> sites;
        int threads;
        bool atOnce;
    } cases[] = {
        {{la, lb}, 4, true},  {{la, lb, empty}, 2, true}, {{la, lb}, 1, false},  {{la}, 4, false},
        {{la, la}, 4, false}, {{la, lf}, 4, false},       {{la, dev}, 4, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(SitesMayRunAtOnce(cases[i].sites, true, cases[i].threads), cases[i].atOnce)
            << "case " << i;
    DestroyRecNetLocal(&a);
    DestroyRecNetLocal(&b);
}

}  // namespace

}  // namespace zl
