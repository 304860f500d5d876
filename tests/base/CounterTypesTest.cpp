#include <gtest/gtest.h>

#include <string>

#include "base/CounterTypes.h"

namespace zl {

namespace {

TEST(CounterTypes, StoredNamesAndRelativePaths) {
    struct Row {
        int code;
        const char* name;
        const char* path;
    };
    const Row rows[] = {
        {1, "2DPeopleCounter", "\\PeopleCounterData\\PeopleCounter.db"},
        {2, "3DPeopleCounter", "\\PeopleCounterData\\3DPeopleCounter.db"},
        {3, "AccessCounter", "\\AccessCounterData\\AccessCounter.db"},
        {4, "ZoneCounter", "\\ZoneCounterData\\ZoneCounter.db"},
        {5, "FlowCounter", "\\FlowCountData\\FlowCount.db"},
        {6, "TrafficCounter", "\\TrafficCounterData\\TrafficCounter.db"},
        {7, "QueueLength", "\\QueueLengthData\\QueueLengthMonitoring.db"},
        {0, "", ""},
        {8, "", ""},
        {-1, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_STREQ(CounterTypeStoredName(r.code), r.name);
        EXPECT_STREQ(CounterTypeRelativePath(r.code), r.path);
        EXPECT_EQ(IsValidCounterType(r.code), r.name[0] != '\0');
    }
    EXPECT_STREQ(kQueueWaitingRelativePath, "\\QueueLengthData\\QueueLengthMonitoringWaiting.db");
    EXPECT_STREQ(kQueueServedRelativePath, "\\QueueLengthData\\QueueLengthMonitoringServed.db");
    EXPECT_TRUE(IsPeopleCounterType(1));
    EXPECT_TRUE(IsPeopleCounterType(2));
    EXPECT_FALSE(IsPeopleCounterType(3));
}

TEST(CounterTypes, IsDatabaseFile) {
    struct Row {
        const char* path;
        bool db;
    };
    const Row rows[] = {
        {"X.db", true},
        {"X.DB", true},
        {"x.dB", true},
        {".db", true},
        {"X.db3", false},
        {"db", false},
        {"", false},
        {"X_db", false},
        {"D:\\Data", false},
        {"/data/a.db/", false},
        {"/data/PeopleCounterData/PeopleCounter.db", true},
    };
    for (const Row& r : rows) EXPECT_EQ(IsDatabaseFile(r.path), r.db) << r.path;
}

TEST(CounterTypes, DatabasePathOfType) {
    struct Row {
        const char* path;
        int code;
        const char* want;
    };
    const Row rows[] = {
        // Windows paths keep their backslashes.
        {"D:\\Data\\PeopleCounterData\\PeopleCounter.db", 3,
         "D:\\Data\\AccessCounterData\\AccessCounter.db"},
        {"D:\\Data", 1, "D:\\Data\\PeopleCounterData\\PeopleCounter.db"},
        {"D:\\Data", 0, "D:\\Data"},
        {"D:\\Data", 8, "D:\\Data"},
        {"D:\\Data\\PeopleCounterData\\PeopleCounter.db", 0, "D:\\Data"},
        {"D:\\Data\\QueueLengthData\\QueueLengthMonitoring.DB", 7,
         "D:\\Data\\QueueLengthData\\QueueLengthMonitoring.db"},
        // Paths written with '/' get '/'.
        {"/data/PeopleCounterData/PeopleCounter.db", 3, "/data/AccessCounterData/AccessCounter.db"},
        {"/data", 5, "/data/FlowCountData/FlowCount.db"},
        {"/data/x.db3", 6, "/data/x.db3/TrafficCounterData/TrafficCounter.db"},
        // A path without separators cuts to nothing.
        {"PeopleCounter.db", 2, "/PeopleCounterData/3DPeopleCounter.db"},
        {"", 1, "/PeopleCounterData/PeopleCounter.db"},
        // Mixed separators: the last of either kind cuts; the separators of what is left decide.
        {"C:\\root/sub\\file.db", 1, "C:\\root\\PeopleCounterData\\PeopleCounter.db"},
        {"/srv/data\\PeopleCounterData/x.db", 2, "/srv/data/PeopleCounterData/3DPeopleCounter.db"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DatabasePathOfType(r.path, r.code), r.want) << r.path << " code " << r.code;
}

TEST(CounterTypes, CutAndAppend) {
    EXPECT_EQ(CutAtLastSeparator("D:\\Data\\x.db"), "D:\\Data");
    EXPECT_EQ(CutAtLastSeparator("/a/b"), "/a");
    EXPECT_EQ(CutAtLastSeparator("/a"), "");
    EXPECT_EQ(CutAtLastSeparator("name"), "");
    EXPECT_EQ(AppendRelativePath("/a", kQueueServedRelativePath),
              "/a/QueueLengthData/QueueLengthMonitoringServed.db");
    EXPECT_EQ(AppendRelativePath("D:\\a", kQueueWaitingRelativePath),
              "D:\\a\\QueueLengthData\\QueueLengthMonitoringWaiting.db");
}

}  // namespace

}  // namespace zl
