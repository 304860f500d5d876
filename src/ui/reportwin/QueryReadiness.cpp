#include "ui/reportwin/QueryReadiness.h"

#include "store/GuideStringIds.h"

namespace zl {

unsigned MissingForQuery(bool counterTypeChosen, const std::vector<SiteRecord>& sites) {
    if (!counterTypeChosen) return kStrMissingCounterType;
    bool anySite = false;
    for (const SiteRecord& site : sites) {
        if (site.checked != 1) continue;
        anySite = true;
        bool listsCameras = false;
        for (const CameraSlot& slot : site.cameras) {
            if (slot.used != 1) continue;
            listsCameras = true;
            if (slot.checked == 1) return 0;
        }
        if (!listsCameras) return 0;
    }
    return anySite ? kStrMissingCamera : kStrMissingSite;
}

}  // namespace zl
