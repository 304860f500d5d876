#include "data/SqlText.h"

#include <algorithm>
#include <cstdio>

#include "base/CounterTypes.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

std::string Num(int v) {
    return std::to_string(v);
}

enum HeightClass { kAny, kBelow, kBetween, kAbove };

struct Value3D {
    int inOut;  // 1 in, 2 out
    HeightClass height;
    int low;   // threshold of below/above, lower bound of between
    int high;  // upper bound of between
};

// One value of a 3D group, Day form (the camera filter twice) or Week/Month form (once).
std::string Condition3D(const Value3D& v, const std::string& filter, bool dayForm) {
    std::string s = "InOut = " + Num(v.inOut) + " AND ";
    if (v.height == kAny) return s + "(" + filter + ")";
    if (dayForm) s += "(" + filter + ") AND ";
    switch (v.height) {
        case kBelow:
            s += "Height < " + Num(v.low);
            break;
        case kBetween:
            s += "Height >=" + Num(v.low) + " AND Height <=" + Num(v.high);
            break;
        case kAbove:
        case kAny:  // handled above
            s += "Height > " + Num(v.low);
            break;
    }
    // The Week/Month text of the "in, from/to" query has no blank before its parenthesis.
    const bool tight = !dayForm && v.height == kBetween && v.inOut == 1;
    s += tight ? " AND(" : " AND (";
    return s + filter + ")";
}

std::vector<Value3D> ValuesOfMode(int mode, int t1, int t2) {
    switch (mode) {
        case 0:
            return {{1, kAny, 0, 0}, {2, kAny, 0, 0}};
        case 1:
            return {{1, kBelow, t1, 0},    {2, kBelow, t1, 0}, {1, kBetween, t1, t2},
                    {2, kBetween, t1, t2}, {1, kAbove, t2, 0}, {2, kAbove, t2, 0}};
        case 2:
            return {{1, kAbove, t1, 0}, {2, kAbove, t1, 0}};
        case 3:
            return {{1, kBelow, t1, 0}, {2, kBelow, t1, 0}};
        default:
            return {};
    }
}

}  // namespace

std::string SqlTimeText(const SYSTEMTIME& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buf;
}

std::string CameraFilter(const std::vector<int>& cameraNumbers) {
    std::string s;
    for (int n : cameraNumbers) {
        s += s.empty() ? "Camera= " : " OR Camera= ";
        s += Num(n);
    }
    return s;
}

std::vector<int> CheckedCameras(const SiteRecord& site, bool threeD) {
    std::vector<int> out;
    for (int i = 0; i < kCameraSlots; ++i) {
        const CameraSlot& slot = site.cameras[i];
        if (slot.checked == 1 && (slot.is3D == 1) == threeD) out.push_back(i + 1);
    }
    return out;
}

std::string BucketText(const StatementPieces& pieces, size_t part, const SYSTEMTIME& from,
                       const SYSTEMTIME& to) {
    const zl::recnet::BucketPart& p = pieces.parts.at(part);
    return "SELECT " + p.select + " from " + pieces.table + " where " + p.condition + " AND " +
           pieces.timeColumn + " BETWEEN '" + SqlTimeText(from) + "' AND '" + SqlTimeText(to) +
           "';";
}

StatementPieces Pieces2D(const std::string& cameraFilter) {
    return {"Records", "EnterTime", {{"SUM(Inward), SUM(Outward)", "(" + cameraFilter + ")"}}};
}

std::string Sql2D(const std::string& cameraFilter, const SYSTEMTIME& from, const SYSTEMTIME& to) {
    return BucketText(Pieces2D(cameraFilter), 0, from, to);
}

StatementPieces PiecesGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                              const std::string& timeColumn) {
    return {"records", timeColumn, {{selectExpression, "(" + cameraFilter + ")"}}};
}

std::string SqlGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                       const std::string& timeColumn, const SYSTEMTIME& from,
                       const SYSTEMTIME& to) {
    return BucketText(PiecesGeneric(selectExpression, cameraFilter, timeColumn), 0, from, to);
}

int ValueCountOf3DMode(int heightMode) {
    return static_cast<int>(ValuesOfMode(heightMode, 0, 0).size());
}

StatementPieces Pieces3D(const std::string& cameraFilter, int heightMode, int t1, int t2,
                         bool dayForm) {
    StatementPieces pieces{"_3DRecords", "Time", {}};
    for (const Value3D& v : ValuesOfMode(heightMode, t1, t2))
        pieces.parts.push_back({"COUNT(InOut)", Condition3D(v, cameraFilter, dayForm)});
    return pieces;
}

std::vector<std::string> Sql3DGroup(const std::string& cameraFilter, int heightMode, int t1, int t2,
                                    bool dayForm, const SYSTEMTIME& from, const SYSTEMTIME& to) {
    const StatementPieces pieces = Pieces3D(cameraFilter, heightMode, t1, t2, dayForm);
    std::vector<std::string> out;
    for (size_t j = 0; j < pieces.parts.size(); ++j) out.push_back(BucketText(pieces, j, from, to));
    return out;
}

std::vector<int> NormalizedRegions(const std::vector<int>& regions) {
    std::vector<int> out;
    for (int r : regions)
        if (r >= 1 && r <= 10) out.push_back(r);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<int> RegionsFromFlags(const int* flags, int count) {
    std::vector<int> out;
    for (int i = 0; i < count && i < 10; ++i)
        if (flags[i] != 0) out.push_back(i + 1);
    return out;
}

std::string SelectExpression(int counterType, const std::vector<int>& regions, int queueMeasure) {
    switch (counterType) {
        case kAccess: {
            std::string s;
            for (int r : NormalizedRegions(regions)) {
                s += s.empty() ? "SUM(Count" : "+SUM(Count";
                s += Num(r) + ")";
            }
            return s;
        }
        case kZone:
            return "SUM(AverageCount)/COUNT(AverageCount)";
        case kFlow:
            return "SUM(Line1_In),SUM(Line1_Out),SUM(Line2_In),SUM(Line2_Out)";
        case kTraffic:
            return "SUM(LargeIn),SUM(LargeOut),SUM(MediumIn),SUM(MediumOut),SUM(SmallIn),"
                   "SUM(SmallOut),SUM(PedestrianIn),SUM(PedestrianOut)";
        case kQueue:
            switch (queueMeasure) {
                case 0:
                    return "COUNT(WaitingTime)";
                case 1:
                    return "SUM(AverageCount)/COUNT(AverageCount)";
                // Times are time-of-day texts: average the whole time in seconds, not only
                // the seconds digits.
                case 2:
                    return "SUM(strftime('%H',ServedTime)*3600+strftime('%M',ServedTime)*60+"
                           "strftime('%S',ServedTime))/COUNT(ServedTime)";
                case 3:
                    return "SUM(strftime('%H',WaitingTime)*3600+strftime('%M',WaitingTime)*60+"
                           "strftime('%S',WaitingTime))/COUNT(WaitingTime)";
                default:
                    return "";
            }
        default:
            return "";
    }
}

const char* TimeColumnOf(int counterType) {
    if (counterType == kFlow) return "CountingTime";
    if (counterType == kTraffic) return "EnterTime";
    return "StartTime";
}

std::string GenericFilter(const std::string& cameraFilter, int counterType, int queueMeasure,
                          const std::vector<int>& regions) {
    if (counterType != kQueue) return cameraFilter;
    const std::vector<int> list = NormalizedRegions(regions);
    if (list.empty()) return cameraFilter + " ";
    // (cameras) AND (regions): every camera counts the selected regions, any of them.
    const char* column = queueMeasure == 2 ? "Counter=" : "Queue=";
    std::string s = "(" + cameraFilter + ") AND (";
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) s += " OR ";
        s += column + Num(list[i]);
    }
    return s + ")";
}

}  // namespace zl
