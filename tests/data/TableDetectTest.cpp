// Table detection by name and on real catalogues.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/TableDetect.h"

namespace zl {

namespace {

TEST(TableDetect, KindOfOneName) {
    struct Case {
        const char* name;
        bool people;
        int kind;
    };
    const Case cases[] = {
        {"_3DRecords", true, 4},
        {"_3DRECORDS", false, 4},
        {"_3drecords", true, 4},
        {"records", true, 2},
        {"records", false, 3},
        {"Records", true, 2},
        {"RECORDS", false, 3},
        {"OldRecords2", true, 2},
        {"sqlite_sequence", true, 0},
        {"Cameras", false, 0},
        {"", true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TableKindOfName(c.name, c.people), c.kind) << c.name << " " << c.people;
    EXPECT_EQ(TableKindOfName(nullptr, true), 0);
}

struct CatalogueCase {
    const char* name;
    std::vector<std::string> schema;
    int people;  // kind in people mode
    int other;   // kind otherwise
};

class Catalogue : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(Catalogue, LastRecordTableDecides) {
    TempFolder dir;
    const std::string path = dir.File("t.db");
    ASSERT_TRUE(MakeDb(path, GetParam().schema));
    RecNetLocal* db = CreateRecNetLocal();
    ASSERT_EQ(db->Open(path.c_str()), 1);
    EXPECT_EQ(DetectTableKind(db, true), GetParam().people);
    EXPECT_EQ(DetectTableKind(db, false), GetParam().other);
    DestroyRecNetLocal(&db);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Catalogue,
    ::testing::Values(
        CatalogueCase{
            "ThreeDThenRecords", {"CREATE TABLE _3DRecords(x);", "CREATE TABLE records(x);"}, 2, 3},
        CatalogueCase{
            "RecordsThenThreeD", {"CREATE TABLE records(x);", "CREATE TABLE _3DRECORDS(x);"}, 4, 4},
        CatalogueCase{"CapitalRecordsAlone", {"CREATE TABLE Records(x);"}, 2, 3},
        // An AUTOINCREMENT key adds sqlite_sequence after the record table.
        CatalogueCase{"WithSequence",
                      {"CREATE TABLE Records(id INTEGER PRIMARY KEY AUTOINCREMENT, x);",
                       "INSERT INTO Records(x) VALUES(1);", "CREATE TABLE Cameras(n);"},
                      2,
                      3},
        CatalogueCase{"NoRecordTable", {"CREATE TABLE Cameras(n);"}, 0, 0},
        CatalogueCase{"Empty", {}, 0, 0}),
    [](const ::testing::TestParamInfo<CatalogueCase>& testInfo) { return testInfo.param.name; });

TEST(TableDetect, NoDatabaseOrAFailedQueryFindsNothing) {
    EXPECT_EQ(DetectTableKind(nullptr, true), 0);
    RecNetLocal* db = CreateRecNetLocal();  // never opened: the query fails
    EXPECT_EQ(DetectTableKind(db, true), 0);
    DestroyRecNetLocal(&db);
}

}  // namespace

}  // namespace zl
