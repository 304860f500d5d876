// Milliseconds of the monotonic clock: session idle times, log-in back-off, remembered
// passwords and log limits all measure against it.
#pragma once

#include <chrono>
#include <cstdint>

namespace zl::recnetd {

inline int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace zl::recnetd
