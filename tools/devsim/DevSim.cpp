#include "DevSim.h"

#include <httplib.h>
#include <sqlite3.h>
#include <strings.h>

#include <chrono>
#include <climits>
#include <mutex>
#include <thread>

#include "devlink/DeviceProtocol.h"
#include "recnet/SqliteStatement.h"

namespace zl {

namespace {

constexpr int kMaxCameras = 64;
constexpr const char* kSumSql =
    "SELECT SUM(Inward), SUM(Outward) FROM Records "
    "WHERE Camera = ?1 AND EnterTime BETWEEN ?2 AND ?3;";

std::string Base64(const std::string& in) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8) | uint8_t(in[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == in.size()) {
        const uint32_t v = uint8_t(in[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == in.size()) {
        const uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

// Compares in time that depends only on the expected text's length.
bool SameText(const std::string& got, const std::string& expected) {
    unsigned diff = got.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i)
        diff |= uint8_t(expected[i]) ^ uint8_t(i < got.size() ? got[i] : 0);
    return diff == 0;
}

void SendJson(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, "application/json");
}

std::string SqliteError(sqlite3* db) {
    return db ? sqlite3_errmsg(db) : "out of memory";
}

}  // namespace

struct DevSim::Impl {
    DevSimConfig config;
    std::string expectedToken;  // base64 of "user:password"
    sqlite3* db = nullptr;
    zl::recnet::Statement sum;  // kSumSql, bound anew for every request
    std::mutex dbMutex;
    int cameraCount = 0;
    int port = 0;
    httplib::Server server;
    std::thread thread;

    ~Impl() { Close(); }

    void Close() {
        if (thread.joinable()) {
            server.stop();
            thread.join();
        }
        sum = zl::recnet::Statement();  // finalized before its connection closes
        sqlite3_close(db);
        db = nullptr;
    }

    bool OpenDatabase(std::string* error);
    bool Authorised(const httplib::Request& req) const;
    void Routes();
    void HandleCounts(const httplib::Request& req, httplib::Response& res);
    int CameraOf(const httplib::Request& req) const;
};

bool DevSim::Impl::OpenDatabase(std::string* error) {
    const int rc = sqlite3_open_v2(config.dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        *error = "cannot open " + config.dbPath + ": " + SqliteError(db);
        return false;
    }
    sqlite3_busy_timeout(db, 2000);  // a device may be writing to the file
    sqlite3_exec(db, "PRAGMA query_only=1;", nullptr, nullptr, nullptr);
    sum = zl::recnet::Statement(db, kSumSql);
    if (sum.Code() != SQLITE_OK) {
        *error = config.dbPath + " is not a 2D people-counter database (" + SqliteError(db) + ")";
        return false;
    }
    cameraCount = config.cameraCount;
    if (cameraCount == 0) {
        zl::recnet::Statement cameras(db,
                                      "SELECT MAX(Camera) FROM Records WHERE typeof(Camera) = "
                                      "'integer' AND Camera BETWEEN 1 AND 64;");
        if (cameras.Code() != SQLITE_OK || cameras.Step() != SQLITE_ROW) {
            *error = "cannot read the cameras of " + config.dbPath + ": " + SqliteError(db);
            return false;
        }
        cameraCount = static_cast<int>(cameras.Int64(0));
    }
    return true;
}

bool DevSim::Impl::Authorised(const httplib::Request& req) const {
    const std::string header = req.get_header_value("Authorization");
    // The scheme name is case-insensitive; the token is compared exactly.
    if (header.size() < 6 || strncasecmp(header.c_str(), "Basic ", 6) != 0) return false;
    return SameText(header.substr(6), expectedToken);
}

int DevSim::Impl::CameraOf(const httplib::Request& req) const {
    if (req.matches.size() < 2) return 0;
    const std::string digits = req.matches[1];
    if (digits.empty() || digits.size() > 5) return 0;
    const int camera = std::stoi(digits);
    return camera >= 1 && camera <= cameraCount ? camera : 0;
}

void DevSim::Impl::HandleCounts(const httplib::Request& req, httplib::Response& res) {
    const int camera = CameraOf(req);
    if (!camera) return SendJson(res, 404, devproto::ErrorJson("no such camera"));
    const std::string fromWire = req.get_param_value("from");
    const std::string toWire = req.get_param_value("to");
    const std::string from = devproto::WireTimeToSql(fromWire);
    const std::string to = devproto::WireTimeToSql(toWire);
    if (from.empty() || to.empty())
        return SendJson(res, 400,
                        devproto::ErrorJson("from and to must be YYYY-MM-DDThh:mm:ss times"));

    sqlite3_int64 in = 0, out = 0;
    {
        std::lock_guard<std::mutex> lock(dbMutex);
        sum.Reset();
        sum.Bind(1, camera);
        sum.Bind(2, from);
        sum.Bind(3, to);
        if (sum.Step() != SQLITE_ROW) {
            const std::string message = SqliteError(db);
            sum.Reset();
            return SendJson(res, 503, devproto::ErrorJson("database: " + message));
        }
        // NULL sums (no records in the range) are 0.
        in = sum.Int64(0);
        out = sum.Int64(1);
        sum.Reset();
    }
    if (in < 0 || out < 0 || in > INT_MAX || out > INT_MAX)
        return SendJson(res, 500, devproto::ErrorJson("counts out of range"));
    devproto::CountsInfo counts{camera, static_cast<int>(in), static_cast<int>(out)};
    SendJson(res, 200, devproto::CountsJson(counts, fromWire, toWire));
}

void DevSim::Impl::Routes() {
    // Short: stopping waits for connections idling in keep-alive.
    server.set_keep_alive_timeout(1);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    server.set_payload_max_length(4096);
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (Authorised(req)) return httplib::Server::HandlerResponse::Unhandled;
        res.set_header("WWW-Authenticate", "Basic realm=\"device\", charset=\"UTF-8\"");
        SendJson(res, 401, devproto::ErrorJson("authentication required"));
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get(devproto::kDevicePath, [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, devproto::DeviceInfoJson({config.name, cameraCount}));
    });
    server.Get(R"(/api/v1/cameras/(\d+))",
               [this](const httplib::Request& req, httplib::Response& res) {
                   const int camera = CameraOf(req);
                   if (!camera) return SendJson(res, 404, devproto::ErrorJson("no such camera"));
                   devproto::CameraInfo info{camera, false, {}};
                   const auto it = config.cameraNames.find(camera);
                   if (it != config.cameraNames.end()) {
                       info.hasName = true;
                       info.name = it->second;
                   }
                   SendJson(res, 200, devproto::CameraInfoJson(info));
               });
    server.Get(
        R"(/api/v1/cameras/(\d+)/counts)",
        [this](const httplib::Request& req, httplib::Response& res) { HandleCounts(req, res); });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            res.set_content(devproto::ErrorJson(res.status == 404 ? "not found" : "bad request"),
                            "application/json");
    });
}

DevSim::DevSim() = default;
DevSim::~DevSim() {
    Stop();
}

int DevSim::Start(const DevSimConfig& config, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    Stop();
    if (config.dbPath.empty()) return *error = "no database file given", 0;
    if (config.user.empty()) return *error = "no user name given", 0;
    if (config.user.find(':') != std::string::npos)
        return *error = "the user name cannot contain ':'", 0;
    if (config.port < 0 || config.port > 65535) return *error = "port out of range", 0;
    if (config.cameraCount < 0 || config.cameraCount > kMaxCameras)
        return *error = "camera count must be 0 to 64", 0;

    auto impl = std::make_unique<Impl>();
    impl->config = config;
    impl->expectedToken = Base64(config.user + ":" + config.password);
    if (!impl->OpenDatabase(error)) return 0;
    for (const auto& [camera, name] : config.cameraNames) {
        if (camera < 1 || camera > impl->cameraCount) {
            *error = "camera " + std::to_string(camera) + " has a name but the device has " +
                     std::to_string(impl->cameraCount) + " cameras";
            return 0;
        }
    }
    impl->Routes();
    const std::string where = config.address + ":" + std::to_string(config.port);
    if (config.port == 0) {
        impl->port = impl->server.bind_to_any_port(config.address);
        if (impl->port <= 0) return *error = "cannot listen on " + where, 0;
    } else {
        if (!impl->server.bind_to_port(config.address, config.port))
            return *error = "cannot listen on " + where + " (in use or not allowed)", 0;
        impl->port = config.port;
    }
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->server.listen_after_bind(); });
    // stop() only reaches a server that is running; wait for it so Stop never hangs.
    for (int i = 0; i < 5000 && !impl->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_ = std::move(impl);
    return 1;
}

int DevSim::Port() const {
    return impl_ ? impl_->port : 0;
}
int DevSim::CameraCount() const {
    return impl_ ? impl_->cameraCount : 0;
}

void DevSim::Stop() {
    impl_.reset();
}

}  // namespace zl
