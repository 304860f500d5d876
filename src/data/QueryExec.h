// Running one report SQL text on a site: which handle runs it, the reconnection before each
// query on a server client, and the retry rule that ends in a question to the user.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/QueryHooks.h"

namespace zl {

struct SiteRecord;
class RecNetClient;

// Which of the site's clients a query family uses (else the site's local object).
enum QueryFamily { kFamily2D = 0, kFamily3D = 1, kFamilyGeneric = 2 };

// One result row: every column text read as an int (NULL or empty = 0; a number is read up
// to its first non-digit, as atoi does).
using SqlRow = std::vector<int>;

int SqlColumnToInt(const char* text);

// The site's client of the family (client2D, client3D, clientOther); null when it has none.
RecNetClient* FamilyClient(const SiteRecord& site, QueryFamily family);

// One attempt. With the family's client (client2D, client3D, clientOther): when the client no
// longer answers its server name, Close, Connect(ipAddress, port, 30000), Login(userName,
// password) (refused: Close and fail) and OpenDatabase(localDB); then Exec. Else the site's
// localDb runs Exec. With neither handle the query counts as done with no rows. `rows`
// receives the rows of this attempt only. 1 = ran, 0 = failed.
int ExecuteOnce(const SiteRecord& site, QueryFamily family, const std::string& sql,
                std::vector<SqlRow>& rows);

// The reconnection rule of ExecuteOnce alone: true when the client's session answers, or was
// made again (Close, Connect, Login, OpenDatabase).
bool EnsureSession(RecNetClient* client, const SiteRecord& site);

// Three silent attempts; then one more attempt at a time, and after each failure the question
// (caption string 0, text FailureMessage). Yes tries again; No (or no prompt) aborts the
// progress and answers 0. 1 = the query ran; `rows` holds the rows of the attempt that ran.
int ExecuteWithRetry(const SiteRecord& site, QueryFamily family, const std::string& sql,
                     std::vector<SqlRow>& rows, const QueryHooks& hooks);

// The same attempts and questions around any attempt: 1 = done, 0 = failed (tried again),
// anything else is answered at once. A failure once the progress is aborted answers 0 without
// a question.
int RetryAttempts(const SiteRecord& site, const QueryHooks& hooks,
                  const std::function<int()>& attempt);

// "%s %s %s" of the site's address, language string 110 and language string 401. The address
// is ipAddress when any client handle is set, else localDB when localDb is set; with no
// handle the message is empty.
std::string FailureMessage(const SiteRecord& site);

// A client of the caller's own for a copy of a site record: *handle (a pointer the copy shares
// with the site list, not owned) is replaced by a new client, connected to ipAddress:port
// (kRecNetConnectTimeOutMs), logged in and with localDB opened. Answers 1 when all three steps
// succeeded; a step that fails skips the rest. *handle may be non-null either way: release it with
// ReleaseOwnClient.
int ConnectOwnClient(RecNetClient** handle, const SiteRecord& site);
// Close and destroy a client made by ConnectOwnClient; the handle becomes null.
void ReleaseOwnClient(RecNetClient** handle);

}  // namespace zl
