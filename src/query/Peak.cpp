#include "query/Peak.h"

#include "base/CounterTypes.h"

namespace zl {

namespace {

uint64_t SumOf(const CountRecord& r, const std::vector<int>& indexes) {
    uint64_t s = 0;
    for (int i : indexes) s += r.values[i];
    return s;
}

PeakBucket LargestBucket(const std::vector<CountRecord>& rows, const std::vector<int>& indexes,
                         bool shares) {
    PeakBucket p;
    if (indexes.empty()) return p;
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint64_t v = SumOf(rows[i], indexes);
        p.total += v;
        if (v > p.value) {  // the earliest of equal buckets wins
            p.value = v;
            p.row = i;
            p.found = true;
        }
    }
    if (p.found && shares && p.total > 0)
        p.share = static_cast<double>(p.value) / static_cast<double>(p.total);
    return p;
}

int MinuteOfDay(const CountRecord& r) {
    return r.fromHour * 60 + r.fromMinute;
}

}  // namespace

PeakMeasure PeakMeasureOf(int counterType, int valueCount) {
    PeakMeasure m;
    switch (counterType) {
        case kPeople2D:
        case kPeople3D:
        case kFlow:
        case kTraffic:
            for (int i = 0; i < valueCount && i < 10; i += 2) m.in.push_back(i);
            break;
        default:
            if (valueCount > 0) m.in.push_back(0);
            break;
    }
    if (counterType == kTraffic)
        for (int i = 0; i < valueCount && i < 10; ++i) m.volume.push_back(i);
    m.shares = counterType != kZone && counterType != kQueue;
    return m;
}

PeakResult ComputePeak(const std::vector<CountRecord>& rows, int counterType, int valueCount,
                       int range, int periodMinutes) {
    const PeakMeasure m = PeakMeasureOf(counterType, valueCount);
    PeakResult out;
    out.in = LargestBucket(rows, m.in, m.shares);
    out.volume = LargestBucket(rows, m.volume, m.shares);
    if (range != kRangeDay || periodMinutes < 1 || periodMinutes > 15 || 60 % periodMinutes != 0 ||
        !m.shares)
        return out;

    // The hour follows the traffic volume where there is one, else the total in.
    const std::vector<int>& measure = m.volume.empty() ? m.in : m.volume;
    const int part = 15 % periodMinutes == 0 ? 15 : periodMinutes;
    for (size_t first = 0; first < rows.size(); ++first) {
        const int start = MinuteOfDay(rows[first]);
        if (start + 60 > 24 * 60) break;
        // The rows of [start, start + 60) of the same day.
        uint64_t volume = 0;
        std::vector<uint64_t> parts(static_cast<size_t>(60 / part), 0);
        size_t last = first;
        bool whole = false;
        for (size_t j = first; j < rows.size(); ++j) {
            const CountRecord& r = rows[j];
            if (r.fromDay != rows[first].fromDay) break;
            const int offset = MinuteOfDay(r) - start;
            if (offset >= 60) break;
            const uint64_t v = SumOf(r, measure);
            volume += v;
            parts[static_cast<size_t>(offset / part)] += v;
            last = j;
            whole = offset + periodMinutes == 60;
        }
        if (!whole || volume <= out.hour.volume) continue;
        PeakHour& h = out.hour;
        h.found = true;
        h.firstRow = first;
        h.lastRow = last;
        h.volume = volume;
        h.partMinutes = part;
        h.largestPart = 0;
        for (uint64_t p : parts) h.largestPart = p > h.largestPart ? p : h.largestPart;
        h.factor = static_cast<double>(volume) /
                   (static_cast<double>(parts.size()) * static_cast<double>(h.largestPart));
    }
    return out;
}

}  // namespace zl
