// Loads and saves a site list of 200 sites with 64 cameras each and prints the time taken and
// its share of the one-second budget. Start-up and shutdown do this once each.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "store/SiteListStore.h"

namespace zl {

namespace {

constexpr int kSites = 200;
constexpr int kRounds = 5;

CSiteListStore MakeList(const std::string& file) {
    CSiteListStore store;
    store.SetFile(file);
    for (int i = 0; i < kSites; ++i) {
        SiteRecord s;
        s.name = "Site " + std::to_string(i) + " - 10.1.0." + std::to_string(i % 250);
        s.ipAddress = "10.1.0." + std::to_string(i % 250);
        s.localDB = "/data/site" + std::to_string(i) + "/PeopleCounterData/PeopleCounter.db";
        s.port = "700";
        s.userName = "admin";
        s.password = "secret";
        s.counterType = 1 + i % 7;
        for (int j = 0; j < kCameraSlots; ++j) {
            s.cameras[j].used = 1;
            s.cameras[j].name = "Camera" + std::to_string(j + 1);
            s.cameras[j].is3D = j % 2;
        }
        store.Add(s);
    }
    return store;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int Main() {
    std::string folder = (std::filesystem::temp_directory_path() / "zl_bench_XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string file = folder + "/SiteList.ini";
    CSiteListStore source = MakeList(file);
    if (!source.Save()) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
    }

    double best = 1e9;
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        CSiteListStore store;
        store.SetFile(file);
        ok = store.Load() && store.Size() == kSites && store.Save() && ok;
        const double t = Seconds(std::chrono::steady_clock::now() - start);
        if (t < best) best = t;
    }
    const auto size = std::filesystem::file_size(file);
    std::filesystem::remove_all(folder);
    if (!ok) {
        std::fprintf(stderr, "load or save failed\n");
        return 1;
    }
    std::printf(
        "site list load+save, %d sites x %d cameras (%ju bytes): %.1f ms "
        "(%.1f%% of the 1 s budget, best of %d)\n",
        kSites, kCameraSlots, static_cast<uintmax_t>(size), best * 1000.0, best * 100.0, kRounds);
    return 0;
}

}  // namespace zl

int main() {
    return zl::Main();
}
