// COM-style result codes that the thread kit hands back.
#pragma once

#include <cstdint>

namespace zl {

using HResult = uint32_t;
constexpr HResult kS_OK = 0;
constexpr HResult kE_NOINTERFACE = 0x80004002u;
constexpr HResult kE_POINTER = 0x80004003u;
constexpr HResult kE_FAIL = 0x80004005u;

// A time-out that never ends, in milliseconds.
constexpr unsigned kInfinite = 0xFFFFFFFFu;

}  // namespace zl
