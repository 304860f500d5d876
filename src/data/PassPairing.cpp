#include "data/PassPairing.h"

#include <utility>

namespace zl {

using zl::recnet::BucketPass;
using zl::recnet::BucketRows;

void PassPairing::Keep(const void* handle, BucketPass pass, bool counted, std::string statement,
                       BucketRows rows) {
    const std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back({handle, std::move(pass), counted, std::move(statement), std::move(rows)});
}

bool PassPairing::Take(const void* handle, const BucketPass& pass, bool counting, BucketRows* rows,
                       std::string* statement) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->handle != handle || it->pass != pass || (counting && !it->counted)) continue;
        *rows = std::move(it->rows);
        *statement = std::move(it->statement);
        if (it->counted && !counting)
            for (zl::recnet::BucketRow& row : *rows)
                if (!row.empty()) row.pop_back();
        kept_.erase(it);
        return true;
    }
    return false;
}

}  // namespace zl
