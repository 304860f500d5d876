#include "ui/reportwin/FilterState.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "store/StringIds.h"

namespace zl {

namespace {

constexpr int kHeightControls[] = {kIdHeight,   kIdHeightLabel, kIdHeightLow,
                                   kIdHeightTo, kIdHeightHigh,  kIdHeightUnit};

}  // namespace

FilterState::FilterState() {
    // As the people-counter branch of a counter type change leaves the controls, with no 3D
    // camera checked; the Direction combo as the Filter controls step fills it.
    Show(kIdDirectionLabel, true);
    Show(kIdDirection, true);
    ApplyFilterControls(0);
}

int FilterState::Index(int controlId) const {
    for (size_t i = 0; i < kFilterControlIds.size(); ++i) {
        if (kFilterControlIds[i] == controlId) return static_cast<int>(i);
    }
    return -1;
}

bool FilterState::Visible(int controlId) const {
    const int i = Index(controlId);
    return i >= 0 && visible_[static_cast<size_t>(i)];
}

void FilterState::Show(int controlId, bool visible) {
    const int i = Index(controlId);
    if (i >= 0) visible_[static_cast<size_t>(i)] = visible;
}

CounterTypeChange FilterState::SelectCounterType(int index) {
    CounterTypeChange change;
    if (index < 0 || index > 6) return change;  // no entry selected: nothing to change
    counterType_ = index + 1;
    usePeopleWorker_ = 1;
    if (index >= 2) {
        usePeopleWorker_ = 0;
        const bool regions = counterType_ == 3 || counterType_ == 7;
        if (counterType_ == 3) change.regionList = RegionListKind::kRegions;
        // The re-connection of the sites points them at the queue measure's database (7).
        if (counterType_ == 7) change.regionList = RegionListKind::kQueues;
        // The Period combo follows the Region combo in the window's layout, so it takes the
        // Region combo's place when that is hidden.
        Show(kIdRegion, regions);
        Show(kIdRegionLabel, regions);
        Show(kIdPeriod, range_ == 0);
        Show(kIdPeriodLabel, range_ == 0);
        Show(kIdDirection, false);
        Show(kIdDirectionLabel, false);
        Show(kIdQueueType, counterType_ == 7);
        Show(kIdQueueTypeLabel, counterType_ == 7);
        for (int id : kHeightControls) Show(id, false);
        change.refreshOtherSites = true;
        return change;
    }
    for (int id :
         {kIdRegion, kIdRegionLabel, kIdPeriod, kIdPeriodLabel, kIdQueueType, kIdQueueTypeLabel}) {
        Show(id, false);
    }
    Show(kIdDirection, true);
    Show(kIdDirectionLabel, true);
    if (has3DCameras_ == 1) {
        Show(kIdHeight, true);
        Show(kIdHeightLabel, true);
        Show(kIdHeightLow, true);
        Show(kIdHeightUnit, true);
        if (heightClass_ == 1) {
            Show(kIdHeightTo, true);
            Show(kIdHeightHigh, true);
        }
    }
    change.refreshPeopleSites = true;
    return change;
}

bool FilterState::SelectRange(int range) {
    if (range < 0 || range > 2) return false;
    range_ = range;
    if (usePeopleWorker_ == 1) return false;
    Show(kIdPeriod, range_ == 0);
    Show(kIdPeriodLabel, range_ == 0);
    return true;
}

FilterChange FilterState::SetHas3DCameras(int has3DCameras) {
    has3DCameras_ = has3DCameras;
    return ApplyFilterControls(heightClass_);
}

FilterChange FilterState::ApplyFilterControls(int heightClass) {
    FilterChange change;
    heightClass_ = heightClass;
    if (usePeopleWorker_ != 1 && has3DCameras_ == 1) return change;  // left as they are
    change.directionRefilled = true;
    direction_.selected = 0;
    if (usePeopleWorker_ != 1 || has3DCameras_ != 1) {
        direction_.stringIds = {kStrDirectionBoth, kStrDirectionIn, kStrDirectionOut};
        for (int id : kHeightControls) Show(id, false);
        return change;
    }
    direction_.stringIds = {kStrDirectionBoth, kStrDirectionIn3D, kStrDirectionOut3D};
    Show(kIdHeight, true);
    Show(kIdHeightLabel, true);
    switch (heightClass_) {
        case 1:
            change.heightLowText = "110";
            change.heightHighText = "150";
            Show(kIdHeightLow, true);
            Show(kIdHeightTo, true);
            Show(kIdHeightHigh, true);
            Show(kIdHeightUnit, true);
            break;
        case 2:
        case 3:
            change.heightLowText = heightClass_ == 2 ? "150" : "110";
            Show(kIdHeightLow, true);
            Show(kIdHeightUnit, true);
            Show(kIdHeightTo, false);
            Show(kIdHeightHigh, false);
            break;
        default:
            Show(kIdHeightLow, false);
            Show(kIdHeightTo, false);
            Show(kIdHeightHigh, false);
            Show(kIdHeightUnit, false);
            break;
    }
    return change;
}

void FilterState::SelectRegion(int index) {
    if (index < 0) return;
    regionVisible_ = RegionVisibleFor(index);
}

void FilterState::SelectPeriod(const std::string& text) {
    periodMinutes_ = ParsePeriodMinutes(text);
}

int ParsePeriodMinutes(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    long value = 0;
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        digits = true;
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX / 10) break;
        ++i;
    }
    // A period must cut the day into buckets: no number, 0 or an absurd value give the hour.
    if (!digits || value < 1 || value > 1440) return 60;
    return static_cast<int>(value);
}

std::array<int, 10> RegionVisibleFor(int index) {
    std::array<int, 10> visible{};
    if (index >= 10) {
        visible.fill(1);
    } else if (index >= 0) {
        visible[static_cast<size_t>(index)] = 1;
    }
    return visible;
}

int RegionIndexFor(const std::array<int, 10>& visible, int itemCount) {
    int shown = 0;
    for (int v : visible) shown += v ? 1 : 0;
    if (shown == 10 && itemCount > 10) return 10;
    for (int i = 0; i < 10 && i < itemCount; ++i) {
        if (visible[static_cast<size_t>(i)]) return i;
    }
    return 0;
}

std::vector<std::string> PeriodItems(const std::string& unit) {
    std::vector<std::string> items;
    // Inserted each at the top, so the list reads from the longest period down.
    for (const char* minutes : {"5 ", "10 ", "15 ", "30 ", "60 "})
        items.insert(items.begin(), std::string(minutes) + unit);
    return items;
}

std::vector<std::string> RegionItems(const std::string& label, const std::string& allText) {
    std::vector<std::string> items;
    for (char letter = 'A'; letter <= 'J'; ++letter) items.push_back(label + " " + letter);
    if (!allText.empty()) items.push_back(allText);
    return items;
}

std::vector<unsigned> QueueTypeStringIds() {
    return {kStrQueueMeasureWaitingEvents, kStrQueueMeasureAverageLength,
            kStrQueueMeasureServedTime, kStrQueueMeasureWaitingTime};
}

std::vector<unsigned> HeightStringIds() {
    return {kStrHeightAll, kStrHeightThreeClasses, kStrHeightAbove, kStrHeightBelow};
}

std::vector<unsigned> HeightUnitStringIds() {
    return {kStrUnitCentimetre, kStrUnitInch};
}

std::vector<unsigned> CounterTypeStringIds() {
    std::vector<unsigned> ids;
    for (int code = 1; code <= 7; ++code)
        ids.push_back(kStrCounterType2DPeople + static_cast<unsigned>(code - 1));
    return ids;
}

}  // namespace zl
