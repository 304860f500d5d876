// Test helpers for the query engine: a temporary folder, SQLite files made in the test, a
// scripted server client, and host objects that record what the engine did.
#pragma once

#include <sqlite3.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "CountingDb.h"
#include "QueryFakes.h"
#include "SqliteFiles.h"
#include "TempFolder.h"
#include "base/SysTime.h"
#include "data/QueryHooks.h"
#include "recnet/RecNet.h"

namespace zl {

using zl::testsupport::TempFolder;

using zl::testsupport::CountingDb;
using zl::testsupport::DbValue;
using zl::testsupport::MakeDb;

// A server client that answers from a script and logs every call.
class ScriptClient : public RecNetClient {
  public:
    std::vector<std::string> calls;
    bool alive = true;  // GetServerName answers non-zero
    int connectResult = 1;
    int loginResult = 1;
    int openResult = 1;
    std::deque<int> execResults;                 // next Exec results; empty = success
    std::vector<std::vector<const char*>> rows;  // rows every successful Exec delivers
    std::vector<std::string> sqls;
    int connectTimeOut = -1;
    std::string connectIp;
    int connectPort = -1;

    int Connect(const char* ip, int port, int timeOutMs) override {
        calls.push_back("Connect");
        connectIp = ip;
        connectPort = port;
        connectTimeOut = timeOutMs;
        if (connectResult) alive = true;
        return connectResult;
    }
    int Login(const char*, const char*) override {
        calls.push_back("Login");
        return loginResult;
    }
    int Close() override {
        calls.push_back("Close");
        alive = false;
        return 1;
    }
    int IsConnected() override { return alive ? 1 : 0; }
    int OpenDatabase(const char* path) override {
        calls.push_back(std::string("OpenDatabase ") + path);
        return openResult;
    }
    int Exec(const char* sql, RecNetRowCallback cb, void* ctx) override {
        calls.push_back("Exec");
        sqls.push_back(sql);
        int result = 1;
        if (!execResults.empty()) {
            result = execResults.front();
            execResults.pop_front();
        }
        if (!result) return 0;
        for (auto& r : rows) {
            std::vector<char*> texts;
            for (const char* t : r) texts.push_back(const_cast<char*>(t));
            cb(ctx, static_cast<int>(texts.size()), texts.data(), nullptr);
        }
        return 1;
    }
    int GetPeopleDbPaths(char*, char*, int) override { return 0; }
    int GetMonthDays(const char*, const char*, uint16_t, uint16_t, uint16_t, int,
                     uint8_t*) override {
        return 0;
    }
    int GetServerName(char* buffer, int capacity) override {
        calls.push_back("GetServerName");
        if (!alive) return 0;
        if (capacity > 0) buffer[0] = 's', buffer[capacity > 1 ? 1 : 0] = '\0';
        return 1;
    }
    int GetDatabaseCount() override { return 0; }
    int GetDatabaseEntry(int, int*, char*, int) override { return 0; }

    int Count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }
};

using zl::testsupport::CountingProgress;
using zl::testsupport::RecordedRow;
using VectorSink = zl::testsupport::RowCollector;

// The shared scripted prompt, noting how many statements the client had run at each question.
class ScriptPrompt : public zl::testsupport::ScriptedPrompt {
  public:
    ScriptPrompt() {
        onAsk = [this] { execCountAtAsk.push_back(client ? client->Count("Exec") : 0); };
    }
    ScriptPrompt(const ScriptPrompt&) = delete;
    ScriptPrompt& operator=(const ScriptPrompt&) = delete;
    const ScriptClient* client = nullptr;
    std::vector<int> execCountAtAsk;
};

inline SYSTEMTIME Day(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return MakeSysTime(y, m, d, hh, mm, ss);
}

}  // namespace zl
