// The device link over HTTP + JSON (docs/device-protocol.md).
// Every call is one GET with its own deadline of the time-out given to Connect: the connect,
// each read and each write are bounded by it, and a watchdog cuts an answer that keeps
// trickling past it. Any failure gives 0; nothing throws out of this file.
#include "devlink/DevLink.h"

#include <httplib.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "base/SysTime.h"
#include "devlink/DeviceProtocol.h"
#include "devlink/HostLookup.h"
#include "devlink/Watchdog.h"

namespace zl {

namespace {

// Cameras beyond the 64 slots of a site cannot be shown; a larger count is capped.
constexpr int kMaxCameras = 64;
constexpr int kDefaultTimeOutMs = 10000;

// Copies a text into a caller's buffer, cut at a UTF-8 character boundary; false when the
// buffer cannot hold at least the terminator.
bool CopyOut(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    std::size_t n = text.size();
    if (n > static_cast<std::size_t>(size - 1)) {
        n = static_cast<std::size_t>(size - 1);
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return true;
}

class DevLinkImpl final : public DevLink {
  public:
    DevLinkImpl() : watchdog_([this] { StopClient(); }) {}
    ~DevLinkImpl() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ResetClient();
    }

    int Connect(const char* address, int port, const char* user, const char* password,
                int timeOutMs) override;
    int GetDeviceName(char* buffer, int size) override;
    int GetCameraCount(int* count) override;
    int GetCameraName(int camera, char* buffer, int size) override;
    int GetCounts(int camera, double from, double to, int* in, int* out) override;

  private:
    // One GET; true only for a complete 200 answer within the deadline.
    // budgetMs < 0: the whole time-out of the link.
    bool Fetch(const std::string& path, std::string* body, int budgetMs = -1);
    bool FetchDevice(devproto::DeviceInfo* info, int budgetMs = -1);
    void StopClient();
    void ResetClient();

    std::mutex mutex_;        // one call at a time
    std::mutex clientMutex_;  // guards client_ against the watchdog
    std::unique_ptr<httplib::Client> client_;
    int timeOutMs_ = kDefaultTimeOutMs;
    bool connected_ = false;
    Watchdog watchdog_;
};

void DevLinkImpl::StopClient() {
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_) client_->stop();
}

void DevLinkImpl::ResetClient() {
    std::lock_guard<std::mutex> lock(clientMutex_);
    client_.reset();
    connected_ = false;
}

bool DevLinkImpl::Fetch(const std::string& path, std::string* body, int budgetMs) {
    if (!client_) return false;
    using std::chrono::milliseconds;
    const auto deadline =
        Watchdog::Clock::now() + milliseconds(budgetMs < 0 ? timeOutMs_ : budgetMs);
    bool ok = false, tooLarge = false, cut = false;
    try {
        watchdog_.Arm(deadline);
        // A kept-alive connection that the device closed just before the request fails without
        // an answer; the GET is then sent once more on a fresh connection, within the same
        // deadline.
        for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
            const bool reused = client_->is_socket_open() != 0;
            const auto left =
                std::chrono::duration_cast<milliseconds>(deadline - Watchdog::Clock::now());
            if (left.count() <= 0) break;
            client_->set_connection_timeout(left);
            client_->set_read_timeout(left);
            client_->set_write_timeout(left);
            int status = 0;
            body->clear();
            httplib::Result result = client_->Get(
                path, httplib::Headers{{"Accept", "application/json"}},
                [&](const httplib::Response& response) {
                    status = response.status;
                    return status == 200;
                },
                [&](const char* data, std::size_t length) {
                    if (body->size() + length > devproto::kMaxBodyBytes) {
                        tooLarge = true;
                        return false;
                    }
                    body->append(data, length);
                    return true;
                });
            ok = result && status == 200 && result->status == 200 && !tooLarge;
            if (ok || status != 0 || tooLarge || !reused) break;
        }
    } catch (...) {
        ok = false;  // nothing leaves the link as an exception
    }
    cut = watchdog_.Disarm();
    return ok && !cut;
}

bool DevLinkImpl::FetchDevice(devproto::DeviceInfo* info, int budgetMs) {
    std::string body;
    return Fetch(devproto::kDevicePath, &body, budgetMs) && devproto::ParseDeviceInfo(body, info);
}

int DevLinkImpl::Connect(const char* address, int port, const char* user, const char* password,
                         int timeOutMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    ResetClient();
    if (!address || !*address || port < 1 || port > 65535) return 0;
    const std::string userText = user ? user : "";
    const std::string passwordText = password ? password : "";
    // Basic authentication cannot carry a user name with a colon.
    if (userText.find(':') != std::string::npos) return 0;
    timeOutMs_ = timeOutMs > 0 ? timeOutMs : kDefaultTimeOutMs;

    // The name lookup and the first request share one time-out; the address found is used for
    // the rest of the connection's life.
    const auto started = std::chrono::steady_clock::now();
    const std::string numeric = LookUpHost(address, timeOutMs_);
    if (numeric.empty()) return 0;
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count();
    const int budgetMs = timeOutMs_ - static_cast<int>(spent);
    if (budgetMs <= 0) return 0;
    std::unique_ptr<httplib::Client> client;
    try {
        client = std::make_unique<httplib::Client>(address, port);
    } catch (...) {
        return 0;
    }
    if (!client->is_valid()) return 0;
    if (numeric != address) client->set_hostname_addr_map({{address, numeric}});
    client->set_keep_alive(true);
    client->set_decompress(false);
    client->set_follow_location(false);
    if (!userText.empty() || !passwordText.empty()) client->set_basic_auth(userText, passwordText);
    {
        std::lock_guard<std::mutex> clientLock(clientMutex_);
        client_ = std::move(client);
    }
    devproto::DeviceInfo info;
    if (!FetchDevice(&info, budgetMs)) {
        ResetClient();
        return 0;
    }
    connected_ = true;
    return 1;
}

int DevLinkImpl::GetDeviceName(char* buffer, int size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || !buffer || size <= 0) return 0;
    devproto::DeviceInfo info;
    if (!FetchDevice(&info) || info.name.empty()) return 0;
    return CopyOut(info.name, buffer, size) ? 1 : 0;
}

int DevLinkImpl::GetCameraCount(int* count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || !count) return 0;
    devproto::DeviceInfo info;
    if (!FetchDevice(&info)) return 0;
    *count = info.cameraCount < kMaxCameras ? info.cameraCount : kMaxCameras;
    return 1;
}

int DevLinkImpl::GetCameraName(int camera, char* buffer, int size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || !buffer || size <= 0) return 0;
    if (camera < 1 || camera > devproto::kMaxCameraNumber) return 0;
    std::string body;
    devproto::CameraInfo info;
    if (!Fetch(devproto::CameraPath(camera), &body) || !devproto::ParseCameraInfo(body, &info))
        return 0;
    if (info.camera != camera || !info.hasName || info.name.empty()) return 0;
    return CopyOut(info.name, buffer, size) ? 1 : 0;
}

int DevLinkImpl::GetCounts(int camera, double from, double to, int* in, int* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_ || !in || !out) return 0;
    if (camera < 1 || camera > devproto::kMaxCameraNumber) return 0;
    // OLE dates run from 0100-01-01 to 9999-12-31; anything else has no time text.
    constexpr double kFirstOle = -657434.0, kPastLastOle = 2958466.0;
    if (!std::isfinite(from) || !std::isfinite(to) || from < kFirstOle || to < kFirstOle ||
        from >= kPastLastOle || to >= kPastLastOle)
        return 0;
    const std::string fromWire = devproto::SqlTimeToWire(FormatSqlTime(OleDateToSystemTime(from)));
    const std::string toWire = devproto::SqlTimeToWire(FormatSqlTime(OleDateToSystemTime(to)));
    if (fromWire.empty() || toWire.empty()) return 0;
    std::string body;
    devproto::CountsInfo counts;
    if (!Fetch(devproto::CountsPath(camera, fromWire, toWire), &body) ||
        !devproto::ParseCounts(body, &counts) || counts.camera != camera)
        return 0;
    *in = counts.in;
    *out = counts.out;
    return 1;
}

}  // namespace

DevLink* CreateDevLink() {
    return new (std::nothrow) DevLinkImpl();
}

void DestroyDevLink(DevLink** handle) {
    if (!handle) return;
    delete *handle;
    *handle = nullptr;
}

}  // namespace zl
