#include "query/CountTable.h"

#include <algorithm>
#include <tuple>

namespace zl {

namespace {

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second) {
    // Day of week only when the date is a real one; an empty record stays all zero.
    if (month < 1 || month > 12 || day < 1) {
        SYSTEMTIME t;
        t.wYear = static_cast<uint16_t>(year);
        t.wMonth = static_cast<uint16_t>(month);
        t.wDay = static_cast<uint16_t>(day);
        t.wHour = static_cast<uint16_t>(hour);
        t.wMinute = static_cast<uint16_t>(minute);
        t.wSecond = static_cast<uint16_t>(second);
        return t;
    }
    return MakeSysTime(year, month, day, hour, minute, second);
}

bool SameStart(const CountRecord& r, const SYSTEMTIME& from) {
    return r.fromYear == from.wYear && r.fromMonth == from.wMonth && r.fromDay == from.wDay &&
           r.fromHour == from.wHour && r.fromMinute == from.wMinute && r.fromSecond == from.wSecond;
}

}  // namespace

SYSTEMTIME CountRecord::From() const {
    return MakeTime(fromYear, fromMonth, fromDay, fromHour, fromMinute, fromSecond);
}

SYSTEMTIME CountRecord::To() const {
    return MakeTime(toYear, toMonth, toDay, toHour, toMinute, toSecond);
}

void CCountTable::Add(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values,
                      int count, int kind) {
    if (records_.size() >= kMaxRecords) return;
    CountRecord r;
    const int n = values ? std::clamp(count, 0, 10) : 0;
    for (int i = 0; i < n; ++i) r.values[i] = values[i];
    r.valueCount = static_cast<uint32_t>(n);
    r.kind = static_cast<uint8_t>(kind);
    r.fromYear = from.wYear;
    r.fromMonth = static_cast<uint8_t>(from.wMonth);
    r.fromDay = static_cast<uint8_t>(from.wDay);
    r.fromHour = static_cast<uint8_t>(from.wHour);
    r.fromMinute = static_cast<uint8_t>(from.wMinute);
    r.fromSecond = static_cast<uint8_t>(from.wSecond);
    r.toYear = to.wYear;
    r.toMonth = static_cast<uint8_t>(to.wMonth);
    r.toDay = static_cast<uint8_t>(to.wDay);
    r.toHour = static_cast<uint8_t>(to.wHour);
    r.toMinute = static_cast<uint8_t>(to.wMinute);
    r.toSecond = static_cast<uint8_t>(to.wSecond);

    // Rows of several sites and cameras for one bucket arrive in bucket order, so the match is
    // almost always near the end: search backwards.
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (!SameStart(*it, from)) continue;
        for (int i = 0; i < n; ++i) r.values[i] += it->values[i];
        *it = r;
        return;
    }
    records_.push_back(r);
}

void CCountTable::Clear() {
    records_.clear();
}

CCountTable* CCountTable::PeopleInstance() {
    static CCountTable table;
    return &table;
}

CCountTable* CCountTable::ThreeDInstance() {
    static CCountTable table;
    return &table;
}

void CReportTable::Build(const CCountTable& people, const CCountTable& threeD) {
    records_.clear();
    if (people.Size() == 0) {
        records_ = threeD.Records();
        return;
    }
    records_ = people.Records();
    if (threeD.Size() == 0) return;
    bool appended = false;
    for (const CountRecord& r : threeD.Records()) {
        const SYSTEMTIME from = r.From();
        auto same = std::find_if(records_.begin(), records_.end(),
                                 [&](const CountRecord& p) { return SameStart(p, from); });
        if (same == records_.end()) {
            records_.push_back(r);
            appended = true;
            continue;
        }
        same->values[0] += r.values[0];
        same->values[1] += r.values[1];
    }
    if (!appended) return;
    auto key = [](const CountRecord& r) {
        return std::tuple(r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute,
                          r.fromSecond);
    };
    std::stable_sort(records_.begin(), records_.end(),
                     [&](const CountRecord& a, const CountRecord& b) { return key(a) < key(b); });
}

void CReportTable::Clear() {
    records_.clear();
}

CReportTable* CReportTable::Instance() {
    static CReportTable table;
    return &table;
}

}  // namespace zl
