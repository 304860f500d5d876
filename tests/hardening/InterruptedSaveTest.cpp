// The settings file and the site list are never left half-written. A child process saves a
// large site list (or the settings) over and over, alternating between two versions, and is
// killed with SIGKILL at many points: right after each step of a save, and at small delays
// into the next one. A second series makes the writes themselves fail after a given number of
// bytes (a file size limit, as on a full disk). Each time the file on disk is exactly the old
// or the new complete content and loads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "HardeningTestKit.h"
#include "base/Profile.h"
#include "store/ChartSettingsStore.h"
#include "store/SiteListStore.h"

namespace zl::hardening {
namespace {

constexpr int kSites = 200;

SiteRecord MakeSite(int i, int version) {
    SiteRecord s;
    s.name = "Site " + std::to_string(i) + " v" + std::to_string(version);
    s.counterType = 1 + i % 7;
    s.connectionType = i % 3;
    s.ipAddress = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250);
    s.localDB = "/data/site" + std::to_string(i) + "/PeopleCounterData/PeopleCounter.db";
    s.port = std::to_string(7000 + i);
    s.userName = "user" + std::to_string(i);
    s.password = "pw" + std::to_string(i * version);
    for (int j = 0; j < kCameraSlots; ++j) {
        s.cameras[j].used = 1;
        s.cameras[j].name = "Camera " + std::to_string(j + 1) + " of site " + std::to_string(i) +
                            (version == 2 ? " (renamed)" : "");
        s.cameras[j].is3D = (i + j + version) % 2;
    }
    return s;
}

// One kind of file the program saves, in two versions.
struct Subject {
    const char* name;
    std::function<bool(const std::string& file, int version)> save;
    // True when the file loads as that version.
    std::function<bool(const std::string& file, int version)> loadsAs;
};

bool SaveSites(const std::string& file, int version) {
    CSiteListStore store;
    store.SetFile(file);
    for (int i = 0; i < kSites; ++i) store.Add(MakeSite(i, version));
    return store.Save();
}

bool SitesLoadAs(const std::string& file, int version) {
    CSiteListStore store;
    store.SetFile(file);
    if (!store.Load() || store.Size() != kSites) return false;
    for (int i = 0; i < kSites; i += 37) {
        const SiteRecord expected = MakeSite(i, version);
        const SiteRecord& got = store.At(i);
        if (got.name != expected.name || got.password != expected.password ||
            got.cameras[63].name != expected.cameras[63].name)
            return false;
    }
    return true;
}

ChartSettings SettingsVersion(int version) {
    ChartSettings s;
    s.line.title = "Line chart, version " + std::to_string(version);
    s.bar.title = "Bar chart, version " + std::to_string(version);
    for (int p = 0; p < 4; ++p) {
        s.line.inTitle[p] = "In " + std::to_string(p) + " v" + std::to_string(version);
        s.line.inWidth[p] = version + p;
    }
    s.synAdjust = version % 2;
    for (int d = 0; d < 7; ++d) {
        s.weekStart[d].wHour = static_cast<uint16_t>(version + d);
        s.weekEnd[d].wHour = 20;
        s.weekEnd[d].wMinute = static_cast<uint16_t>(version * 10 + d);
    }
    return s;
}

bool SaveSettings(const std::string& file, int version) {
    CChartSettingsStore store;
    store.SetFile(file);
    store.Load();
    for (int type = 1; type <= 7; ++type) store.SetSettings(SettingsVersion(version + type), type);
    store.SetSettings(SettingsVersion(version), 1);
    return store.Save();
}

bool SettingsLoadAs(const std::string& file, int version) {
    CChartSettingsStore store;
    store.SetFile(file);
    store.Load();
    ChartSettings got;
    store.GetSettings(got, 1);
    const ChartSettings want = SettingsVersion(version);
    ChartSettings traffic;
    store.GetSettings(traffic, 6);
    return got.line.title == want.line.title && got.bar.title == want.bar.title &&
           got.line.inTitle == want.line.inTitle &&
           got.weekEnd[6].wMinute == want.weekEnd[6].wMinute &&
           traffic.line.title == SettingsVersion(version + 6).line.title;
}

const Subject kSubjects[] = {
    {"site list", SaveSites, SitesLoadAs},
    {"settings", SaveSettings, SettingsLoadAs},
};

class InterruptedSave : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        subject_ = &kSubjects[GetParam()];
        file_ = dir_ / (GetParam() == 0 ? "SiteList.ini" : "Setting .ini");
        // The exact bytes of both versions, as a save writes them.
        for (int v = 1; v <= 2; ++v) {
            const std::string f = dir_ / ("expected" + std::to_string(v) + ".ini");
            ASSERT_TRUE(subject_->save(f, v));
            bytes_[v] = ReadBytes(f);
            ASSERT_TRUE(subject_->loadsAs(f, v));
            std::remove(f.c_str());
        }
        ASSERT_NE(bytes_[1], bytes_[2]);
    }

    // Version 1 on disk, as before every trial.
    void Reset() {
        std::remove(file_.c_str());
        ASSERT_TRUE(subject_->save(file_, 1));
    }

    // The file is exactly one version and loads as it; answers which one (0: neither).
    int Check(const std::string& when) {
        const std::string now = ReadBytes(file_);
        const int version = now == bytes_[1] ? 1 : now == bytes_[2] ? 2 : 0;
        EXPECT_NE(version, 0) << when << ": the file holds " << now.size()
                              << " bytes that are neither version";
        if (version) {
            EXPECT_TRUE(subject_->loadsAs(file_, version)) << when;
        }
        return version;
    }

    TempFolder dir_{true};
    const Subject* subject_ = nullptr;
    std::string file_;
    std::string bytes_[3];
};

TEST_P(InterruptedSave, KilledAtManyPointsLeavesOldOrNewFile) {
    using Step = ProfileFile::SaveStep;
    constexpr int kTrials = 48;
    int oldSeen = 0, newSeen = 0;
    int perStep[4] = {};
    for (int trial = 0; trial < kTrials; ++trial) {
        Reset();
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            const int out = pipeFds[1];
            // Each step of each save is announced to the parent before it runs.
            ProfileFile::SetSaveFaultHook([out](Step step) {
                const char c = static_cast<char>(step);
                (void)!::write(out, &c, 1);
                return false;
            });
            for (int round = 0;; ++round) subject_->save(file_, round % 2 == 0 ? 2 : 1);
        }
        ::close(pipeFds[1]);
        // Kill after step (trial % 4) of the first or second save, a little later each time.
        const int wantStep = trial % 4;
        const int wantSave = (trial / 4) % 2;
        const int delayUs = (trial / 8) * 150;
        int seen = 0;
        char c;
        while (::read(pipeFds[0], &c, 1) == 1) {
            if (c == wantStep && seen++ == wantSave) break;
        }
        if (delayUs) std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself";
        ++perStep[wantStep];
        const int version = Check("killed after step " + std::to_string(wantStep) + " + " +
                                  std::to_string(delayUs) + " us");
        (version == 1 ? oldSeen : newSeen) += version != 0;
        if (HasFailure()) break;
        // A killed save may leave its temporary file; it never takes the file's place.
        const std::string base = file_.substr(dir_.Path().size() + 1);
        for (const auto& [name, size] : ListFolder(dir_.Path())) {
            if (name != base) {
                EXPECT_EQ(name.rfind("." + base + ".tmp", 0), 0u) << name;
            }
        }
    }
    std::printf(
        "%s (%zu bytes): %d kills (after create %d, write %d, sync %d, rename %d; "
        "delays 0..%d us): old file %d times, new file %d times\n",
        subject_->name, bytes_[2].size(), kTrials, perStep[0], perStep[1], perStep[2], perStep[3],
        (kTrials / 8 - 1) * 150, oldSeen, newSeen);
}

TEST_P(InterruptedSave, WritesThatStopPartWayLeaveTheOldFile) {
    // The file size limit makes write() fail (EFBIG) once the temporary file reaches it.
    const size_t size = bytes_[2].size();
    const size_t limits[] = {0,    1,        100,      4095,        4096,
                             4097, size / 3, size / 2, size - 4096, size - 1};
    int points = 0;
    for (size_t limit : limits) {
        if (limit >= size) continue;
        Reset();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(3);
            _exit(subject_->save(file_, 2) ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success at limit " << limit;
        EXPECT_EQ(Check("write stopped at byte " + std::to_string(limit)), 1);
        EXPECT_EQ(ListFolder(dir_.Path()).size(), 1u) << "a temporary file was left";
        ++points;
    }
    // And with room again the new version is written.
    ASSERT_TRUE(subject_->save(file_, 2));
    EXPECT_EQ(Check("after the limit"), 2);
    std::printf("%s: the write failed at %d points between byte 0 and %zu\n", subject_->name,
                points, size - 1);
}

INSTANTIATE_TEST_SUITE_P(Files, InterruptedSave, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& testInfo) {
                             return testInfo.param == 0 ? std::string("SiteList")
                                                        : std::string("Settings");
                         });

}  // namespace
}  // namespace zl::hardening
