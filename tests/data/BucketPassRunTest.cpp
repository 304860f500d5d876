// Runs of a plan with the bucket pass switched on: rows and steps as the per-bucket run
// gives them, the per-bucket statements (to the byte) when the handle cannot answer, the retry
// question of a statement when the pass fails, and a cancel during the pass.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/BucketPassRun.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "recnet/RecNetBucketPass.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

using zl::recnet::BucketPass;
using zl::recnet::BucketPassResult;
using zl::recnet::BucketRows;

const SYSTEMTIME kDate = Day(2024, 3, 5);

// A server client that also answers bucket passes from a script.
class PassClient : public ScriptClient, public RecNetBucketPass {
  public:
    BucketPassResult passResult = BucketPassResult::kDone;
    std::vector<BucketPass> queries;
    std::function<void()> during;  // runs while the "statement" runs
    BucketPassResult ExecBucketPass(const BucketPass& q, const std::function<bool()>& cancelled,
                                    BucketRows* answer, std::string* statement) override {
        queries.push_back(q);
        if (during) during();
        if (cancelled && cancelled()) return BucketPassResult::kFailed;
        if (passResult != BucketPassResult::kDone) return passResult;
        answer->clear();
        for (size_t b = 0; b < q.buckets.size(); ++b) {
            zl::recnet::BucketRow row;
            for (size_t c = 0; c < (q.parts.size() > 1 ? q.parts.size() : 2); ++c)
                row.push_back({b == 1 && c == 0, std::to_string(b * 10 + c)});
            answer->push_back(row);
        }
        if (statement) *statement = "one pass";
        return BucketPassResult::kDone;
    }
};

class PassRun : public ::testing::Test {
  protected:
    void SetUp() override {
        site_.ipAddress = "10.0.0.1";
        site_.client2D = &client_;
        site_.client3D = &client_;
        hooks_ = QueryHooks{&progress_, &prompt_, &sink_, &lastSql_, true};
        prompt_.client = &client_;
    }
    PassClient client_;
    SiteRecord site_;
    CountingProgress progress_;
    ScriptPrompt prompt_;
    VectorSink sink_;
    std::string lastSql_;
    QueryHooks hooks_;
};

TEST_F(PassRun, OneRequestGivesEveryBucketsRowAndStep) {
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_EQ(client_.Count("Exec"), 0);
    ASSERT_EQ(client_.queries.size(), 1u);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[1].values, (std::vector<uint32_t>{0, 11, 0, 0}));  // NULL reads as 0
    EXPECT_EQ(sink_.rows[2].values, (std::vector<uint32_t>{20, 21, 0, 0}));
    EXPECT_EQ(progress_.steps, 24);
    EXPECT_EQ(lastSql_, "one pass");
    // 3D: one value per text of the group.
    sink_.rows.clear();
    ASSERT_EQ(Query3D(site_, "Camera= 2", kReportWeek, kDate, 1000, 1500, 1, {}, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 7u);
    EXPECT_EQ(sink_.rows[3].values, (std::vector<uint32_t>{30, 31, 32, 33, 34, 35}));
    EXPECT_EQ(client_.queries.back().parts.size(), 6u);
}

struct FallbackCase {
    const char* name;
    BucketPassResult passResult;
};

class Fallback : public PassRun, public ::testing::WithParamInterface<FallbackCase> {};

// A handle without the request (a server without it, or a plan it cannot express): the
// per-bucket statements, byte for byte, as with the request switched off.
TEST_P(Fallback, SendsThePerBucketStatements) {
    client_.passResult = GetParam().passResult;
    client_.rows = {{"3", "4"}};
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportMonth, kDate, {}, hooks_), 1);
    const BucketPlan plan = Plan2D("Camera= 1", kReportMonth, kDate, {});
    ASSERT_EQ(client_.sqls.size(), plan.buckets.size());
    for (size_t i = 0; i < plan.buckets.size(); ++i)
        EXPECT_EQ(client_.sqls[i], Sql2D("Camera= 1", plan.buckets[i].from, plan.buckets[i].to));
    EXPECT_EQ(sink_.rows.size(), plan.buckets.size());
    EXPECT_EQ(progress_.steps, static_cast<int>(plan.buckets.size()));
    EXPECT_EQ(lastSql_, BucketTexts(plan, plan.buckets.back()).at(0));
}

INSTANTIATE_TEST_SUITE_P(Ways, Fallback,
                         ::testing::Values(FallbackCase{"server without it",
                                                        BucketPassResult::kUnusable}),
                         [](const auto&) { return std::string("Unsupported"); });

// A pass that failed (a time limit, a lost connection) is a failed query: the attempts and the
// question of a statement, and never one statement per bucket after it.
TEST_F(PassRun, AFailedPassGoesThroughTheRetryQuestionNotTheBucketStatements) {
    client_.passResult = BucketPassResult::kFailed;
    prompt_.answers = {true, false};
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(client_.queries.size(), 5u);  // four attempts, Yes, one more, No
    EXPECT_EQ(prompt_.execCountAtAsk, (std::vector<int>{0, 0}));
    EXPECT_TRUE(progress_.aborted);
    EXPECT_TRUE(sink_.rows.empty());
}

TEST_F(PassRun, YesAfterAFailedPassGivesTheRowsOfTheNextPass) {
    client_.during = [this] {
        client_.passResult =
            client_.queries.size() >= 5 ? BucketPassResult::kDone : BucketPassResult::kFailed;
    };
    prompt_.answers = {true};
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_EQ(client_.Count("Exec"), 0);
    EXPECT_EQ(prompt_.messages.size(), 1u);
    EXPECT_EQ(sink_.rows.size(), 24u);
}

TEST_F(PassRun, CancelDuringThePassEndsTheRun) {
    client_.during = [this] { progress_.aborted = true; };
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(client_.Count("Exec"), 0);
    EXPECT_TRUE(sink_.rows.empty());
    EXPECT_EQ(progress_.steps, 0);
}

TEST_F(PassRun, ProgressClosedAfterSomeBucketsStopsTheRows) {
    progress_.stopAt = 5;
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(sink_.rows.size(), 5u);
}

TEST_F(PassRun, ALostSessionIsMadeAgainFirst) {
    client_.alive = false;
    site_.localDB = "/srv/data";
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_EQ(client_.Count("Connect"), 1);
    EXPECT_EQ(client_.Count("Login"), 1);
    EXPECT_EQ(client_.Count("OpenDatabase /srv/data"), 1);
    EXPECT_EQ(client_.queries.size(), 1u);
}

TEST_F(PassRun, WithoutTheSwitchNothingChanges) {
    hooks_.bucketPass = false;
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_TRUE(client_.queries.empty());
    EXPECT_EQ(client_.Count("Exec"), 24);
}

}  // namespace

}  // namespace zl
