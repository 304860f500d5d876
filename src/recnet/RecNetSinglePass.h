// An optional extension of the record-database objects: the aggregate of a whole report in one
// request (see BucketQuery.h). The local object and the remote client implement it besides
// RecNetLocal and RecNetClient; a caller finds it with dynamic_cast and, when an object lacks
// it, sends one statement per bucket as before.
#pragma once

#include <functional>
#include <string>

#include "recnet/BucketQuery.h"

class RecNetSinglePass {
  public:
    virtual ~RecNetSinglePass() = default;
    // Runs the query. `cancelled` (may be empty) is polled while a statement runs; when it
    // answers true the statement is stopped and the call fails. `statement` (may be null)
    // receives the text of the last statement run. 1 = `rows` holds one row per bucket;
    // 0 = failed; -1 = not possible here (a server without it, or a query this way cannot
    // answer): the caller sends the per-bucket statements instead.
    virtual int ExecBuckets(const zl::recnet::BucketQuery& query,
                            const std::function<bool()>& cancelled, zl::recnet::BucketRows* rows,
                            std::string* statement) = 0;
};
