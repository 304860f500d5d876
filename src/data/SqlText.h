// The SQL texts of the report queries, as pure functions of their parameters: the pieces of a
// report's statements (select list, table, condition, time column), and the one text of a
// bucket (start and end, both inclusive) made from them. Nothing here touches a database, so
// every text can be checked byte for byte.
#pragma once

#include <string>
#include <vector>

#include "base/SysTime.h"
#include "recnet/BucketPass.h"

namespace zl {

struct SiteRecord;

// '%04d-%02d-%02d %02d:%02d:%02d' of the time (no quotes).
std::string SqlTimeText(const SYSTEMTIME& t);

// "Camera= 1 OR Camera= 3 OR Camera= 4" for the camera numbers in the given order; empty when
// there is none.
std::string CameraFilter(const std::vector<int>& cameraNumbers);
// The camera numbers (slot index + 1, ascending) of the checked slots of a site whose 3D flag
// is 1 (threeD true) or not 1 (threeD false).
std::vector<int> CheckedCameras(const SiteRecord& site, bool threeD);

// The pieces of a report's statements: one statement per part and bucket,
//   SELECT <select> from <table> where <condition> AND <timeColumn> BETWEEN '<from>' AND '<to>';
// (the condition as it stands, without parentheses of its own).
struct StatementPieces {
    std::string table;
    std::string timeColumn;
    std::vector<zl::recnet::BucketPart> parts;  // in value order
};

// The text of one part for one bucket, exactly as it is sent.
std::string BucketText(const StatementPieces& pieces, size_t part, const SYSTEMTIME& from,
                       const SYSTEMTIME& to);

// 2D people counter: in and out sums of the cameras in the bucket.
StatementPieces Pieces2D(const std::string& cameraFilter);
std::string Sql2D(const std::string& cameraFilter, const SYSTEMTIME& from, const SYSTEMTIME& to);

// Generic counters: the select expression over "records" in the bucket of the time column.
StatementPieces PiecesGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                              const std::string& timeColumn);
std::string SqlGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                       const std::string& timeColumn, const SYSTEMTIME& from, const SYSTEMTIME& to);

// 3D people counter height modes: 0 all heights, 1 three classes, 2 above T1, 3 below T1.
// Number of values a row of the mode holds (2 or 6); 0 for a mode that sends nothing.
int ValueCountOf3DMode(int heightMode);
// The COUNT queries of the mode, one part per value in value order (in/out per height
// class). dayForm selects the Day conditions (camera filter twice) instead of the Week/Month
// ones. No part for an unknown mode.
StatementPieces Pieces3D(const std::string& cameraFilter, int heightMode, int t1, int t2,
                         bool dayForm);
// The group of texts of one 3D bucket, in value order.
std::vector<std::string> Sql3DGroup(const std::string& cameraFilter, int heightMode, int t1, int t2,
                                    bool dayForm, const SYSTEMTIME& from, const SYSTEMTIME& to);

// Select expression of a generic counter type (3..7). Access counters sum the selected regions
// (numbers 1..10; out-of-range numbers are ignored, order and duplicates do not matter); queue
// length monitoring uses the measure 0..3. Empty when there is nothing to select (an access
// counter without a region, an unknown type or measure).
std::string SelectExpression(int counterType, const std::vector<int>& regions, int queueMeasure);
// Time column of a generic counter type: "CountingTime" (5), "EnterTime" (6), else
// "StartTime".
const char* TimeColumnOf(int counterType);
// The camera filter of a generic run: for queue length monitoring (type 7) with regions it is
// "(<cameras>) AND (Queue=1 OR Queue=3)" ("Counter=" for measure 2); a queue run without
// regions keeps every region ("<cameras> "); other types keep the camera filter.
std::string GenericFilter(const std::string& cameraFilter, int counterType, int queueMeasure,
                          const std::vector<int>& regions);

// The regions 1..10 sorted ascending without duplicates; others dropped.
std::vector<int> NormalizedRegions(const std::vector<int>& regions);
// The region numbers (index + 1) whose flag is non-zero, from the window's ten region flags.
std::vector<int> RegionsFromFlags(const int* flags, int count);

}  // namespace zl
