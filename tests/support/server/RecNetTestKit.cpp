#include "RecNetTestKit.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "UserStore.h"
#include "recnet/RemoteClient.h"

namespace zl {

// TempCacheHome.cpp: the per-user cache folder of a test program is a temporary one.
void UseTempCacheHome();

namespace testkit {

namespace {

void MakeFolders(const std::string& path) {
    for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos) {
        ::mkdir(path.substr(0, pos).c_str(), 0755);
    }
}

struct Kind {
    const char* table;
    const char* timeColumn;
    std::vector<std::string> valueColumns;
};

Kind KindOf(int kind) {
    switch (kind) {
        case 1:
            return {"Records", "EnterTime", {"Inward", "Outward"}};
        case 2:
            return {"_3DRecords", "Time", {"InOut", "Height"}};
        case 3: {
            std::vector<std::string> counts;
            for (int i = 1; i <= 10; ++i) counts.push_back("Count" + std::to_string(i));
            return {"records", "StartTime", counts};
        }
        case 4:
            return {"records", "StartTime", {"AverageCount"}};
        case 5:
            return {"records", "CountingTime", {"Line1_In", "Line1_Out", "Line2_In", "Line2_Out"}};
        case 6:
            return {"records",
                    "EnterTime",
                    {"LargeIn", "LargeOut", "MediumIn", "MediumOut", "SmallIn", "SmallOut",
                     "PedestrianIn", "PedestrianOut"}};
        case 7:
            return {"records", "StartTime", {"AverageCount", "Queue"}};
        case kQueueWaitingKind:
            return {"records", "StartTime", {"WaitingTime", "Queue"}};
        case kQueueServedKind:
            return {"records", "StartTime", {"ServedTime", "Counter"}};
        default:
            return {"", "", {}};
    }
}

// A value literal for column c of a row; deterministic, some NULLs.
std::string ValueOf(int kind, size_t c, int day, int hour, int camera) {
    const int base = (day * 7 + hour * 3 + camera * 5 + static_cast<int>(c) * 11) % 23;
    if (hour == 12 && camera == 2 && c == 0) return "NULL";
    switch (kind) {
        case 2:
            return c == 0 ? std::to_string(1 + (base % 2)) : std::to_string(150 + base * 2);
        case 4:
        case 7:
            if (c == 0) return std::to_string(base) + "." + std::to_string(hour % 10);
            return std::to_string(1 + base % 3);
        case kQueueWaitingKind:
        case kQueueServedKind: {
            if (c == 1) return std::to_string(1 + base % 3);
            char text[32];
            std::snprintf(text, sizeof text, "'00:%02d:%02d'", base % 5, (base * 7) % 60);
            return text;
        }
        default:
            return std::to_string(base);
    }
}

}  // namespace

TempDir::TempDir() {
    UseTempCacheHome();
}

std::string SampleRelativePath(int kind) {
    static const char* const kPaths[] = {"PeopleCounterData/PeopleCounter.db",
                                         "PeopleCounterData/3DPeopleCounter.db",
                                         "AccessCounterData/AccessCounter.db",
                                         "ZoneCounterData/ZoneCounter.db",
                                         "FlowCountData/FlowCount.db",
                                         "TrafficCounterData/TrafficCounter.db",
                                         "QueueLengthData/QueueLengthMonitoring.db",
                                         "QueueLengthData/QueueLengthMonitoringWaiting.db",
                                         "QueueLengthData/QueueLengthMonitoringServed.db"};
    return kind >= 1 && kind <= 9 ? kPaths[kind - 1] : "";
}

std::string SampleTable(int kind) {
    return KindOf(kind).table;
}
std::string SampleTimeColumn(int kind) {
    return KindOf(kind).timeColumn;
}

bool ExecWritable(const std::string& path, const std::string& sql, std::string* error) {
    MakeFolders(path);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return false;
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error) *error = message ? message : "error";
    sqlite3_free(message);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

bool WriteSampleDatabase(const std::string& path, int kind, std::string* error) {
    const Kind k = KindOf(kind);
    if (!k.table[0]) return false;
    std::ostringstream sql;
    sql << "BEGIN; CREATE TABLE " << k.table << " (ID INTEGER PRIMARY KEY, Camera INTEGER, "
        << k.timeColumn << " TEXT";
    for (const std::string& column : k.valueColumns) {
        sql << ", " << column
            << (kind == kQueueWaitingKind || kind == kQueueServedKind
                    ? (column.find("Time") != std::string::npos ? " TEXT" : " INTEGER")
                    : " INTEGER");
    }
    sql << ");\n";
    // 2024-02-26 .. 2024-03-10 without 2024-03-04.
    const int days[][2] = {{2, 26}, {2, 27}, {2, 28}, {2, 29}, {3, 1}, {3, 2}, {3, 3},
                           {3, 5},  {3, 6},  {3, 7},  {3, 8},  {3, 9}, {3, 10}};
    int dayIndex = 0;
    for (const auto& day : days) {
        ++dayIndex;
        for (int hour = 8; hour <= 19; ++hour) {
            for (int camera = 1; camera <= 2; ++camera) {
                char time[32];
                std::snprintf(time, sizeof time, "2024-%02d-%02d %02d:%02d:00", day[0], day[1],
                              hour, (camera * 13) % 60);
                sql << "INSERT INTO " << k.table << " (Camera, " << k.timeColumn;
                for (const std::string& column : k.valueColumns) sql << ", " << column;
                sql << ") VALUES (" << camera << ", '" << time << "'";
                for (size_t c = 0; c < k.valueColumns.size(); ++c) {
                    sql << ", " << ValueOf(kind, c, dayIndex, hour, camera);
                }
                sql << ");\n";
            }
        }
    }
    sql << "COMMIT;";
    return ExecWritable(path, sql.str(), error);
}

void WriteSampleRoot(const std::string& root) {
    for (int kind = 1; kind <= 9; ++kind) {
        WriteSampleDatabase(root + "/" + SampleRelativePath(kind), kind);
    }
}

std::string Sha256OfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "missing";
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        crypto_hash_sha256_update(&state, reinterpret_cast<unsigned char*>(buffer),
                                  static_cast<unsigned long long>(in.gcount()));
    }
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    char hex[sizeof digest * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::map<std::string, std::string> Fingerprint(const std::string& root) {
    std::map<std::string, std::string> out;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        DIR* dir = ::opendir((root + "/" + relative).c_str());
        if (!dir) continue;
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const std::string rel = relative.empty() ? name : relative + "/" + name;
            const std::string full = root + "/" + rel;
            struct stat st {};
            if (::lstat(full.c_str(), &st) != 0) continue;
            if (S_ISLNK(st.st_mode)) {
                char target[4096] = {};
                const ssize_t n = ::readlink(full.c_str(), target, sizeof target - 1);
                out[rel] = "link:" + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
            } else if (S_ISDIR(st.st_mode)) {
                out[rel] = "dir";
                pending.push_back(rel);
            } else {
                out[rel] = Sha256OfFile(full);
            }
        }
        ::closedir(dir);
    }
    return out;
}

int CollectRows(void* context, int columns, char** texts, char** names) {
    auto* rows = static_cast<Rows*>(context);
    std::vector<std::optional<std::string>> row;
    for (int i = 0; i < columns; ++i) {
        row.push_back(texts[i] ? std::optional<std::string>(texts[i]) : std::nullopt);
    }
    rows->rows.push_back(std::move(row));
    if (rows->names.empty()) {
        for (int i = 0; i < columns; ++i) rows->names.push_back(names && names[i] ? names[i] : "");
    }
    return 0;
}

std::string Describe(const Rows& rows) {
    std::ostringstream out;
    out << rows.rows.size() << " rows [";
    for (const std::string& name : rows.names) out << name << ",";
    out << "]";
    for (size_t i = 0; i < rows.rows.size() && i < 5; ++i) {
        out << " (";
        for (const auto& cell : rows.rows[i]) out << (cell ? *cell : "NULL") << ",";
        out << ")";
    }
    return out.str();
}

namespace {

// One hash for the whole test run: argon2id is slow on purpose.
const std::string& UsersFileText() {
    static const std::string text = [] {
        if (sodium_init() < 0) return std::string();
        return std::string(TestServer::kUser) + ":" + recnetd::HashPassword(TestServer::kPassword) +
               "\n";
    }();
    return text;
}

}  // namespace

TestServer::TestServer(std::vector<std::string> roots) {
    config_.address = "127.0.0.1";
    config_.port = 0;
    config_.serverName = "test-server";
    config_.dataRoots = std::move(roots);
    config_.usersFile = dir_ / "recnetd.users";
    config_.logLevel = recnetd::LogLevel::Debug;
    std::ofstream(config_.usersFile) << UsersFileText();
    ::chmod(config_.usersFile.c_str(), 0600);
}

TestServer::~TestServer() {
    Stop();
}

bool TestServer::Start() {
    server_ = std::make_unique<recnetd::RecNetServer>(config_, [this](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex_);
        log_.push_back(line);
    });
    std::string error;
    if (!server_->Start(&error)) {
        ADD_FAILURE() << "recnetd did not start: " << error;
        server_.reset();
        return false;
    }
    port_ = server_->Port();
    return true;
}

void TestServer::Stop() {
    if (server_) server_->Stop();
    server_.reset();
}

std::vector<std::string> TestServer::LogLines() const {
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
}

bool WriteSelfSignedCertificate(const std::string& folder, std::string* cert, std::string* key,
                                std::string* pem) {
    if (std::system("command -v openssl >/dev/null 2>&1") != 0) return false;
    *cert = folder + "/cert.pem";
    *key = folder + "/key.pem";
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost "
        "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
        *key + "' -out '" + *cert + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    std::ifstream in(*cert);
    std::stringstream text;
    text << in.rdbuf();
    *pem = text.str();
    return !pem->empty();
}

RecNetClient* TestServer::NewClient(bool login) const {
    RecNetClient* client = CreateRecNetClient();
    if (!client) return nullptr;
    const bool connected = client->Connect("127.0.0.1", port_, 30000) == 1;
    if (!connected || (login && !client->Login(kUser, kPassword))) {
        // Every caller expects a client: say why there is none.
        ADD_FAILURE() << (connected ? "login" : "connect") << " to the test server failed: "
                      << static_cast<recnet::RemoteClient*>(client)->LastError();
        DestroyRecNetClient(&client);
    }
    return client;
}

}  // namespace testkit

}  // namespace zl
