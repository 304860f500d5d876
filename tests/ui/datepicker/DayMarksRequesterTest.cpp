// The window's highlighting of the days that hold data: real sites (a local database folder
// and a record-database server, both written by countgen), a server that is gone, answers that
// come back after the grid has changed, and a request that never ends.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>

#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "data/QueryExec.h"
#include "recnet/RecNet.h"
#include "ui/datepicker/CCalendarPopup.h"
#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/CalendarDatePicker.h"
#include "ui/datepicker/DayMarksRequester.h"
#include "ui/datepicker/PickerDates.h"
#include "ui/datepicker/ZPickCalendar.h"

namespace zl {

namespace {

class TempFolder {
  public:
    TempFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "zl_marks_XXXXXX").string();
        if (::mkdtemp(t.data())) path_ = t;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The distinct days of a time column, read straight from the file.
std::set<QDate> DaysIn(const std::string& file, const char* table, const char* column) {
    std::set<QDate> days;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const std::string sql =
            std::string("SELECT DISTINCT substr(") + column + ",1,10) FROM " + table + ";";
        sqlite3_exec(
            db, sql.c_str(),
            [](void* ctx, int, char** texts, char**) {
                static_cast<std::set<QDate>*>(ctx)->insert(
                    QDate::fromString(QString::fromLatin1(texts[0]), Qt::ISODate));
                return 0;
            },
            &days, nullptr);
    }
    sqlite3_close(db);
    return days;
}

// A port on 127.0.0.1 that nothing listens on.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool Generate(const std::string& root, int type, int endDay, int days) {
    CountGenOptions o;
    o.root = root;
    o.types = {type};
    o.days = days;
    o.endYear = 2024;
    o.endMonth = 3;
    o.endDay = endDay;
    o.cameras = 2;
    o.intervalMinutes = 60;
    std::vector<GeneratedFile> files;
    std::string error;
    const bool ok = GenerateDatabases(o, &files, &error) == 1;
    EXPECT_TRUE(ok) << error;
    return ok;
}

SiteRecord SiteWithCamera(int connectionType) {
    SiteRecord s;
    s.connectionType = connectionType;
    s.cameras[0].used = 1;
    s.cameras[0].checked = 1;
    s.checked = 1;
    return s;
}

// The report window's part: the picker, the requester and the picker's request wired to it.
class Window {
  public:
    explicit Window(DayMarksRequester::Source source) : requester_(&picker_, std::move(source)) {
        QObject::connect(&picker_, &ZPickCalendar::highlightRequested, &requester_,
                         &DayMarksRequester::HighlightDaysWithData);
        QObject::connect(&requester_, &DayMarksRequester::applied,
                         [this](uint64_t id, int) { lastApplied_ = id; });
        QObject::connect(&requester_, &DayMarksRequester::dropped,
                         [this](uint64_t id) { dropped_.push_back(id); });
        picker_.resize(160, 24);
        picker_.show();
    }
    void Open() {
        picker_.ShowCalendar();
        EXPECT_TRUE(QTest::qWaitFor([&] { return picker_.IsCalendarOpen(); }, 30000));
    }
    CHighlightMonthCal* Cal() { return picker_.Calendar(); }
    // Waits until the newest request has been answered and its days are on screen.
    bool WaitForFrames() {
        return QTest::qWaitFor(
            [&] {
                return lastApplied_ == requester_.LastRequest() && lastApplied_ != 0 &&
                       !Cal()->NeedsData() && Cal()->FramesShown();
            },
            30000);
    }
    std::set<QDate> Framed() {
        Cal()->grab();  // paints
        const auto& f = Cal()->LastFramedDays();
        return std::set<QDate>(f.begin(), f.end());
    }
    std::set<QDate> InGrid(const std::set<QDate>& days) {
        std::set<QDate> in;
        for (const QDate& d : days)
            if (d >= Cal()->GridFirstDay() && d <= Cal()->GridLastDay()) in.insert(d);
        return in;
    }

    ZPickCalendar picker_;
    DayMarksRequester requester_;
    uint64_t lastApplied_ = 0;
    std::vector<uint64_t> dropped_;
};

class RealSites : public ::testing::Test {
  protected:
    void SetUp() override {
        localRoot_ = dir_ / "local";
        serverRoot_ = dir_ / "server";
        ASSERT_TRUE(Generate(localRoot_, 1, 8, 4));    // 2024-03-05 .. 03-08
        ASSERT_TRUE(Generate(serverRoot_, 1, 28, 5));  // 2024-03-24 .. 03-28
        const std::string localFile = localRoot_ + "/PeopleCounterData/PeopleCounter.db";
        serverFile_ = serverRoot_ + "/PeopleCounterData/PeopleCounter.db";
        localDays_ = DaysIn(localFile, "Records", "EnterTime");
        serverDays_ = DaysIn(serverFile_, "Records", "EnterTime");
        ASSERT_FALSE(localDays_.empty());
        ASSERT_FALSE(serverDays_.empty());

        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.dataRoots = {serverRoot_};
        config.usersFile = dir_ / "users";
        config.logLevel = zl::recnetd::LogLevel::Error;
        std::string error;
        ASSERT_TRUE(zl::recnetd::UserStore::AddUser(config.usersFile, "viewer", "secret", &error))
            << error;
        server_ = std::make_unique<zl::recnetd::RecNetServer>(config);
        ASSERT_TRUE(server_->Start(&error)) << error;

        // The site list's own handles, as the site logic leaves them after connecting.
        local_ = SiteWithCamera(kConnLocal);
        local_.localDB = localRoot_;
        local_.counterType = 1;
        ASSERT_EQ(RecNetCreateLocal(&local_.localDb), 1);
        ASSERT_EQ(local_.localDb->Open(localFile.c_str()), 1);

        remote_ = SiteWithCamera(kConnServer);
        remote_.ipAddress = "127.0.0.1";
        remote_.port = std::to_string(server_->Port());
        remote_.userName = "viewer";
        remote_.password = "secret";
        remote_.localDB = serverFile_;
        ASSERT_EQ(ConnectOwnClient(&remote_.client2D, remote_), 1);

        dead_ = SiteWithCamera(kConnServer);
        dead_.ipAddress = "127.0.0.1";
        dead_.port = std::to_string(ClosedPort());
        dead_.userName = "viewer";
        dead_.password = "secret";
        dead_.localDB = serverFile_;
        dead_.client2D = CreateRecNetClient();
    }
    void TearDown() override {
        DestroyRecNetLocal(&local_.localDb);
        ReleaseOwnClient(&remote_.client2D);
        DestroyRecNetClient(&dead_.client2D);
        if (server_) server_->Stop();
    }
    DayMarksQuery Query(std::vector<SiteRecord> sites) const {
        DayMarksQuery q;
        q.sites = std::move(sites);
        q.peopleMode = true;
        q.counterType = 1;
        return q;
    }
    std::set<QDate> Union() const {
        std::set<QDate> all = localDays_;
        all.insert(serverDays_.begin(), serverDays_.end());
        return all;
    }

    TempFolder dir_;
    std::string localRoot_, serverRoot_, serverFile_;
    std::set<QDate> localDays_, serverDays_;
    std::unique_ptr<zl::recnetd::RecNetServer> server_;
    SiteRecord local_, remote_, dead_;
};

TEST_F(RealSites, MonthChangesFrameTheDaysALocalAndARemoteSiteHold) {
    Window w([this] { return Query({local_, remote_, dead_}); });
    w.Open();
    w.Cal()->setCurrentPage(2024, 3);
    ASSERT_TRUE(w.WaitForFrames());
    EXPECT_EQ(w.Framed(), w.InGrid(Union()));
    // Both sites contributed: their days do not overlap.
    EXPECT_TRUE(w.Framed().count(*localDays_.begin()));
    EXPECT_TRUE(w.Framed().count(*serverDays_.rbegin()));

    // The next month's grid still shows the last days of March.
    w.Cal()->showNextMonth();
    ASSERT_TRUE(w.WaitForFrames());
    const std::set<QDate> april = w.InGrid(Union());
    EXPECT_EQ(w.Framed(), april);

    // A month without data: the answer is an empty list and nothing is framed.
    w.Cal()->setCurrentPage(2023, 6);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w.lastApplied_ == w.requester_.LastRequest() && !w.Cal()->NeedsData(); },
        30000));
    // The frames of April go at the next drawing pass.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Framed().empty(); }, 30000));
}

TEST_F(RealSites, CollectingUsesHandlesOfItsOwnAndLeavesTheSiteListsAlone) {
    RecNetLocal* const listLocal = local_.localDb;
    RecNetClient* const listClient = remote_.client2D;
    uint8_t flags[kDayMarkCount];
    const SYSTEMTIME first = MakeSysTime(2024, 3, 1);
    EXPECT_EQ(CollectDayMarks(Query({local_, remote_, dead_}), first, flags),
              static_cast<int>(Union().size()));
    for (int i = 0; i < kDayMarkCount; ++i)
        EXPECT_EQ(flags[i] != 0, Union().count(QDate(2024, 3, 1).addDays(i)) == 1) << i;
    EXPECT_EQ(local_.localDb, listLocal);
    EXPECT_EQ(remote_.client2D, listClient);
    // The site list's client still works, on its own session.
    EXPECT_EQ(listClient->IsConnected(), 1);

    // A site without a camera in use, or without an open handle, is not asked.
    SiteRecord noCamera = local_;
    noCamera.cameras[0].used = 0;
    SiteRecord noHandle = local_;
    noHandle.localDb = nullptr;
    EXPECT_EQ(CollectDayMarks(Query({noCamera, noHandle}), first, flags), 0);
}

TEST_F(RealSites, OtherCounterTypesAskTheirTableAndTimeColumn) {
    const std::string trafficRoot = dir_ / "traffic";
    ASSERT_TRUE(Generate(trafficRoot, 6, 12, 3));
    const std::string file = trafficRoot + "/TrafficCounterData/TrafficCounter.db";
    const std::set<QDate> days = DaysIn(file, "records", "EnterTime");
    ASSERT_FALSE(days.empty());
    SiteRecord site = SiteWithCamera(kConnLocal);
    site.localDB = file;  // a site added with the database file itself
    site.counterType = 6;
    ASSERT_EQ(RecNetCreateLocal(&site.localDb), 1);
    DayMarksQuery q;
    q.sites = {site};
    q.peopleMode = false;
    q.counterType = 6;
    uint8_t flags[kDayMarkCount];
    EXPECT_EQ(CollectDayMarks(q, MakeSysTime(2024, 3, 1), flags), static_cast<int>(days.size()));
    EXPECT_EQ(flags[QDate(2024, 3, 1).daysTo(*days.begin())], 1);
    DestroyRecNetLocal(&site.localDb);
}

// A collector that waits until the test lets it go; it marks day 3 of the grid it is asked.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    int released = 0;
    std::atomic<int> entered{0};

    DayMarksRequester::Collector Collector(std::shared_ptr<Gate> self) {
        return [self](const DayMarksQuery&, const SYSTEMTIME&, uint8_t* flags) {
            const int n = ++self->entered;
            std::unique_lock<std::mutex> lock(self->mutex);
            self->cv.wait(lock, [&] { return self->released >= n; });
            std::fill(flags, flags + kDayMarkCount, 0);
            flags[3] = 1;
            return 1;
        };
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        ++released;
        cv.notify_all();
    }
};

DayMarksQuery OneSite() {
    DayMarksQuery q;
    q.sites = {SiteWithCamera(kConnLocal)};
    return q;
}

TEST(DayMarksRequester, AnAnswerForAGridNoLongerShownIsDropped) {
    auto gate = std::make_shared<Gate>();
    Window w(OneSite);
    w.requester_.SetCollector(gate->Collector(gate));
    w.Open();
    // The first request hangs on the worker; the window goes on working meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->entered == 1; }, 30000));
    w.Cal()->showNextMonth();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.requester_.LastRequest() == 2; }, 30000));
    EXPECT_TRUE(w.Cal()->NeedsData());
    gate->Release();  // the first answer comes back for the old grid
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->entered == 2 && !w.dropped_.empty(); }, 30000));
    EXPECT_EQ(w.dropped_, std::vector<uint64_t>{1});
    EXPECT_EQ(w.Cal()->HighlightCount(), 0);
    gate->Release();
    ASSERT_TRUE(w.WaitForFrames());
    EXPECT_EQ(w.Framed(), std::set<QDate>{w.Cal()->GridFirstDay().addDays(3)});

    // Closed before the answer: dropped as well.
    w.Cal()->showNextMonth();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->entered == 3; }, 30000));
    w.picker_.Popup()->close();
    gate->Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.dropped_.size() == 2; }, 30000));
}

TEST(DayMarksRequester, WithNoCheckedSiteNothingIsFramedAndNothingIsAsked) {
    auto gate = std::make_shared<Gate>();
    Window w([] { return DayMarksQuery(); });
    w.requester_.SetCollector(gate->Collector(gate));
    w.Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.lastApplied_ == 1; }, 30000));
    QTest::qWait(300);
    EXPECT_FALSE(w.Cal()->NeedsData());
    EXPECT_TRUE(w.Framed().empty());
    EXPECT_EQ(gate->entered, 0);
}

TEST(DayMarksRequester, GoingAwayDoesNotWaitForARequestThatHangs) {
    auto gate = std::make_shared<Gate>();
    {
        Window w(OneSite);
        w.requester_.SetCollector(gate->Collector(gate));
        w.Open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate->entered == 1; }, 30000));
    }
    gate->Release();  // the worker ends on its own and posts nothing
    QTest::qWait(100);
}

}  // namespace

namespace {

TEST(CalendarDatePicker, TheWindowsPickerAsksItsSourceWhileOpenOnly) {
    int asked = 0;
    CalendarDatePicker picker([&] {
        ++asked;
        return DayMarksQuery();
    });
    EXPECT_EQ(picker.Widget()->objectName(), QStringLiteral("id1015"));
    picker.Set_Select_Time(MakeSysTime(2024, 2, 29, 0, 0, 1));
    EXPECT_EQ(picker.Picker()->Text(), QStringLiteral("2024/02/29"));
    EXPECT_EQ(picker.Get_Select_Time(), MakeSysTime(2024, 2, 29, 0, 0, 1));

    picker.RefreshDataDays();  // closed: the next opening asks
    EXPECT_EQ(asked, 0);
    picker.Widget()->show();
    picker.Picker()->ShowCalendar();
    EXPECT_EQ(picker.Picker()->Calendar()->selectedDate(), QDate(2024, 2, 29));
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked == 1; }, 30000));
    picker.RefreshDataDays();  // checks changed while open
    EXPECT_EQ(asked, 2);
}

}  // namespace

}  // namespace zl
