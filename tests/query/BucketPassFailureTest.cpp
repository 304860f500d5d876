// A bucket pass that fails is a failed query: the retries and the question of a statement,
// never the per-bucket statements; those run only when the handle cannot answer the pass.
#include <gtest/gtest.h>

#include "QueryTestKit.h"
#include "data/PassPairing.h"
#include "data/SqlBuilders.h"
#include "query/QueryParams.h"
#include "recnet/RecNetBucketPass.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

using zl::recnet::BucketPassResult;
constexpr BucketPassResult kDone = BucketPassResult::kDone;
constexpr BucketPassResult kFailed = BucketPassResult::kFailed;

// A local object with the bucket pass: answers from a script, the last entry repeating.
class ScriptedPass : public FakeLocal, public RecNetBucketPass {
  public:
    std::vector<BucketPassResult> script;
    int calls = 0;
    std::vector<size_t> buckets;  // of each pass asked for
    BucketPassResult ExecBucketPass(const zl::recnet::BucketPass& query,
                                    const std::function<bool()>&, zl::recnet::BucketRows* rows,
                                    std::string*) override {
        buckets.push_back(query.buckets.size());
        const BucketPassResult result =
            script[std::min(static_cast<size_t>(calls), script.size() - 1)];
        ++calls;
        rows->assign(result == kDone ? query.buckets.size() : 0,
                     zl::recnet::BucketRow(2, zl::recnet::BucketCell{false, "3"}));
        return result;
    }
};

struct Outcome {
    int result;
    int asked;
    size_t statements;
    int rows;
    bool aborted;
};

Outcome RunDay(ScriptedPass& db, int yes, PassPairing* pairing = nullptr) {
    SiteRecord site;
    site.connectionType = kConnLocal;
    site.localDb = &db;
    site.localDB = "/data/counts.db";
    CountingProgress progress;
    ScriptedPrompt prompt(yes);
    zl::testsupport::RowCollector rows;
    QueryHooks hooks{&progress, &prompt, &rows, nullptr, true};
    hooks.earlierInPass = pairing;
    const int result =
        Query2D(site, "(Camera= 1)", 0, MakeSysTime(2024, 3, 5), QueryParams().hours, hooks);
    return {result, prompt.Asked(), db.sql.size(), static_cast<int>(rows.rows.size()),
            progress.aborted};
}

TEST(BucketPassFailure, FailedPassAsksAndNeverFallsBackToBucketStatements) {
    ScriptedPass failing;
    failing.script = {kFailed};
    const Outcome given = RunDay(failing, 1);
    EXPECT_EQ(given.result, 0);
    EXPECT_EQ(given.asked, 2);  // Yes, then No
    EXPECT_EQ(given.statements, 0u);
    EXPECT_EQ(given.rows, 0);
    EXPECT_TRUE(given.aborted);
    EXPECT_EQ(failing.calls, 5);  // four attempts before the first question, one after the Yes

    ScriptedPass recovers;
    recovers.script = {kFailed, kFailed, kFailed, kFailed, kFailed, kDone};
    const Outcome ok = RunDay(recovers, 5);
    EXPECT_EQ(ok.result, 1);
    EXPECT_EQ(ok.asked, 2);
    EXPECT_EQ(ok.statements, 0u);
    EXPECT_GT(ok.rows, 0);
    EXPECT_FALSE(ok.aborted);
}

TEST(BucketPassFailure, PassTheHandleCannotAnswerUsesTheBucketStatements) {
    ScriptedPass cannot;
    cannot.script = {BucketPassResult::kUnusable};
    const Outcome r = RunDay(cannot, 0);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.asked, 0);
    EXPECT_EQ(cannot.calls, 1);
    EXPECT_GT(r.statements, 0u);
    EXPECT_EQ(static_cast<size_t>(r.rows), r.statements);
}

TEST(BucketPassFailure, JoinedPassOfThePeriodBeforeFailsAsTheRunsOwn) {
    ScriptedPass failing;
    failing.script = {kFailed};
    PassPairing pairing(MakeSysTime(2024, 3, 4));
    const Outcome given = RunDay(failing, 0, &pairing);
    EXPECT_EQ(given.result, 0);
    EXPECT_EQ(given.asked, 1);
    EXPECT_EQ(given.statements, 0u);
    EXPECT_EQ(given.rows, 0);
    EXPECT_EQ(failing.buckets, std::vector<size_t>(4, 48u));  // both days in every attempt

    // A handle that cannot answer the joined pass gets the day's own.
    ScriptedPass cannot;
    cannot.script = {BucketPassResult::kUnusable, kDone};
    const Outcome alone = RunDay(cannot, 0, &pairing);
    EXPECT_EQ(alone.result, 1);
    EXPECT_EQ(cannot.buckets, (std::vector<size_t>{48u, 24u}));
    EXPECT_EQ(alone.rows, 24);
}

}  // namespace

}  // namespace zl
