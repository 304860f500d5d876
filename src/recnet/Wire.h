// Names and sizes both ends of the wire agree on.
#pragma once

namespace zl::recnet {

// Metadata key that carries the session token (gRPC keys are lower case).
constexpr const char* kSessionMetadataKey = "zl-session-token";
// Largest message either end accepts.
constexpr int kMaxMessageBytes = 64 * 1024 * 1024;

}  // namespace zl::recnet
