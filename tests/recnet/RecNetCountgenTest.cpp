// Databases written by countgen, read through the local object and through recnetd: the
// report queries of every counter type and the day marks agree row for row.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "CountGen.h"
#include "RecNetTestKit.h"
#include "base/CounterTypes.h"
#include "recnet/RecNet.h"

namespace zl::testkit {
namespace {

std::string Slashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// Day buckets of an hour each on 2024-03-08 plus the week's day buckets, as the report
// builders send them (sums per bucket, camera filter over all cameras).
std::vector<std::string> BucketQueries(const TableSpec& table) {
    const std::string time = table.columns[0].name;
    std::string values;
    for (size_t i = 1; i < table.columns.size(); ++i) {
        const std::string name = table.columns[i].name;
        if (name == "Camera") continue;
        if (!values.empty()) values += ", ";
        values += std::string(table.columns[i].type) == std::string("TEXT")
                      ? "SUM(strftime('%S'," + name + "))/COUNT(" + name + ")"
                      : "SUM(" + name + ")";
    }
    std::vector<std::string> out;
    char range[128];
    for (int hour = 0; hour < 24; hour += 3) {
        std::snprintf(range, sizeof range,
                      "BETWEEN '2024-03-08 %02d:00:00' AND '2024-03-08 %02d:59:59';", hour, hour);
        out.push_back("SELECT " + values + " from " + table.table +
                      " where (Camera= 1 OR Camera= 2 OR Camera= 3) AND " + time + " " + range);
    }
    for (int day = 4; day <= 10; ++day) {
        std::snprintf(range, sizeof range,
                      "BETWEEN '2024-03-%02d 08:00:00' AND '2024-03-%02d 20:00:59';", day, day);
        out.push_back("SELECT " + values + " from " + table.table + " where (Camera= 2) AND " +
                      time + " " + range);
    }
    out.push_back("SELECT DISTINCT Camera from " + std::string(table.table) + ";");
    out.push_back("select name from sqlite_master where type = 'table';");
    return out;
}

TEST(RecNetCountgen, GeneratedDatabasesReadTheSameLocallyAndRemotely) {
    TempDir dir;
    CountGenOptions options;
    options.root = dir / "data";
    options.days = 7;
    options.endYear = 2024;
    options.endMonth = 3;
    options.endDay = 10;
    options.cameras = 3;
    options.intervalMinutes = 15;
    options.seed = 11;
    std::vector<GeneratedFile> files;
    std::string error;
    ASSERT_EQ(GenerateDatabases(options, &files, &error), 1) << error;

    TestServer server({options.root});
    ASSERT_TRUE(server.Start());
    ClientHolder client(server.NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->GetDatabaseCount(), 9);

    int compared = 0;
    for (int type = 1; type <= 7; ++type) {
        for (const TypeFile& file : FilesOfType(type)) {
            const std::string path = options.root + Slashes(file.relativePath);
            RecNetLocal* local = CreateRecNetLocal();
            ASSERT_EQ(local->Open(path.c_str()), 1) << path;
            ASSERT_EQ(client->OpenDatabase(path.c_str()), 1) << path;
            for (const std::string& sql : BucketQueries(file.table)) {
                Rows localRows, remoteRows;
                ASSERT_EQ(local->Exec(sql.c_str(), CollectRows, &localRows), 1) << sql;
                ASSERT_EQ(client->Exec(sql.c_str(), CollectRows, &remoteRows), 1) << sql;
                EXPECT_EQ(localRows, remoteRows) << sql << "\n" << Describe(localRows);
                ++compared;
            }
            uint8_t localFlags[42] = {}, remoteFlags[42] = {};
            const char* time = file.table.columns[0].name;
            ASSERT_EQ(local->GetMonthDays(file.table.table, time, 2024, 2, 25, 42, localFlags), 1);
            ASSERT_EQ(client->GetMonthDays(file.table.table, time, 2024, 2, 25, 42, remoteFlags),
                      1);
            EXPECT_EQ(0, std::memcmp(localFlags, remoteFlags, 42)) << path;
            // Seven days ending on 2024-03-10: grid days 8 (03-04) to 14 (03-10).
            EXPECT_EQ(localFlags[14], 1) << path;
            EXPECT_EQ(localFlags[15], 0) << path;
            DestroyRecNetLocal(&local);
        }
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace zl::testkit
