// Small text helpers shared by the local object, the client and the server.
#pragma once

#include <string>

namespace zl::recnet {

// An SQL identifier in double quotes, inner double quotes doubled: ab"c -> "ab""c".
std::string QuoteIdentifier(const std::string& name);

// Copies text into a buffer of capacity bytes: at most capacity - 1 characters and a
// terminating zero. Nothing is written when buffer is null or capacity < 1.
void CopyText(char* buffer, int capacity, const std::string& text);

// A path for sqlite3_open_v2 that is never read as a "file:" URI (this SQLite is built to
// accept URIs in every open): a relative path starting with "file:" gets "./" in front.
std::string PlainFilePath(const std::string& path);

}  // namespace zl::recnet
