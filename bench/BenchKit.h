// What the benchmark programs share: sample data written once into a cache folder, a recnetd
// on 127.0.0.1 for the user "bench", and working hours.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "base/SysTime.h"
#include "data/SqlBuilders.h"

namespace zl::bench {

struct BenchData {
    std::vector<int> types;
    int days = 365;
    int cameras = 16;
    int intervalMinutes = 1;
    int endYear = 2024, endMonth = 3, endDay = 10;
    bool index = false;
};

// Writes the sample databases below `root`; false (with the reason on standard error) when
// that fails. `printRows`: one line per file with its row count.
inline bool WriteBenchData(const std::string& root, const BenchData& d, bool printRows = false) {
    CountGenOptions o;
    o.root = root;
    o.types = d.types;
    o.days = d.days;
    o.endYear = d.endYear;
    o.endMonth = d.endMonth;
    o.endDay = d.endDay;
    o.cameras = d.cameras;
    o.intervalMinutes = d.intervalMinutes;
    o.index = d.index;
    std::string error;
    std::vector<GeneratedFile> files;
    if (GenerateDatabases(o, &files, &error) != 1) {
        std::fprintf(stderr, "countgen: %s\n", error.c_str());
        return false;
    }
    if (printRows)
        for (const GeneratedFile& f : files)
            std::printf("  %s: %lld rows\n", f.path.c_str(), static_cast<long long>(f.rows));
    return true;
}

// The same hours every day of the week.
inline WorkingHourTable DailyHours(int fromHour, int fromMinute, int toHour, int toMinute) {
    WorkingHourTable h;
    for (int k = 0; k < 7; ++k) {
        h.start[k] = MakeSysTime(2000, 1, 1, fromHour, fromMinute);
        h.end[k] = MakeSysTime(2000, 1, 1, toHour, toMinute);
    }
    return h;
}

// Adds the user "bench" with `password` to `usersFile` unless the file exists already.
inline bool EnsureBenchUser(const std::string& usersFile, const std::string& password = "bench") {
    std::string error;
    if (std::filesystem::exists(usersFile) ||
        zl::recnetd::UserStore::AddUser(usersFile, "bench", password, &error))
        return true;
    std::fprintf(stderr, "users: %s\n", error.c_str());
    return false;
}

// recnetd on 127.0.0.1 (a free port) serving `roots` to the users of `usersFile`, with a
// statement limit long enough for the slowest benchmark; null (reason said) when it cannot
// start.
inline std::unique_ptr<zl::recnetd::RecNetServer> StartBenchServer(
    const std::vector<std::string>& roots, const std::string& usersFile,
    const std::string& name = std::string()) {
    zl::recnetd::ServerConfig config;
    config.address = "127.0.0.1";
    config.port = 0;
    if (!name.empty()) config.serverName = name;
    config.dataRoots = roots;
    config.usersFile = usersFile;
    config.logLevel = zl::recnetd::LogLevel::Error;
    config.limits.statementTimeoutMs = 600000;
    auto server = std::make_unique<zl::recnetd::RecNetServer>(config);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "recnetd: %s\n", error.c_str());
        return nullptr;
    }
    return server;
}

}  // namespace zl::bench
