// A counting database of any bytes, read as the report viewer reads a local site: open, table
// detection, the camera query, the day marks and a report (a day of the 2D people counter or of
// a generic counter type). Every step ends with rows or a failure; the file stays byte for
// byte as it was and nothing is created beside it.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "data/DayMarks.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "data/TableDetect.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) names.insert(e->d_name);
        ::closedir(dir);
    }
    return names;
}

int CountRows(void* context, int, char**, char**) {
    ++*static_cast<int*>(context);
    return 0;
}

struct Sink : IRowSink {
    int rows = 0;
    void AddRow(const SYSTEMTIME&, const SYSTEMTIME&, const uint32_t*, int count, int) override {
        ZL_FUZZ_CHECK(count >= 0 && count <= 64, "value count");
        ++rows;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the counter type; the rest is the file.
    const int counterType = 1 + data[0] % 7;
    const std::string folder = zl::fuzz::Scratch::File("db");
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/Counting.db";
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!zl::fuzz::WriteFile(path, bytes)) return 0;
    const std::set<std::string> before = Names(folder);

    RecNetLocal* db = nullptr;
    ZL_FUZZ_CHECK(RecNetCreateLocal(&db) == 1, "create");
    if (db->Open(path.c_str())) {
        const bool people = counterType <= 2;
        const int kind = DetectTableKind(db, people);
        ZL_FUZZ_CHECK(kind == kTableNone || kind == kTableRecordsPeople ||
                          kind == kTableRecordsOther || kind == kTable3D,
                      "table kind " + std::to_string(kind));
        int cameras = 0;
        db->Exec(kind == kTable3D ? "SELECT DISTINCT Camera from _3DRECORDS;"
                                  : "SELECT DISTINCT Camera from records;",
                 CountRows, &cameras);

        SiteRecord site;
        site.localDb = db;
        site.cameras[0].used = 1;
        uint8_t flags[kDayMarkCount];
        const int marked =
            GetDayMarks({site}, MakeSysTime(2024, 2, 26), people, counterType, kind, flags);
        ZL_FUZZ_CHECK(marked >= 0 && marked <= kDayMarkCount, "marked days");

        Sink sink;
        QueryHooks hooks;
        hooks.sink = &sink;
        WorkingHourTable hours;
        for (int d = 0; d < 7; ++d) {
            hours.end[d].wHour = 23;
            hours.end[d].wMinute = 59;
        }
        const SYSTEMTIME date = MakeSysTime(2024, 3, 5);
        if (counterType == 1) {
            Query2D(site, "Camera= 1 OR Camera= 2", kReportDay, date, hours, hooks);
        } else if (counterType == 2) {
            Query3D(site, "Camera= 1", kReportDay, date, 110, 150, 0, hours, hooks);
        } else {
            QueryGeneric(site, SelectExpression(counterType, {1, 2}, 0), "Camera= 1",
                         TimeColumnOf(counterType), kReportDay, date, 60, hours, hooks);
        }
        ZL_FUZZ_CHECK(sink.rows <= 24, "more rows than hours");
    }
    DestroyRecNetLocal(&db);
    ZL_FUZZ_CHECK(db == nullptr, "the handle is not cleared");

    ZL_FUZZ_CHECK(zl::fuzz::ReadFile(path) == bytes, "the database file changed");
    // SQLite's reader of a database whose header says WAL mode makes an empty "-wal" and a
    // "-shm" beside it when there are none (and leaves them); nothing else may appear.
    std::set<std::string> after = Names(folder);
    const bool walHeader = bytes.size() > 19 && (bytes[18] == 2 || bytes[19] == 2);
    if (walHeader && !before.count("Counting.db-wal") && after.count("Counting.db-wal")) {
        ZL_FUZZ_CHECK(zl::fuzz::ReadFile(path + "-wal").empty(), "the reader wrote a WAL");
        after.erase("Counting.db-wal");
        after.erase("Counting.db-shm");
    }
    ZL_FUZZ_CHECK(after == before, "a file was made beside the database");
    return 0;
}

}  // namespace zl
