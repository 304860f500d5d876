#include "ui/datepicker/DayMarksCollect.h"

#include <cstring>

#include "base/CounterTypes.h"
#include "data/QueryExec.h"
#include "data/TableDetect.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

// A site record whose handles are this request's own, released on destruction.
class OwnHandles {
  public:
    OwnHandles(const SiteRecord& site, const DayMarksQuery& query) : site_(site) {
        site_.client2D = site_.client3D = site_.clientOther = nullptr;
        site_.localDb = nullptr;
        site_.deviceLink = nullptr;
        if (query.peopleMode) {
            if (site.client2D != nullptr) Connect(&site_.client2D);
            if (site.client3D != nullptr) Connect(&site_.client3D);
        } else if (site.clientOther != nullptr) {
            Connect(&site_.clientOther);
        }
        if (site.localDb != nullptr) OpenLocal(query);
    }
    ~OwnHandles() {
        ReleaseOwnClient(&site_.client2D);
        ReleaseOwnClient(&site_.client3D);
        ReleaseOwnClient(&site_.clientOther);
        if (site_.localDb != nullptr) DestroyRecNetLocal(&site_.localDb);
    }
    OwnHandles(const OwnHandles&) = delete;
    OwnHandles& operator=(const OwnHandles&) = delete;

    const SiteRecord& Site() const { return site_; }
    int TableKind() const { return tableKind_; }

  private:
    void Connect(RecNetClient** handle) {
        if (ConnectOwnClient(handle, site_) == 0) ReleaseOwnClient(handle);
    }
    void OpenLocal(const DayMarksQuery& query) {
        const std::string path =
            DayMarkLocalPath(site_.localDB, query.counterType, query.queueMeasure);
        if (!RecNetCreateLocal(&site_.localDb)) return;
        if (site_.localDb->Open(path.c_str()) == 0) {
            DestroyRecNetLocal(&site_.localDb);
            return;
        }
        tableKind_ = DetectTableKind(site_.localDb, query.peopleMode);
    }

    SiteRecord site_;
    int tableKind_ = kTableNone;
};

bool AnyCameraInUse(const SiteRecord& site) {
    for (const CameraSlot& slot : site.cameras)
        if (slot.used == 1) return true;
    return false;
}

}  // namespace

int CollectDayMarks(const DayMarksQuery& query, const SYSTEMTIME& first,
                    uint8_t flags[kDayMarkCount]) {
    std::memset(flags, 0, kDayMarkCount);
    for (const SiteRecord& site : query.sites) {
        if (!AnyCameraInUse(site)) continue;  // such a site is not asked at all
        const OwnHandles own(site, query);
        const std::vector<SiteRecord> one{own.Site()};
        uint8_t got[kDayMarkCount];
        GetDayMarks(one, first, query.peopleMode, query.counterType, own.TableKind(), got);
        for (int i = 0; i < kDayMarkCount; ++i)
            if (got[i]) flags[i] = 1;
    }
    int marked = 0;
    for (int i = 0; i < kDayMarkCount; ++i) marked += flags[i];
    return marked;
}

}  // namespace zl
