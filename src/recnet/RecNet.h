// The record-database component: a remote client (a recnetd server) and a local object (an
// SQLite file). Both hand each result row to a callback as column texts (NULL as a null
// pointer), once per row, in order, before Exec returns. Results are ints: non-zero success.
#pragma once

#include <cstdint>

namespace zl {

// Row callback: (context, column count, column texts, column names) -> 0 to go on.
using RecNetRowCallback = int (*)(void* context, int columnCount, char** columnTexts,
                                  char** columnNames);

class RecNetClient {
  public:
    virtual ~RecNetClient() = default;
    // timeOutMs: how long to wait for the channel to become ready.
    virtual int Connect(const char* ip, int port, int timeOutMs) = 0;
    virtual int Login(const char* user, const char* password) = 0;
    // After a Login that failed: 1 when the server answered and refused the user or password,
    // 0 when no answer came (nothing listening, not a record-database server, time-out).
    virtual int LoginRefused() const { return 1; }
    virtual int Close() = 0;
    virtual int IsConnected() = 0;
    virtual int OpenDatabase(const char* serverPath) = 0;
    virtual int Exec(const char* sql, RecNetRowCallback callback, void* context) = 0;
    // Server paths of the 2D and 3D people-counter databases; empty text = none.
    virtual int GetPeopleDbPaths(char* path2D, char* path3D, int capacity) = 0;
    // flags[i] = 1 when a record of table/timeColumn falls on the i-th day from y-m-d.
    virtual int GetMonthDays(const char* table, const char* timeColumn, uint16_t year,
                             uint16_t month, uint16_t day, int dayCount, uint8_t* flags) = 0;
    virtual int GetServerName(char* buffer, int capacity) = 0;
    virtual int GetDatabaseCount() = 0;
    virtual int GetDatabaseEntry(int index, int* counterType, char* path, int capacity) = 0;
};

class RecNetLocal {
  public:
    virtual ~RecNetLocal() = default;
    virtual int Open(const char* filePath) = 0;
    virtual int Exec(const char* sql, RecNetRowCallback callback, void* context) = 0;
    virtual int GetMonthDays(const char* table, const char* timeColumn, uint16_t year,
                             uint16_t month, uint16_t day, int dayCount, uint8_t* flags) = 0;
};

RecNetClient* CreateRecNetClient();
void DestroyRecNetClient(RecNetClient** handle);
RecNetLocal* CreateRecNetLocal();
void DestroyRecNetLocal(RecNetLocal** handle);

// Wrappers on a handle's address.
// How long every connect to a record-database server waits for the channel: a slow link must
// not fail the worker's own client or a queue re-pointing while other connects succeed.
constexpr int kRecNetConnectTimeOutMs = 30000;
// Creates the client when null (0 if that fails); answers 1 when already connected, else
// Connect(ip, port, kRecNetConnectTimeOutMs).
int RecNetConnect(RecNetClient** handle, const char* ip, int port);
// Close, then destroy (the handle becomes null).
void RecNetClose(RecNetClient** handle);
// 1 when the handle is or becomes non-null.
int RecNetCreateLocal(RecNetLocal** handle);

// For a process that reads several local databases at once and sets no SQLite heap limit:
// SQLite then keeps no count of its memory, a count behind one process-wide lock that every
// allocation of every connection takes. Call before the first database is opened; false when
// SQLite was already in use (nothing changes then).
bool RecNetUnmeteredSqliteMemory();

}  // namespace zl
