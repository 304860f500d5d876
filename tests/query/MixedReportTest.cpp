// A report of a local 3D database site and a device site (a real devsim on 127.0.0.1 serving a
// countgen database): Day, Week and Month have one row per bucket, and each row is the sum of
// what the two sites give alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "CountGen.h"
#include "DevSim.h"
#include "QueryTestKit.h"
#include "devlink/DevLink.h"
#include "query/QueryWorker.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

class MixedReport : public ::testing::Test {
  protected:
    void SetUp() override {
        CountGenOptions gen;
        gen.root = dir_.Path();
        gen.types = {1, 2};
        gen.days = 40;
        gen.endYear = 2024;
        gen.endMonth = 1;
        gen.endDay = 20;
        gen.cameras = 2;
        gen.intervalMinutes = 30;
        gen.seed = 11;
        std::string error;
        ASSERT_EQ(GenerateDatabases(gen, nullptr, &error), 1) << error;
        DevSimConfig config;
        config.dbPath = PathOf(1);
        config.user = "admin";
        config.password = "pw";
        ASSERT_EQ(sim_.Start(config, &error), 1) << error;

        ASSERT_EQ(RecNetCreateLocal(&local_.localDb), 1);
        ASSERT_EQ(local_.localDb->Open(PathOf(2).c_str()), 1);
        local_.connectionType = kConnLocal;
        local_.localDB = PathOf(2);
        local_.checked = 1;
        local_.cameras[0] = CameraSlot{1, "c", nullptr, 1, 1, {}};  // a 3D camera

        device_.connectionType = kConnDevice;
        device_.checked = 1;
        device_.deviceLink = CreateDevLink();
        ASSERT_NE(device_.deviceLink, nullptr);
        ASSERT_EQ(device_.deviceLink->Connect("127.0.0.1", sim_.Port(), "admin", "pw", 5000), 1);
        device_.cameras[0] = CameraSlot{1, "c", nullptr, 1, 0, {}};
        device_.cameras[1] = CameraSlot{1, "c", nullptr, 1, 0, {}};
    }
    void TearDown() override {
        DestroyRecNetLocal(&local_.localDb);
        DestroyDevLink(&device_.deviceLink);
        sim_.Stop();
    }

    std::string PathOf(int type) const {
        std::string rel = FilesOfType(type).at(0).relativePath;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        return dir_.File(rel);
    }

    std::vector<CountRecord> Run(int range, const std::vector<SiteRecord>& sites) {
        CCountTable people, threeD;
        CReportTable report;
        QueryParams p;
        p.counterType = 2;
        p.range = range;
        p.startDate = MakeSysTime(2024, 1, 15);
        for (int k = 0; k < 7; ++k) {
            p.hours.start[k] = MakeSysTime(2000, 1, 1, 8, 0);
            p.hours.end[k] = MakeSysTime(2000, 1, 1, 20, 59);
        }
        CountingProgress progress;
        ScriptedPrompt prompt(0);
        EXPECT_EQ(RunQuery(p, sites, &progress, &prompt, QueryTables{&people, &threeD, &report}),
                  kQueryDone);
        return report.Records();
    }

    TempFolder dir_;
    DevSim sim_;
    SiteRecord local_, device_;
};

TEST_F(MixedReport, EveryRangeHasOneRowPerBucketSummingTheSitesAlone) {
    const struct {
        int range;
        size_t rows;
    } ranges[] = {{kReportDay, 24}, {kReportWeek, 7}, {kReportMonth, 31}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(r.range);
        const std::vector<CountRecord> local = Run(r.range, {local_});
        const std::vector<CountRecord> device = Run(r.range, {device_});
        const std::vector<CountRecord> both = Run(r.range, {local_, device_});
        ASSERT_EQ(local.size(), r.rows);
        ASSERT_EQ(device.size(), r.rows);
        ASSERT_EQ(both.size(), r.rows);
        uint64_t localSum = 0, deviceSum = 0;
        for (size_t i = 0; i < r.rows; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(both[i].fromDay, local[i].fromDay);
            EXPECT_EQ(both[i].fromDay, device[i].fromDay);
            EXPECT_EQ(both[i].fromHour, device[i].fromHour);
            EXPECT_EQ(both[i].values[0], local[i].values[0] + device[i].values[0]);
            EXPECT_EQ(both[i].values[1], local[i].values[1] + device[i].values[1]);
            localSum += local[i].values[0];
            deviceSum += device[i].values[0];
        }
        // Both sites counted something, so the sums test more than zeros.
        EXPECT_GT(localSum, 0u);
        EXPECT_GT(deviceSum, 0u);
        EXPECT_EQ(both.back().fromDay, 15);  // the last bucket is the chosen date
    }
}

}  // namespace

}  // namespace zl
