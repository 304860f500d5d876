#include "data/QueueDatabase.h"

#include <cstdlib>
#include <string>

#include "base/CounterTypes.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

constexpr const char* kMainFile = "QueueLengthMonitoring.db";
constexpr const char* kWaitingFile = "QueueLengthMonitoringWaiting.db";
constexpr const char* kServedFile = "QueueLengthMonitoringServed.db";

bool ValidMeasure(int measure) {
    return measure >= 0 && measure <= 3;
}

// A path that ends with the main queue file gets the measure's file name instead.
std::string ReplaceQueueFile(const std::string& path, int measure) {
    const std::string main = kMainFile;
    if (path.size() < main.size() || path.compare(path.size() - main.size(), main.size(), main))
        return path;
    const std::string head = path.substr(0, path.size() - main.size());
    if (measure == 2) return head + kServedFile;
    if (measure == 0 || measure == 3) return head + kWaitingFile;
    return path;
}

void OpenLocal(SiteRecord& site, const std::string& path) {
    DestroyRecNetLocal(&site.localDb);
    if (RecNetCreateLocal(&site.localDb)) site.localDb->Open(path.c_str());
}

}  // namespace

std::string QueueDatabasePath(const std::string& path, int measure) {
    if (!ValidMeasure(measure)) return std::string();
    const std::string main = DatabasePathOfType(path, kQueue);
    if (measure == 1) return main;
    const std::string root = CutAtLastSeparator(CutAtLastSeparator(main));
    return AppendRelativePath(root,
                              measure == 2 ? kQueueServedRelativePath : kQueueWaitingRelativePath);
}

std::string QueueSiteFile(const std::string& localDB, int measure) {
    if (!ValidMeasure(measure)) return std::string();
    return IsDatabaseFile(localDB) ? ReplaceQueueFile(localDB, measure)
                                   : QueueDatabasePath(localDB, measure);
}

int OpenQueueDatabase(int measure, SiteRecord& site) {
    if (site.connectionType == kConnLocal && IsDatabaseFile(site.localDB) &&
        site.counterType != kQueue)
        return 0;
    if (!ValidMeasure(measure)) return 0;

    std::string path;
    const int port = std::atoi(site.port.c_str());
    if (site.connectionType == kConnServer) {
        if (site.clientOther == nullptr)
            RecNetConnect(&site.clientOther, site.ipAddress.c_str(), port);
        if (site.clientOther != nullptr) path = site.localDB;
    } else {
        path = site.localDB;
    }

    if (IsDatabaseFile(path) && site.connectionType != kConnServer) {
        OpenLocal(site, ReplaceQueueFile(path, measure));
        return 1;
    }

    path = QueueDatabasePath(path, measure);
    switch (site.connectionType) {
        case kConnServer:
            if (site.clientOther) RecNetClose(&site.clientOther);
            if (RecNetConnect(&site.clientOther, site.ipAddress.c_str(), port)) {
                site.localDB = path;
                // The server serves databases to logged-in sessions only.
                if (site.clientOther->Login(site.userName.c_str(), site.password.c_str()))
                    site.clientOther->OpenDatabase(path.c_str());
            }
            break;
        case kConnLocal:
            OpenLocal(site, path);
            break;
        default:
            break;
    }
    return 1;
}

void RefreshQueueSites(std::vector<SiteRecord>& sites, int counterType, int measure) {
    if (counterType != kQueue) return;
    for (SiteRecord& entry : sites) {
        SiteRecord copy = entry;
        if (OpenQueueDatabase(measure, copy) == 1) entry = copy;
    }
}

}  // namespace zl
