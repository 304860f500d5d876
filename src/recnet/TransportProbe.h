// What speaks at a server's port when a connection could not be made: plain HTTP/2 (a server
// without TLS), something else (a TLS server rejects the plain greeting), or nothing.
#pragma once

#include <string>

namespace zl::recnet {

enum class Transport { Unreachable, PlainHttp2, NotPlain };

// Connects to host:port, sends the HTTP/2 greeting and looks at the answer; waits at most
// timeoutMs for each step.
Transport ProbeTransport(const std::string& host, int port, int timeoutMs);

// The words for a user after a failed connection: why, and what to set.
std::string ConnectProblem(const std::string& host, int port, bool tlsConfigured, Transport seen);

}  // namespace zl::recnet
