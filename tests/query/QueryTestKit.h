// Helpers of the query tests: a temporary folder, SQLite files made with plain SQL, and fakes
// of the record-database object and the device link that record what the engine asks.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CountingDb.h"
#include "QueryFakes.h"
#include "SqliteFiles.h"
#include "TempFolder.h"
#include "data/QueryHooks.h"
#include "devlink/DevLink.h"
#include "recnet/RecNet.h"

namespace zl {

using zl::testsupport::TempFolder;

using zl::testsupport::CountingDb;
using zl::testsupport::DbValue;
using zl::testsupport::MakeDb;

// A local database object that answers every query with one row of fixed column texts, or
// fails; it records every SQL text.
class FakeLocal : public RecNetLocal {
  public:
    std::vector<std::string> row{"1", "2"};
    bool fail = false;
    std::vector<std::string> sql;
    std::function<std::vector<std::string>(const std::string&)> answer;  // overrides `row`

    int Open(const char*) override { return 1; }
    int Exec(const char* text, RecNetRowCallback callback, void* context) override {
        sql.push_back(text);
        if (fail) return 0;
        std::vector<std::string> cols = answer ? answer(text) : row;
        std::vector<char*> ptrs;
        for (std::string& c : cols) ptrs.push_back(c.data());
        std::vector<char*> names(cols.size(), nullptr);
        if (callback) callback(context, static_cast<int>(ptrs.size()), ptrs.data(), names.data());
        return 1;
    }
    int GetMonthDays(const char*, const char*, uint16_t, uint16_t, uint16_t, int,
                     uint8_t*) override {
        return 0;
    }
};

// A device that answers GetCounts with in = camera, out = 2 x camera, and records the calls.
class FakeDevice : public DevLink {
  public:
    struct Call {
        int camera;
        double from, to;
    };
    std::vector<Call> calls;
    int failCamera = 0;  // GetCounts of this camera answers 0

    int Connect(const char*, int, const char*, const char*, int) override { return 1; }
    int GetDeviceName(char*, int) override { return 0; }
    int GetCameraCount(int* count) override {
        *count = 0;
        return 1;
    }
    int GetCameraName(int, char*, int) override { return 0; }
    int GetCounts(int camera, double from, double to, int* in, int* out) override {
        calls.push_back({camera, from, to});
        if (camera == failCamera) {
            *in = 1000;
            *out = 1000;
            return 0;
        }
        *in = camera;
        *out = 2 * camera;
        return 1;
    }
};

using zl::testsupport::CountingProgress;
using zl::testsupport::ScriptedPrompt;

}  // namespace zl
