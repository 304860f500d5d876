#include <sqlite3.h>

#include <new>

#include "recnet/LocalDatabase.h"
#include "recnet/RecNet.h"

namespace zl {

void DestroyRecNetClient(RecNetClient** handle) {
    if (!handle) return;
    delete *handle;
    *handle = nullptr;
}

RecNetLocal* CreateRecNetLocal() {
    return new (std::nothrow) zl::recnet::LocalDatabase();
}

void DestroyRecNetLocal(RecNetLocal** handle) {
    if (!handle) return;
    delete *handle;
    *handle = nullptr;
}

int RecNetConnect(RecNetClient** handle, const char* ip, int port) {
    if (!handle) return 0;
    if (!*handle) *handle = CreateRecNetClient();
    if (!*handle) return 0;
    if ((*handle)->IsConnected()) return 1;
    return (*handle)->Connect(ip, port, kRecNetConnectTimeOutMs);
}

void RecNetClose(RecNetClient** handle) {
    if (!handle || !*handle) return;
    (*handle)->Close();
    DestroyRecNetClient(handle);
}

int RecNetCreateLocal(RecNetLocal** handle) {
    if (!handle) return 0;
    if (!*handle) *handle = CreateRecNetLocal();
    return *handle ? 1 : 0;
}

bool RecNetUnmeteredSqliteMemory() {
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

}  // namespace zl
