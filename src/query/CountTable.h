// Result records and the tables that collect them.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <vector>

#include "base/SysTime.h"

namespace zl {

enum RangeKind { kRangeDay = 0, kRangeWeek = 1, kRangeMonth = 2 };

struct CountRecord {
    uint32_t values[10] = {};
    uint16_t fromYear = 0, toYear = 0;
    uint8_t fromMonth = 0, fromDay = 0, fromHour = 0, fromMinute = 0, fromSecond = 0;
    uint8_t toMonth = 0, toDay = 0, toHour = 0, toMinute = 0, toSecond = 0;
    uint8_t kind = 0;
    uint32_t valueCount = 0;

    SYSTEMTIME From() const;
    SYSTEMTIME To() const;
};

class CCountTable {
  public:
    static constexpr size_t kMaxRecords = 32767;
    // Adds one bucket; a record with the same bucket start is merged (values summed, the new
    // end, count and kind win). Dropped when the table is full. Values beyond count are 0.
    void Add(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values, int count,
             int kind);
    void Clear();
    size_t Size() const { return records_.size(); }
    const CountRecord& At(size_t i) const { return records_[i]; }
    const std::vector<CountRecord>& Records() const { return records_; }

    static CCountTable* PeopleInstance();
    static CCountTable* ThreeDInstance();

  private:
    std::vector<CountRecord> records_;
};

class CReportTable {
  public:
    // From the people and 3D tables: a copy of whichever holds records; when both do, each
    // people record gets values 0 and 1 of the 3D record of the same bucket (same start)
    // added, a 3D bucket the people table lacks becomes a row of its own, and the rows are in
    // time order. Rows are matched by bucket, never by position.
    void Build(const CCountTable& people, const CCountTable& threeD);
    void Clear();
    size_t Size() const { return records_.size(); }
    const CountRecord& At(size_t i) const { return records_[i]; }
    const std::vector<CountRecord>& Records() const { return records_; }
    void Append(const CountRecord& r) { records_.push_back(r); }

    static CReportTable* Instance();

  private:
    std::vector<CountRecord> records_;
};

}  // namespace zl
