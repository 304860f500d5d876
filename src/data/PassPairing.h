// Two reports of one run, the compared period ending before the current one begins, read in
// one bucket pass per site and plan: the current report's pass also answers the buckets of the
// earlier period and keeps their rows here; the earlier report then takes them instead of
// running a pass of its own. Without an index on the time column that is one scan of the two
// periods instead of two (the days between them are left out by the scan's time condition).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "base/SysTime.h"
#include "recnet/BucketPass.h"

namespace zl {

class PassPairing {
  public:
    explicit PassPairing(const SYSTEMTIME& earlierDate) : earlierDate_(earlierDate) {}
    PassPairing(const PassPairing&) = delete;
    PassPairing& operator=(const PassPairing&) = delete;

    // The date the earlier report's plans are made for.
    const SYSTEMTIME& EarlierDate() const { return earlierDate_; }

    // Keeps the answer of `pass` (the plain pass of the earlier plan) on `handle`; `counted`:
    // each row carries the record count as its last cell. Sites running at once may call it.
    void Keep(const void* handle, zl::recnet::BucketPass pass, bool counted, std::string statement,
              zl::recnet::BucketRows rows);
    // The kept answer of the same pass on the same handle, once: the rows without the record
    // count unless `counting` asks for it. False when nothing matching is kept (the pass then
    // runs as usual), also when `counting` asks for a count the kept rows lack.
    bool Take(const void* handle, const zl::recnet::BucketPass& pass, bool counting,
              zl::recnet::BucketRows* rows, std::string* statement);

  private:
    struct Kept {
        const void* handle = nullptr;
        zl::recnet::BucketPass pass;
        bool counted = false;
        std::string statement;
        zl::recnet::BucketRows rows;
    };
    const SYSTEMTIME earlierDate_;
    std::mutex mutex_;
    std::vector<Kept> kept_;
};

}  // namespace zl
