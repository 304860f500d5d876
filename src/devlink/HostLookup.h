// Host name lookup with a time limit. getaddrinfo cannot be interrupted, so it runs on a
// detached thread and the caller stops waiting at the deadline; a late answer is dropped.
#pragma once

#include <string>

namespace zl {

// Returns the numeric address of a host name or address text (IPv4 preferred when the name has
// both), or "" when it cannot be found within timeOutMs.
std::string LookUpHost(const std::string& host, int timeOutMs);

}  // namespace zl
