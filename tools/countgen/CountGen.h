// countgen: writes sample counting databases of the seven counter types under a root folder,
// with the file names, tables and columns the report viewer reads. The data follow opening
// hours, lunch and evening peaks and weekdays, and the same options and seed always give the
// same rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DbWriter.h"

namespace zl {

struct CountGenOptions {
    std::string root;
    std::vector<int> types = {1, 2, 3, 4, 5, 6, 7};
    int days = 30;
    int endYear = 0, endMonth = 0, endDay = 0;  // last day written; 0 = today
    int cameras = 4;                            // 1..64
    int intervalMinutes = 15;                   // 1..1440
    uint64_t seed = 1;
    bool index = false;  // add an index on each table's time column
    int regions = 4;     // access-counter regions and queues/counters, 1..10
    bool replace = false;
};

struct GeneratedFile {
    std::string path;
    int64_t rows = 0;
    double seconds = 0.0;
};

// One database file of a counter type: its path below the root (written with '\') and its
// table. Type 7 has three files: the queue lengths, the waiting events and the served events.
struct TypeFile {
    const char* relativePath;
    TableSpec table;
};
std::vector<TypeFile> FilesOfType(int type);

// Records per camera and day for the types that write one record per interval (1, 3, 4, 5, 6;
// type 7's queue-length file writes this many per queue). Types 2 and 7's event files write
// one row per person instead.
int SlotsPerDay(int type, int intervalMinutes);

// Checks the options; false with a one-line reason.
bool ValidateCountGenOptions(const CountGenOptions& options, std::string* error);

// Writes every file of the chosen types. Returns 1, or 0 with a one-line reason; files that
// were complete before a failure stay, a file being written when it fails is removed.
int GenerateDatabases(const CountGenOptions& options, std::vector<GeneratedFile>* files,
                      std::string* error);

}  // namespace zl
