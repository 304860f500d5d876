#include "query/SiteConnect.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "base/CounterTypes.h"
#include "data/QueueDatabase.h"
#include "data/TableDetect.h"
#include "devlink/DevLink.h"
#include "recnet/RecNet.h"

namespace zl {

const char* const kCameraQuery2D = "SELECT DISTINCT Camera from records;";
const char* const kCameraQuery3D = "SELECT DISTINCT Camera from _3DRECORDS;";

namespace {

constexpr int kPathCapacity = 260;

int CameraRow(void* context, int columnCount, char** columnTexts, int is3D) {
    auto* site = static_cast<SiteRecord*>(context);
    std::string joined;
    for (int i = 0; i < columnCount; ++i) {
        if (columnTexts && columnTexts[i]) joined += columnTexts[i];
        joined += '\t';
    }
    if (joined.empty()) return 0;
    const int n = std::atoi(joined.c_str());
    if (n < 1 || n > kCameraSlots) return 0;
    CameraSlot& slot = site->cameras[static_cast<size_t>(n - 1)];
    slot.used = 1;
    slot.is3D = is3D;
    char name[16];
    std::snprintf(name, sizeof name, "Camera%02d", n);
    slot.name = name;
    return 0;
}

int PortOf(const SiteRecord& site) {
    return std::atoi(site.port.c_str());
}

SiteConnectResult Fail(SiteConnectResult r, unsigned message) {
    r.message = message;
    return r;
}

SiteConnectResult DiscoverLocal(SiteRecord& site, int counterType, bool people, bool discover) {
    SiteConnectResult r;
    const std::string path =
        IsDatabaseFile(site.localDB) ? site.localDB : DatabasePathOfType(site.localDB, counterType);
    if (!site.localDb || !site.localDb->Open(path.c_str())) return Fail(r, kMsgNoCameraDatabase);
    r.connected = 1;
    const int kind = DetectTableKind(site.localDb, people);
    if (kind == (people ? kTableRecordsPeople : kTableRecordsOther)) {
        r.cameras = !discover || site.localDb->Exec(kCameraQuery2D, OnCameraRow, &site) != 0;
    } else if (people && kind == kTable3D) {
        r.threeD = 1;
        r.cameras = !discover || site.localDb->Exec(kCameraQuery3D, On3DCameraRow, &site) != 0;
    }
    if (!r.cameras) r.message = kMsgNoCameraDatabase;
    return r;
}

SiteConnectResult DiscoverServerPeople(SiteRecord& site, int counterType, bool discover) {
    SiteConnectResult r;
    RecNetClient* asker = site.client2D ? site.client2D : site.client3D;
    if (!asker) return Fail(r, kMsgCannotConnect);
    r.connected = 1;
    char path2D[kPathCapacity] = {}, path3D[kPathCapacity] = {};
    if (!asker->GetPeopleDbPaths(path2D, path3D, kPathCapacity)) path2D[0] = path3D[0] = 0;
    if (path2D[0] && counterType == kPeople2D && site.client2D) {
        site.localDB = path2D;
        if (site.client2D->OpenDatabase(path2D))
            r.cameras = !discover || site.client2D->Exec(kCameraQuery2D, OnCameraRow, &site) != 0;
    }
    if (path3D[0] && counterType == kPeople3D && site.client3D) {
        site.localDB = path3D;
        r.threeD = 1;
        if (site.client3D->OpenDatabase(path3D))
            r.cameras = !discover || site.client3D->Exec(kCameraQuery3D, On3DCameraRow, &site) != 0;
    }
    if (!r.cameras) r.message = kMsgNoCameraDatabase;
    return r;
}

SiteConnectResult DiscoverServerOther(SiteRecord& site, int counterType, bool discover) {
    SiteConnectResult r;
    if (!site.clientOther) return Fail(r, kMsgCannotConnect);
    r.connected = 1;
    const int count = site.clientOther->GetDatabaseCount();
    for (int i = 0; i < count; ++i) {
        int type = 0;
        char path[kPathCapacity] = {};
        if (!site.clientOther->GetDatabaseEntry(i, &type, path, kPathCapacity)) continue;
        if (type != counterType) continue;
        site.localDB = DatabasePathOfType(path, counterType);
        if (site.clientOther->OpenDatabase(site.localDB.c_str()))
            r.cameras =
                !discover || site.clientOther->Exec(kCameraQuery2D, OnCameraRow, &site) != 0;
        break;
    }
    if (!r.cameras) r.message = kMsgNoCameraDatabase;
    return r;
}

SiteConnectResult DiscoverDevice(SiteRecord& site, bool people) {
    SiteConnectResult r;
    if (!site.deviceLink) return r;
    r.connected = 1;
    if (!people) return r;  // other counter types show a device without cameras
    int count = 0;
    if (!site.deviceLink->GetCameraCount(&count)) count = 0;
    if (count > kCameraSlots) count = kCameraSlots;
    for (int n = 1; n <= count; ++n) {
        char name[kPathCapacity] = {};
        CameraSlot& slot = site.cameras[static_cast<size_t>(n - 1)];
        if (site.deviceLink->GetCameraName(n, name, kPathCapacity) == 1) {
            name[kPathCapacity - 1] = 0;
            slot.name = name;
        } else {
            std::snprintf(name, sizeof name, "Camera%02d", n);
            slot.name = name;
        }
        slot.used = 1;
        slot.is3D = 0;
    }
    r.cameras = 1;
    return r;
}

}  // namespace

int OnCameraRow(void* context, int columnCount, char** columnTexts, char**) {
    return CameraRow(context, columnCount, columnTexts, 0);
}

int On3DCameraRow(void* context, int columnCount, char** columnTexts, char**) {
    return CameraRow(context, columnCount, columnTexts, 1);
}

void ReleaseSiteHandles(SiteRecord& site) {
    if (site.client2D) RecNetClose(&site.client2D);
    if (site.client3D) RecNetClose(&site.client3D);
    if (site.clientOther) RecNetClose(&site.clientOther);
    if (site.localDb) DestroyRecNetLocal(&site.localDb);
    if (site.deviceLink) DestroyDevLink(&site.deviceLink);
    site.client2D = site.client3D = site.clientOther = nullptr;
    site.localDb = nullptr;
    site.deviceLink = nullptr;
}

void ResetCameraSlots(SiteRecord& site) {
    for (CameraSlot& slot : site.cameras) {
        slot.used = 0;
        slot.name.clear();
        slot.treeItem = nullptr;
        slot.checked = 0;
        slot.is3D = 0;
    }
}

SiteConnectResult DiscoverCameras(SiteRecord& site, int counterType, bool discover) {
    const bool people = IsPeopleCounterType(counterType);
    switch (site.connectionType) {
        case kConnLocal:
            return DiscoverLocal(site, counterType, people, discover);
        case kConnServer:
            return people ? DiscoverServerPeople(site, counterType, discover)
                          : DiscoverServerOther(site, counterType, discover);
        case kConnDevice:
            return DiscoverDevice(site, people);
        default:
            return {};
    }
}

SiteConnectResult ReconnectSite(SiteRecord& site, int counterType, int queueMeasure,
                                bool discover) {
    ReleaseSiteHandles(site);
    site.treeItem = nullptr;
    ResetCameraSlots(site);
    const bool people = IsPeopleCounterType(counterType);
    SiteConnectResult r;

    if (site.connectionType == kConnLocal) {
        // A database file belongs to the counter type the site was added for.
        if (IsDatabaseFile(site.localDB) && site.counterType != counterType) return r;
        if (!RecNetCreateLocal(&site.localDb)) return Fail(r, kMsgCannotConnect);
        r = DiscoverLocal(site, counterType, people, discover);
    } else if (site.connectionType == kConnServer) {
        RecNetClient** handle = !people                    ? &site.clientOther
                                : counterType == kPeople2D ? &site.client2D
                                                           : &site.client3D;
        const auto closeAll = [&] {
            RecNetClose(&site.client2D);
            RecNetClose(&site.client3D);
            RecNetClose(&site.clientOther);
        };
        if (!RecNetConnect(handle, site.ipAddress.c_str(), PortOf(site))) {
            closeAll();
            return Fail(r, kMsgCannotConnect);
        }
        if ((*handle)->Login(site.userName.c_str(), site.password.c_str()) != 1) {
            // A log-in that got no real answer is a transport failure, not a refused password.
            const bool refused = (*handle)->LoginRefused() != 0;
            closeAll();
            return Fail(r, refused ? kMsgLoginRefused : kMsgCannotConnect);
        }
        r = DiscoverCameras(site, counterType, discover);
    } else if (site.connectionType == kConnDevice) {
        site.deviceLink = CreateDevLink();
        if (!site.deviceLink) return Fail(r, kMsgCannotConnect);
        if (site.deviceLink->Connect(site.ipAddress.c_str(), PortOf(site), site.userName.c_str(),
                                     site.password.c_str(), kDeviceTimeOutMs) != 1) {
            DestroyDevLink(&site.deviceLink);
            return Fail(r, kMsgCannotConnect);
        }
        r = DiscoverDevice(site, people);
    }

    if (counterType == kQueue && r.connected) OpenQueueDatabase(queueMeasure, site);
    return r;
}

std::string BuildSiteDisplayName(const SiteRecord& site, const std::string& unnamedText,
                                 const std::string& localText, const std::string& timeText) {
    std::string time = timeText;
    if (time.empty()) {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char text[32];
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm);
        time = text;
    }
    std::string first, second;
    if (site.connectionType == kConnLocal) {
        first = localText;
        const size_t cut = site.localDB.find_last_of("/\\");
        second = cut == std::string::npos ? site.localDB : site.localDB.substr(cut + 1);
    } else {
        char name[kPathCapacity] = {};
        bool named = false;
        if (site.connectionType == kConnDevice) {
            named = site.deviceLink && site.deviceLink->GetDeviceName(name, kPathCapacity) == 1;
        } else {
            for (RecNetClient* c : {site.client2D, site.client3D, site.clientOther}) {
                if (c && c->GetServerName(name, kPathCapacity) == 1) {
                    named = true;
                    break;
                }
            }
        }
        name[kPathCapacity - 1] = 0;
        first = named ? name : unnamedText;
        second = site.ipAddress;
    }
    return first + " - " + second + " - " + time;
}

}  // namespace zl
