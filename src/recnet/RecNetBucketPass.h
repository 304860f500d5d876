// An optional extension of the record-database objects: the bucket pass, the aggregate of a
// whole report in one request (see BucketPass.h). The local object and the remote client
// implement it besides RecNetLocal and RecNetClient; a caller finds it with dynamic_cast and,
// when an object lacks it, sends one statement per bucket as before.
#pragma once

#include <functional>
#include <string>

#include "recnet/BucketPass.h"

namespace zl {

class RecNetBucketPass {
  public:
    virtual ~RecNetBucketPass() = default;
    // Runs the pass. `cancelled` (may be empty) is polled while a statement runs; when it
    // answers true the statement is stopped and the call fails. `statement` (may be null)
    // receives the text of the last statement run. kDone: `rows` holds one row per bucket;
    // kUnusable: not possible here (a server without the call, or a query the pass cannot
    // answer), the caller sends the per-bucket statements instead.
    virtual zl::recnet::BucketPassResult ExecBucketPass(const zl::recnet::BucketPass& query,
                                                        const std::function<bool()>& cancelled,
                                                        zl::recnet::BucketRows* rows,
                                                        std::string* statement) = 0;
};

}  // namespace zl
