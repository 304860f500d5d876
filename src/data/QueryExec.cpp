#include "data/QueryExec.h"

#include <climits>
#include <cstdlib>
#include <functional>

#include "recnet/RecNet.h"
#include "store/IString.h"
#include "store/SiteRecord.h"
#include "store/StringIds.h"

namespace zl {

namespace {

constexpr int kSilentAttempts = 3;

int CollectRow(void* context, int columnCount, char** columnTexts, char** /*columnNames*/) {
    auto* rows = static_cast<std::vector<SqlRow>*>(context);
    SqlRow row(columnCount > 0 ? columnCount : 0);
    for (int i = 0; i < columnCount; ++i)
        row[i] = SqlColumnToInt(columnTexts ? columnTexts[i] : nullptr);
    rows->push_back(std::move(row));
    return 0;
}

}  // namespace

RecNetClient* FamilyClient(const SiteRecord& site, QueryFamily family) {
    switch (family) {
        case kFamily2D:
            return site.client2D;
        case kFamily3D:
            return site.client3D;
        case kFamilyGeneric:
            break;
    }
    return site.clientOther;
}

// A client whose server no longer answers is connected and logged in again, and the site's
// database reopened, before the query.
bool EnsureSession(RecNetClient* client, const SiteRecord& site) {
    char name[260] = {};
    if (client->GetServerName(name, sizeof name) != 0) return true;
    client->Close();
    if (client->Connect(site.ipAddress.c_str(), std::atoi(site.port.c_str()),
                        kRecNetConnectTimeOutMs) == 0)
        return false;
    if (client->Login(site.userName.c_str(), site.password.c_str()) == 0) {
        client->Close();
        return false;
    }
    return client->OpenDatabase(site.localDB.c_str()) != 0;
}

int SqlColumnToInt(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    const long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int ExecuteOnce(const SiteRecord& site, QueryFamily family, const std::string& sql,
                std::vector<SqlRow>& rows) {
    rows.clear();
    if (RecNetClient* client = FamilyClient(site, family)) {
        if (!EnsureSession(client, site)) return 0;
        if (client->Exec(sql.c_str(), CollectRow, &rows) == 0) {
            rows.clear();
            return 0;
        }
        return 1;
    }
    if (site.localDb != nullptr) {
        if (site.localDb->Exec(sql.c_str(), CollectRow, &rows) == 0) {
            rows.clear();
            return 0;
        }
        return 1;
    }
    return 1;  // no handle: nothing to ask, no rows
}

int RetryAttempts(const SiteRecord& site, const QueryHooks& hooks,
                  const std::function<int()>& attempt) {
    for (int i = 0;; ++i) {
        const int result = attempt();
        if (result != 0) return result;
        if (hooks.progress && hooks.progress->Aborted()) return 0;
        if (i < kSilentAttempts) continue;
        const bool again = hooks.prompt != nullptr &&
                           hooks.prompt->AskRetry(IString::Instance()->LoadStringA(kStrAppCaption),
                                                  FailureMessage(site));
        if (!again) {
            if (hooks.progress) hooks.progress->Abort();
            return 0;
        }
    }
}

int ExecuteWithRetry(const SiteRecord& site, QueryFamily family, const std::string& sql,
                     std::vector<SqlRow>& rows, const QueryHooks& hooks) {
    if (hooks.lastSql) *hooks.lastSql = sql;
    return RetryAttempts(site, hooks, [&] { return ExecuteOnce(site, family, sql, rows); });
}

std::string FailureMessage(const SiteRecord& site) {
    std::string address;
    if (site.client3D || site.client2D || site.clientOther)
        address = site.ipAddress;
    else if (site.localDb)
        address = site.localDB;
    else
        return std::string();
    IString* strings = IString::Instance();
    return address + " " + strings->LoadStringA(kStrConnectFailed) + " " +
           strings->LoadStringA(kStrRetryQuestion);
}

int ConnectOwnClient(RecNetClient** handle, const SiteRecord& site) {
    *handle = nullptr;  // the copy's pointer belongs to the site list
    if (RecNetConnect(handle, site.ipAddress.c_str(), std::atoi(site.port.c_str())) == 0) return 0;
    if ((*handle)->Login(site.userName.c_str(), site.password.c_str()) == 0) return 0;
    return (*handle)->OpenDatabase(site.localDB.c_str()) != 0 ? 1 : 0;
}

void ReleaseOwnClient(RecNetClient** handle) {
    if (*handle != nullptr) RecNetClose(handle);
}

}  // namespace zl
