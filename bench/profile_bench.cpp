// Profile files at the size of a large site list: 200 sections of about 140 keys each (a site
// with 64 cameras writes 9 + 2 x 64 keys). Loading and saving such a file happens once at
// start-up and once at shutdown and must stay well under a second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "base/Profile.h"

namespace zl {

namespace {

constexpr int kSections = 200;
constexpr int kKeys = 140;

std::string TempFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "zl_bench_XXXXXX").string();
    return ::mkdtemp(templ.data()) ? templ : std::string(".");
}

void Fill(zl::ProfileFile& p) {
    for (int s = 0; s < kSections; ++s) {
        const std::string section = "SITE_LIST_COUNT" + std::to_string(s);
        for (int k = 0; k < kKeys; ++k) {
            p.SetString(section, "dsCamera_INF_" + std::to_string(k),
                        "Camera " + std::to_string(k) + " of site " + std::to_string(s));
        }
    }
}

// Builds the whole file in memory and writes it once.
void BM_ProfileBuildAndSave(benchmark::State& state) {
    const std::string dir = TempFolder();
    const std::string file = dir + "/bench.ini";
    for (auto _ : state) {
        zl::ProfileFile p(file);
        p.Clear();
        Fill(p);
        if (!p.Save()) state.SkipWithError("save failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProfileBuildAndSave)->Unit(benchmark::kMillisecond);

// Loads the file, reads every key, changes one and saves it.
void BM_ProfileLoadReadSave(benchmark::State& state) {
    const std::string dir = TempFolder();
    const std::string file = dir + "/bench.ini";
    {
        zl::ProfileFile p(file);
        Fill(p);
        p.Save();
    }
    int round = 0;
    for (auto _ : state) {
        zl::ProfileFile p(file);
        if (!p.Load()) state.SkipWithError("load failed");
        size_t chars = 0;
        for (int s = 0; s < kSections; ++s) {
            const std::string section = "site_list_count" + std::to_string(s);
            for (int k = 0; k < kKeys; ++k) {
                chars += p.GetString(section, "DSCAMERA_INF_" + std::to_string(k), "").size();
            }
        }
        benchmark::DoNotOptimize(chars);
        p.SetString("SITE_LIST", "COUNT", std::to_string(round++));
        if (!p.Save()) state.SkipWithError("save failed");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProfileLoadReadSave)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace zl

BENCHMARK_MAIN();
