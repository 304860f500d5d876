// The state of the report window's query controls, without any widgets: which filter controls
// are shown for the counter type, the 3D cameras and the height class, what the Direction combo
// lists, the Region and Period choices and the range. The window feeds it the user's actions and
// applies the answers to its widgets; tests drive it directly.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zl {

// Controls of the report window, numbered as the window knows them.
enum ReportControlId : int {
    kIdResultTable = 1000,
    kIdChart = 1001,
    kIdTree = 1014,
    kIdDatePicker = 1015,
    kIdDirectionLabel = 1016,
    kIdCounterTypeLabel = 1020,
    kIdRegionLabel = 1021,
    kIdQueueTypeLabel = 1022,
    kIdPeriodLabel = 1023,
    kIdHeightTo = 1024,  // the "~" between the two height edits
    kIdHeightLabel = 1025,
    kIdDirection = 1028,
    kIdHeight = 1029,
    kIdHeightLow = 1030,
    kIdHeightHigh = 1031,
    kIdHeightUnit = 1032,
    kIdDay = 1034,
    kIdWeek = 1035,
    kIdMonth = 1036,
    kIdRangeLabel = 1037,
    kIdStartTimeLabel = 1039,
    kIdViewChart = 1040,
    kIdViewBar = 1041,
    kIdViewTable = 1042,
    kIdAdd = 1043,
    kIdRemove = 1044,
    kIdSettings = 1045,
    kIdExport = 1046,
    kIdPrint = 1047,
    kIdCompareLabel = 1050,
    kIdCompare = 1051,
    kIdRegion = 1160,
    kIdCounterType = 1161,
    kIdPeriod = 1162,
    kIdQueueType = 1199,
    kIdQuery = 1201,
};

// The controls whose visibility the filter logic decides.
inline constexpr std::array<int, 14> kFilterControlIds{
    kIdDirectionLabel, kIdDirection,  kIdHeightLabel,    kIdHeight,      kIdHeightLow,
    kIdHeightTo,       kIdHeightHigh, kIdHeightUnit,     kIdRegionLabel, kIdRegion,
    kIdPeriodLabel,    kIdPeriod,     kIdQueueTypeLabel, kIdQueueType};

// What the Region combo lists.
enum class RegionListKind {
    kNone,     // not refilled
    kRegions,  // "Region A" .. "Region J" and "All Regions" (access counters)
    kQueues,   // "Queue A" .. "Queue J" (queue length monitoring)
};

// The entries of the Direction combo as language string ids, and the one selected.
struct DirectionList {
    std::vector<unsigned> stringIds;
    int selected = 0;
};

// What a counter type change asks of the window beyond the control visibility.
struct CounterTypeChange {
    RegionListKind regionList = RegionListKind::kNone;
    // Re-connect the sites and rebuild the tree: in people-counter mode (types 1 and 2) or in
    // the mode of the other types.
    bool refreshPeopleSites = false;
    bool refreshOtherSites = false;
};

// What the Filter controls step asks of the window beyond the control visibility.
struct FilterChange {
    bool directionRefilled = false;            // refill the Direction combo from Direction()
    std::optional<std::string> heightLowText;  // new text of the lower height edit
    std::optional<std::string> heightHighText;
};

class FilterState {
  public:
    // The start-up state: counter type 1 in people-counter mode without 3D cameras, range Day,
    // Direction "In and Out" / "In" / "Out", every height, region and period control hidden.
    FilterState();

    bool Visible(int controlId) const;
    const DirectionList& Direction() const { return direction_; }

    // Counter type combo: selection index 0..6 (counter types 1..7).
    CounterTypeChange SelectCounterType(int index);
    // Range radio buttons: 0 Day, 1 Week, 2 Month. True when the period controls may have
    // changed (the other counter types show the Period combo only for Day).
    bool SelectRange(int range);
    // Height combo change, and every change of the tree's check marks (with has3DCameras).
    FilterChange ApplyFilterControls(int heightClass);
    FilterChange SetHas3DCameras(int has3DCameras);
    // Region combo selection index; 10 and above shows every region.
    void SelectRegion(int index);
    // Period combo: the selected text.
    void SelectPeriod(const std::string& text);
    void SelectQueueType(int index) { queueType_ = index; }

    int CounterType() const { return counterType_; }
    int UsePeopleWorker() const { return usePeopleWorker_; }
    int Range() const { return range_; }
    int HeightClass() const { return heightClass_; }
    int Has3DCameras() const { return has3DCameras_; }
    int PeriodMinutes() const { return periodMinutes_; }
    int QueueType() const { return queueType_; }
    const std::array<int, 10>& RegionVisible() const { return regionVisible_; }
    // The counter type read from the settings at start-up; the combo stays without a selection
    // and the mode stays people-counter until the user picks a type.
    void SetCounterTypeOnly(int counterType) { counterType_ = counterType; }

  private:
    void Show(int controlId, bool visible);
    void ShowHeightByClass();
    int Index(int controlId) const;

    std::array<bool, kFilterControlIds.size()> visible_{};
    DirectionList direction_;
    int counterType_ = 1;
    int usePeopleWorker_ = 1;
    int range_ = 0;
    int heightClass_ = 0;
    int has3DCameras_ = 0;
    int periodMinutes_ = 60;
    int queueType_ = 0;
    std::array<int, 10> regionVisible_{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
};

// The Day period in minutes of a Period combo text: its leading number; 0, no number or a
// number below 1 give 60.
int ParsePeriodMinutes(const std::string& text);
// Which regions a Region combo selection shows: index i alone, every region for 10 and above,
// none for no selection (-1).
std::array<int, 10> RegionVisibleFor(int index);
// The Region combo index that shows `visible` in a list of `itemCount` entries: 10 when every
// region is shown and the list has that entry, else the first region shown (0 when none).
int RegionIndexFor(const std::array<int, 10>& visible, int itemCount);

// Combo box contents. Texts are built from language strings the caller has looked up.
// Period combo, top to bottom: "60 <unit>", "30 <unit>", "15 <unit>", "10 <unit>", "5 <unit>".
std::vector<std::string> PeriodItems(const std::string& unit);
// Region combo: "<label> A" .. "<label> J", then `allText` when it is not empty.
std::vector<std::string> RegionItems(const std::string& label, const std::string& allText);
// Language string ids of the queue Type combo (measures 0..3), the Height combo (classes 0..3),
// the unit combo (cm, inch) and the counter type combo (types 1..7).
std::vector<unsigned> QueueTypeStringIds();
std::vector<unsigned> HeightStringIds();
std::vector<unsigned> HeightUnitStringIds();
std::vector<unsigned> CounterTypeStringIds();

}  // namespace zl
