#include "RecNetService.h"

#include <chrono>
#include <mutex>

#include "recnet/MonthDays.h"
#include "recnet/Wire.h"

namespace zl::recnetd {

namespace {

constexpr const char* kLoginRefused = "login refused";
constexpr const char* kSessionBusy = "session busy: it is running another call";
// A login waits at most this long for a password-check slot.
constexpr int kLoginWaitMs = 5000;
// How long one call may wait for its session while another call of it ends.
constexpr int kSessionGraceMs = 250;
// The longest password looked at. gRPC lets requests in up to the size of the largest bucket
// query; a login that large is no login.
constexpr size_t kMaxPasswordBytes = 64 * 1024;
constexpr size_t kBatchRows = 256;
constexpr size_t kBatchBytes = 256 * 1024;

// Sends rows in batches; the first message carries the column names.
class StreamSink : public RowSink {
  public:
    explicit StreamSink(grpc::ServerWriter<v1::ExecReply>* writer) : writer_(writer) {}

    void Begin(int columns, const char* const* names) override {
        for (int i = 0; i < columns; ++i) batch_.add_column_names(names[i] ? names[i] : "");
    }

    bool Row(int columns, const char* const* texts, const int* lengths) override {
        v1::Row* row = batch_.add_rows();
        for (int i = 0; i < columns; ++i) {
            v1::Cell* cell = row->add_cells();
            if (texts[i]) {
                cell->set_text(texts[i], static_cast<size_t>(lengths[i]));
            } else {
                cell->set_is_null(true);
            }
            bytes_ += static_cast<size_t>(lengths[i]) + 4;
        }
        if (static_cast<size_t>(batch_.rows_size()) >= kBatchRows || bytes_ >= kBatchBytes) {
            return Flush();
        }
        return true;
    }

    // Sends what is left (and the names when nothing was sent yet).
    bool Finish() { return (sent_ && batch_.rows_size() == 0) || Flush(); }

  private:
    bool Flush() {
        const bool ok = writer_->Write(batch_);
        batch_.Clear();
        bytes_ = 0;
        sent_ = true;
        return ok;
    }

    grpc::ServerWriter<v1::ExecReply>* writer_;
    v1::ExecReply batch_;
    size_t bytes_ = 0;
    bool sent_ = false;
};

class MarkSink : public RowSink {
  public:
    MarkSink(const zl::recnet::MonthDaysQuery& query, std::string* flags)
        : query_(query), flags_(flags) {}
    void Begin(int, const char* const*) override {}
    bool Row(int columns, const char* const* texts, const int*) override {
        if (columns < 1) return true;
        const int index = zl::recnet::DayIndexOfText(query_, texts[0]);
        if (index >= 0) (*flags_)[index] = 1;
        return true;
    }

  private:
    const zl::recnet::MonthDaysQuery& query_;
    std::string* flags_;
};

grpc::Status StatusOf(RunOutcome outcome, const std::string& message) {
    switch (outcome) {
        case RunOutcome::Ok:
            return grpc::Status::OK;
        case RunOutcome::Refused:
            return {grpc::StatusCode::PERMISSION_DENIED, "statement refused: " + message};
        case RunOutcome::TimedOut:
            return {grpc::StatusCode::DEADLINE_EXCEEDED, message};
        case RunOutcome::TooLarge:
            return {grpc::StatusCode::RESOURCE_EXHAUSTED, message};
        case RunOutcome::Cancelled:
            return {grpc::StatusCode::CANCELLED, message};
        case RunOutcome::Busy:
            return {grpc::StatusCode::UNAVAILABLE, "database busy: " + message};
        case RunOutcome::Failed:
            break;
    }
    return {grpc::StatusCode::INVALID_ARGUMENT, message};
}

const char* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Ok:
            return "ok";
        case RunOutcome::Refused:
            return "refused";
        case RunOutcome::TimedOut:
            return "timed out";
        case RunOutcome::TooLarge:
            return "too large";
        case RunOutcome::Cancelled:
            return "cancelled";
        case RunOutcome::Busy:
            return "busy";
        case RunOutcome::Failed:
            break;
    }
    return "failed";
}

}  // namespace

std::string PeerAddress(const std::string& peer) {
    std::string rest = peer;
    const auto scheme = rest.find(':');
    if (scheme != std::string::npos &&
        (rest.compare(0, 5, "ipv4:") == 0 || rest.compare(0, 5, "ipv6:") == 0)) {
        rest = rest.substr(scheme + 1);
    } else {
        return peer;
    }
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        return close == std::string::npos ? rest : rest.substr(1, close - 1);
    }
    const auto colon = rest.rfind(':');
    return colon == std::string::npos ? rest : rest.substr(0, colon);
}

RecNetService::RecNetService(ServiceParts parts) : parts_(std::move(parts)) {}

RecNetService::SessionCall::SessionCall(Session& session, SessionTable* table)
    : session_(session), table_(table), use_(session.use, std::try_to_lock) {
    if (use_.owns_lock()) return;
    // One call may wait a moment: a client that dropped a call and comes back at once finds
    // the session still finishing it. Every other call is refused at once.
    if (session.waiting.fetch_add(1) == 0)
        (void)use_.try_lock_for(std::chrono::milliseconds(kSessionGraceMs));
    session.waiting.fetch_sub(1);
}

RecNetService::SessionCall::~SessionCall() {
    if (use_.owns_lock()) table_->Touch(session_, SteadyNowMs());
}

grpc::Status RecNetService::SessionBusy(const Session& session, const char* what) {
    parts_.log->Limited(LogLevel::Warn, "session busy:" + session.user,
                        std::string(what) + " of '" + session.user +
                            "' refused: the session is running another call");
    return {grpc::StatusCode::RESOURCE_EXHAUSTED, kSessionBusy};
}

std::shared_ptr<Session> RecNetService::SessionOf(grpc::ServerContext* context,
                                                  grpc::Status* status) {
    const auto& metadata = context->client_metadata();
    const auto it = metadata.find(zl::recnet::kSessionMetadataKey);
    if (it == metadata.end()) {
        *status = {grpc::StatusCode::UNAUTHENTICATED, "no session: log in first"};
        return nullptr;
    }
    const std::string token(it->second.data(), it->second.size());
    auto session = parts_.sessions->Find(token, SteadyNowMs());
    if (!session) {
        *status = {grpc::StatusCode::UNAUTHENTICATED,
                   "the session is unknown or has expired: log in again"};
    }
    return session;
}

grpc::Status RecNetService::Login(grpc::ServerContext* context, const v1::LoginRequest* request,
                                  v1::LoginReply* reply) {
    const std::string address = PeerAddress(context->peer());
    const std::string& user = request->user();
    const bool validName = IsValidUserName(user);
    // A name that cannot be a user is never written to the log: it may be a password typed
    // into the wrong field.
    const std::string shownUser = validName ? "'" + user + "'" : "(invalid name)";
    const std::string name = validName ? user : std::string();
    if (request->password().size() > kMaxPasswordBytes || user.size() > kMaxPasswordBytes) {
        parts_.log->Limited(LogLevel::Warn, "login too large:" + address,
                            "login from " + address + " refused: the request is too large");
        return {grpc::StatusCode::RESOURCE_EXHAUSTED, "request too large"};
    }
    // The attempt counts from here on, before it waits for a check.
    const int64_t wait = parts_.guard->Begin(name, address, SteadyNowMs());
    if (wait > 0) {
        parts_.log->Limited(LogLevel::Warn, "locked out:" + address,
                            "login refused: " + shownUser + " from " + address +
                                " is locked out for " + std::to_string(wait) +
                                " ms after repeated failures");
        return {grpc::StatusCode::UNAUTHENTICATED, kLoginRefused};
    }
    LoginGuard::Outcome outcome = LoginGuard::Outcome::NotChecked;
    struct EndAttempt {
        LoginGuard* guard;
        const std::string& name;
        const std::string& address;
        const LoginGuard::Outcome& outcome;
        ~EndAttempt() { guard->End(name, address, outcome, SteadyNowMs()); }
    } endAttempt{parts_.guard, name, address, outcome};

    Gate::Pass pass(*parts_.logins, kLoginWaitMs, address);
    if (pass.result() != Gate::Result::Entered) {
        parts_.log->Limited(LogLevel::Warn, "login busy:" + address,
                            "login from " + address + " turned away (" +
                                GateResultName(pass.result()) + "): too many logins at once");
        return {grpc::StatusCode::RESOURCE_EXHAUSTED, "server busy, try again"};
    }
    parts_.users->ReloadIfChanged();
    bool known = false;
    const bool ok = parts_.users->Verify(name, request->password(), &known);
    // Only a known name is logged: an unknown one may be a password typed into that field.
    parts_.log->Debug("password checked: " + (known ? shownUser : std::string("unknown user")) +
                      " from " + address + (ok ? " (right)" : " (wrong)"));
    if (!ok) {
        outcome = LoginGuard::Outcome::Failed;
        parts_.log->Limited(LogLevel::Warn, "login failed:" + address,
                            "login refused: " + (known ? shownUser : std::string("unknown user")) +
                                " from " + address);
        return {grpc::StatusCode::UNAUTHENTICATED, kLoginRefused};
    }
    outcome = LoginGuard::Outcome::Succeeded;
    SessionTable::CreateResult created = SessionTable::CreateResult::Created;
    const std::string token = parts_.sessions->Create(user, SteadyNowMs(), &created);
    if (token.empty()) {
        const bool userFull = created == SessionTable::CreateResult::UserFull;
        parts_.log->Limited(LogLevel::Warn, "sessions full:" + user,
                            "login of " + shownUser + " from " + address + " turned away: " +
                                (userFull ? "the user holds the most sessions one user may"
                                          : "session table full"));
        return {grpc::StatusCode::RESOURCE_EXHAUSTED,
                userFull ? "too many sessions of this user" : "too many sessions"};
    }
    reply->set_session_token(token);
    reply->set_idle_timeout_ms(
        static_cast<uint32_t>(std::min<int64_t>(parts_.sessions->IdleMs(), UINT32_MAX)));
    parts_.log->Info("login: " + shownUser + " from " + address);
    return grpc::Status::OK;
}

grpc::Status RecNetService::Logout(grpc::ServerContext* context, const v1::LogoutRequest*,
                                   v1::LogoutReply*) {
    const auto& metadata = context->client_metadata();
    const auto it = metadata.find(zl::recnet::kSessionMetadataKey);
    if (it != metadata.end()) {
        parts_.sessions->Remove(std::string(it->second.data(), it->second.size()));
    }
    return grpc::Status::OK;
}

grpc::Status RecNetService::GetServerName(grpc::ServerContext* context,
                                          const v1::GetServerNameRequest*,
                                          v1::GetServerNameReply* reply) {
    grpc::Status status;
    if (!SessionOf(context, &status)) return status;
    reply->set_name(parts_.serverName);
    return grpc::Status::OK;
}

grpc::Status RecNetService::OpenDatabase(grpc::ServerContext* context,
                                         const v1::OpenDatabaseRequest* request,
                                         v1::OpenDatabaseReply*) {
    grpc::Status status;
    auto session = SessionOf(context, &status);
    if (!session) return status;
    ServedDatabase served;
    std::string reason;
    if (!parts_.catalog->Resolve(request->path(), &served, &reason)) {
        parts_.log->Warn("open refused for '" + session->user + "': " + LogText(request->path()) +
                         " (" + reason + ")");
        return {grpc::StatusCode::PERMISSION_DENIED, "database not served: " + reason};
    }
    SessionCall call(*session, parts_.sessions);
    if (!call.Taken()) return SessionBusy(*session, "open");
    std::string error;
    auto database = GuardedDatabase::Open(served.realPath, parts_.config->limits, &error);
    if (!database) {
        parts_.log->Warn("cannot open " + served.path + ": " + error);
        session->database.reset();
        return {grpc::StatusCode::UNAVAILABLE, "cannot open the database: " + error};
    }
    session->database = std::move(database);
    session->served = served;
    parts_.log->Debug("'" + session->user + "' opened " + served.path);
    return grpc::Status::OK;
}

grpc::Status RecNetService::EnsureDatabase(Session& session) {
    if (!session.database) {
        return {grpc::StatusCode::FAILED_PRECONDITION, "no database open"};
    }
    if (session.database->StillSameFile()) return grpc::Status::OK;
    // The file went away or was replaced: reopen it when it is still served.
    session.database.reset();
    ServedDatabase served;
    std::string reason;
    std::string error;
    if (parts_.catalog->Resolve(session.served.path, &served, &reason)) {
        session.database = GuardedDatabase::Open(served.realPath, parts_.config->limits, &error);
    }
    if (!session.database) {
        parts_.log->Warn("database no longer available: " + session.served.path);
        return {grpc::StatusCode::NOT_FOUND, "the database is no longer available"};
    }
    session.served = served;
    return grpc::Status::OK;
}

grpc::Status RecNetService::RunGuarded(grpc::ServerContext* context, Session& session,
                                       const std::string& sql, RowSink* sink, const char* what) {
    grpc::Status status = EnsureDatabase(session);
    if (!status.ok()) return status;
    const Limits& limits = parts_.config->limits;
    Gate::Pass pass(*parts_.statements, limits.queueWaitMs, session.user);
    if (pass.result() != Gate::Result::Entered) {
        const bool mine = pass.result() == Gate::Result::KeyFull;
        parts_.log->Limited(LogLevel::Warn, "statements:" + session.user,
                            std::string(what) + " of '" + session.user + "' turned away (" +
                                GateResultName(pass.result()) + ")");
        return {grpc::StatusCode::RESOURCE_EXHAUSTED,
                mine ? "server busy: too many statements of this user"
                     : "server busy: too many statements running"};
    }
    const std::atomic<bool>* stopping = parts_.stopping;
    const std::function<bool()> cancelled = [context, stopping] {
        return stopping->load() || context->IsCancelled();
    };
    std::string message;
    const auto started = SteadyNowMs();
    const RunOutcome outcome = session.database->Run(sql, sink, cancelled, &message);
    const auto took = SteadyNowMs() - started;
    if (outcome == RunOutcome::Ok) {
        if (parts_.log->Enabled(LogLevel::Debug)) {
            parts_.log->Debug(std::string(what) + " of '" + session.user + "' (" +
                              std::to_string(took) + " ms): " + LogText(sql));
        }
    } else {
        const LogLevel level = outcome == RunOutcome::Failed || outcome == RunOutcome::Cancelled
                                   ? LogLevel::Info
                                   : LogLevel::Warn;
        parts_.log->Write(level, std::string(what) + " of '" + session.user + "' " +
                                     OutcomeName(outcome) + " after " + std::to_string(took) +
                                     " ms (" + LogText(message) + "): " + LogText(sql));
    }
    return StatusOf(outcome, message);
}

grpc::Status RecNetService::Exec(grpc::ServerContext* context, const v1::ExecRequest* request,
                                 grpc::ServerWriter<v1::ExecReply>* writer) {
    grpc::Status status;
    auto session = SessionOf(context, &status);
    if (!session) return status;
    if (request->sql().size() > static_cast<size_t>(parts_.config->limits.maxSqlBytes)) {
        return {grpc::StatusCode::RESOURCE_EXHAUSTED,
                "statement longer than " + std::to_string(parts_.config->limits.maxSqlBytes) +
                    " bytes"};
    }
    SessionCall call(*session, parts_.sessions);
    if (!call.Taken()) return SessionBusy(*session, "statement");
    StreamSink sink(writer);
    status = RunGuarded(context, *session, request->sql(), &sink, "statement");
    if (status.ok() && !sink.Finish()) return {grpc::StatusCode::CANCELLED, "client went away"};
    return status;
}

grpc::Status RecNetService::GetPeopleDbPaths(grpc::ServerContext* context,
                                             const v1::GetPeopleDbPathsRequest*,
                                             v1::GetPeopleDbPathsReply* reply) {
    grpc::Status status;
    if (!SessionOf(context, &status)) return status;
    std::string path2D, path3D;
    parts_.catalog->PeoplePaths(&path2D, &path3D);
    reply->set_path_2d(path2D);
    reply->set_path_3d(path3D);
    return grpc::Status::OK;
}

grpc::Status RecNetService::GetMonthDays(grpc::ServerContext* context,
                                         const v1::GetMonthDaysRequest* request,
                                         v1::GetMonthDaysReply* reply) {
    grpc::Status status;
    auto session = SessionOf(context, &status);
    if (!session) return status;
    zl::recnet::MonthDaysQuery query;
    if (request->year() > 9999 || request->month() > 12 || request->day() > 31 ||
        request->day_count() > static_cast<uint32_t>(zl::recnet::kMaxMonthDays) ||
        !zl::recnet::BuildMonthDaysQuery(
            request->table(), request->time_column(), static_cast<int>(request->year()),
            static_cast<int>(request->month()), static_cast<int>(request->day()),
            static_cast<int>(request->day_count()), &query)) {
        return {grpc::StatusCode::INVALID_ARGUMENT, "invalid date, day count, table or column"};
    }
    SessionCall call(*session, parts_.sessions);
    if (!call.Taken()) return SessionBusy(*session, "day marks");
    std::string flags(static_cast<size_t>(query.dayCount), '\0');
    MarkSink sink(query, &flags);
    status = RunGuarded(context, *session, query.sql, &sink, "day marks");
    if (status.ok()) reply->set_flags(flags);
    return status;
}

grpc::Status RecNetService::ListDatabases(grpc::ServerContext* context,
                                          const v1::ListDatabasesRequest*,
                                          v1::ListDatabasesReply* reply) {
    grpc::Status status;
    if (!SessionOf(context, &status)) return status;
    for (const ServedDatabase& database : parts_.catalog->List()) {
        v1::DatabaseEntry* entry = reply->add_entries();
        entry->set_counter_type(database.counterType);
        entry->set_path(database.path);
    }
    return grpc::Status::OK;
}

}  // namespace zl::recnetd
