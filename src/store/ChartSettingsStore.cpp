#include "store/ChartSettingsStore.h"

#include <cstdio>

#include "base/CounterTypes.h"
#include "base/Profile.h"
#include "store/ProfileValues.h"
#include "store/SettingsFile.h"

namespace zl {

namespace {

constexpr int kPairs = 4;
constexpr const char* kSharedSection = "P_Count_Setting";
constexpr const char* kSynAdjustKey = "bSyn_Adust";
constexpr const char* kWeekStartKey = "stWeek_Start_Time";
constexpr const char* kWeekEndKey = "stWeek_End_Time";

// Default "in" and "out" line titles of pairs 1..4, per counter type code 1..7.
struct PairTitles {
    const char* in[kPairs];
    const char* out[kPairs];
};
constexpr PairTitles kPeopleTitles{{"Inward", "Inward 2", "Inward 3", "Inward 4"},
                                   {"Outward", "Outward 2", "Outward 3", "Outward 4"}};
constexpr PairTitles kSingleCountTitles{{"Count", "", "", ""}, {"", "", "", ""}};
constexpr PairTitles kTrafficTitles{{"LargeIn", "MediumIn", "SmallIn", "PedestrianIn"},
                                    {"LargeOut", "MediumOut", "SmallOut", "PedestrianOut"}};
constexpr PairTitles kQueueTitles{{"Count", "Service Time", "", ""},
                                  {"Average Count", "Wait Time", "", ""}};
constexpr const PairTitles* kDefaultTitles[kCounterTypeCount] = {
    &kPeopleTitles, &kPeopleTitles,  &kSingleCountTitles, &kSingleCountTitles,
    &kPeopleTitles, &kTrafficTitles, &kQueueTitles,
};

int TypeIndex(int counterType) {
    return IsValidCounterType(counterType) ? counterType - 1 : 0;
}

// The stored names of the counter types, as the section names carry them.
constexpr const char* kSectionSuffix[kCounterTypeCount] = {
    "2DPeopleCounter", "3DPeopleCounter", "AccessCounter", "ZoneCounter",
    "FlowCounter",     "TrafficCounter",  "QueueLength",
};

std::string Section(int typeIndex) {
    return std::string("P_Count_Setting_") + kSectionSuffix[typeIndex];
}

// "%s_%02d" for the first pair (and keys without a pair), "%s%d_%02d" for pairs 2..4.
std::string Key(const char* base, int record, int pair = 0) {
    char buf[64];
    if (pair == 0)
        std::snprintf(buf, sizeof buf, "%s_%02d", base, record);
    else
        std::snprintf(buf, sizeof buf, "%s%d_%02d", base, pair + 1, record);
    return buf;
}

std::string DayKey(const char* base, int day) {
    return Key(base, day);
}

LineStyleRecord DefaultRecord(int typeIndex) {
    LineStyleRecord r;  // widths, colours and grid flags take the declared defaults
    const PairTitles& titles = *kDefaultTitles[typeIndex];
    for (int p = 0; p < kPairs; ++p) {
        r.inTitle[p] = titles.in[p];
        r.outTitle[p] = titles.out[p];
    }
    r.countTitle[0] = "Count";
    return r;
}

std::string Number(long long v) {
    return std::to_string(v);
}

// Profile access used by Load and Save, so both walk the keys in one order.
class RecordIo {
  public:
    explicit RecordIo(zl::ProfileFile& file) : file_(file) {}

    void Read(const std::string& section, int s, LineStyleRecord& r) const {
        const LineStyleRecord def = r;
        r.title = Text(section, Key("strTitleText", s), def.title);
        for (int p = 0; p < kPairs; ++p) {
            r.inTitle[p] = Text(section, Key("strLine_In_Title", s, p), def.inTitle[p]);
            if (p == 0)
                r.countTitle[0] = Text(section, Key("strLine_Count_Title", s), def.countTitle[0]);
            r.inWidth[p] = Int(section, Key("nLine_In_Width", s, p), def.inWidth[p]);
            r.inColor[p] = static_cast<COLORREF>(
                Int(section, Key("nLine_In_Color", s, p), static_cast<int>(def.inColor[p])));
            r.outTitle[p] = Text(section, Key("strLine_Out_Title", s, p), def.outTitle[p]);
            r.outWidth[p] = Int(section, Key("nLine_Out_Width", s, p), def.outWidth[p]);
            r.outColor[p] = static_cast<COLORREF>(
                Int(section, Key("nLine_Out_Color", s, p), static_cast<int>(def.outColor[p])));
        }
        r.gridLine = Int(section, Key("bGrid_Line", s), def.gridLine);
        r.gridNote = Int(section, Key("bGridNote", s), def.gridNote);
    }

    void Write(const std::string& section, int s, const LineStyleRecord& r) {
        file_.SetString(section, Key("strTitleText", s), r.title);
        for (int p = 0; p < kPairs; ++p) {
            file_.SetString(section, Key("strLine_In_Title", s, p), r.inTitle[p]);
            if (p == 0) file_.SetString(section, Key("strLine_Count_Title", s), r.countTitle[0]);
            file_.SetString(section, Key("nLine_In_Width", s, p), Number(r.inWidth[p]));
            // Colours go out as "%d" of the 32-bit value.
            file_.SetString(section, Key("nLine_In_Color", s, p),
                            Number(static_cast<int>(r.inColor[p])));
            file_.SetString(section, Key("strLine_Out_Title", s, p), r.outTitle[p]);
            file_.SetString(section, Key("nLine_Out_Width", s, p), Number(r.outWidth[p]));
            file_.SetString(section, Key("nLine_Out_Color", s, p),
                            Number(static_cast<int>(r.outColor[p])));
        }
        file_.SetString(section, Key("bGrid_Line", s), Number(r.gridLine));
        file_.SetString(section, Key("bGridNote", s), Number(r.gridNote));
    }

    std::string Text(const std::string& section, const std::string& key,
                     const std::string& def) const {
        return zl::ReadProfileText(file_, section, key, def);
    }
    int Int(const std::string& section, const std::string& key, int def) const {
        return zl::AtoI(Text(section, key, std::to_string(def)));
    }

  private:
    zl::ProfileFile& file_;
};

// A time value is its first two characters (hour) and its last two characters (minute), each
// through atoi; "830" so reads as 83:30. Shorter texts give the whole text to both.
void ReadTime(const std::string& text, SYSTEMTIME& t) {
    const std::string hour = text.substr(0, 2);
    const std::string minute = text.size() > 2 ? text.substr(text.size() - 2) : text;
    t.wHour = static_cast<uint16_t>(zl::AtoI(hour));
    t.wMinute = static_cast<uint16_t>(zl::AtoI(minute));
}

std::string FormatTime(const SYSTEMTIME& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d", t.wHour, t.wMinute);
    return buf;
}

}  // namespace

CChartSettingsStore* CChartSettingsStore::Instance() {
    static CChartSettingsStore store;
    return &store;
}

CChartSettingsStore::CChartSettingsStore() : file_(zl::DefaultSettingsFile()) {
    Reset();
}

void CChartSettingsStore::Reset() {
    for (int t = 0; t < kCounterTypeCount; ++t) {
        records_[2 * t] = DefaultRecord(t);
        records_[2 * t + 1] = DefaultRecord(t);
    }
    synAdjust_ = 0;
    for (int d = 0; d < 7; ++d) {
        weekStart_[d] = SYSTEMTIME{};
        weekEnd_[d] = SYSTEMTIME{};
        weekEnd_[d].wHour = 23;
        weekEnd_[d].wMinute = 59;
    }
}

void CChartSettingsStore::SetFile(const std::string& path) {
    file_ = path;
}

const std::string& CChartSettingsStore::File() const {
    return file_;
}

void CChartSettingsStore::Load() {
    zl::ProfileFile file(file_);
    // An unreadable file reads as an empty one: every key takes its default.
    if (!file.Load()) file = zl::ProfileFile(file_);
    RecordIo io(file);
    Reset();
    for (int t = 0; t < kCounterTypeCount; ++t) {
        const std::string section = Section(t);
        io.Read(section, 0, records_[2 * t]);
        io.Read(section, 1, records_[2 * t + 1]);
    }
    synAdjust_ = io.Int(kSharedSection, kSynAdjustKey, 0);
    for (int d = 0; d < 7; ++d) {
        ReadTime(io.Text(kSharedSection, DayKey(kWeekStartKey, d), "0000"), weekStart_[d]);
        ReadTime(io.Text(kSharedSection, DayKey(kWeekEndKey, d), "2359"), weekEnd_[d]);
    }
}

bool CChartSettingsStore::Save() {
    zl::ProfileFile file(file_);
    // Keys this store does not write keep their values, so the file is read first; a file
    // that exists but cannot be read is not overwritten.
    if (!file.Load()) return false;
    RecordIo io(file);
    for (int t = 0; t < kCounterTypeCount; ++t) {
        const std::string section = Section(t);
        io.Write(section, 0, records_[2 * t]);
        io.Write(section, 1, records_[2 * t + 1]);
    }
    file.SetString(kSharedSection, kSynAdjustKey, Number(synAdjust_));
    for (int d = 0; d < 7; ++d) {
        file.SetString(kSharedSection, DayKey(kWeekStartKey, d), FormatTime(weekStart_[d]));
        file.SetString(kSharedSection, DayKey(kWeekEndKey, d), FormatTime(weekEnd_[d]));
    }
    return file.Save();
}

void CChartSettingsStore::GetSettings(ChartSettings& out, int counterType) const {
    const int t = TypeIndex(counterType);
    out.line = records_[2 * t];
    out.bar = records_[2 * t + 1];
    out.synAdjust = synAdjust_;
    out.weekStart = weekStart_;
    out.weekEnd = weekEnd_;
}

void CChartSettingsStore::SetSettings(const ChartSettings& in, int counterType) {
    const int t = TypeIndex(counterType);
    records_[2 * t] = in.line;
    records_[2 * t + 1] = in.bar;
    synAdjust_ = in.synAdjust;
    weekStart_ = in.weekStart;
    weekEnd_ = in.weekEnd;
}

}  // namespace zl
