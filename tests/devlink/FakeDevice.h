// A misbehaving device on 127.0.0.1: a raw socket server that answers the device request
// properly (when asked to) and misbehaves on every other request in one chosen way.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zl {

class FakeDevice {
  public:
    enum class Mode {
        Garbage,     // bytes that are not HTTP, then close
        Silent,      // reads the request and never answers
        Trickle,     // a 200 answer whose body comes one byte every 50 ms
        CloseEarly,  // closes without a word
        HalfBody,    // promises 100 bytes, sends 10, closes
        BadJson,     // a complete 200 answer with a body that is not the expected JSON
        HugeBody,    // a 200 answer of 8 MiB
        NotFound,    // a 404
    };

    // closeAfterAnswer: the device request is answered as if the connection were kept alive
    // (no "Connection: close"), and then the connection is closed all the same.
    FakeDevice(Mode mode, bool healthyDevice, bool closeAfterAnswer = false)
        : mode_(mode), healthyDevice_(healthyDevice), closeAfterAnswer_(closeAfterAnswer) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (listener_ < 0 ||
            bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~FakeDevice() {
        stop_ = true;
        if (acceptor_.joinable()) acceptor_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& t : workers_) t.join();
        if (listener_ >= 0) close(listener_);
    }

    int Port() const { return port_; }

  private:
    void AcceptLoop() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    // Reads one request head; returns its path, or "" when the peer went away.
    std::string ReadRequest(int fd) {
        std::string head;
        char buf[1024];
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 16384 &&
               std::chrono::steady_clock::now() < until && !stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) return "";
            head.append(buf, static_cast<std::size_t>(n));
        }
        const auto sp1 = head.find(' ');
        const auto sp2 = head.find(' ', sp1 + 1);
        if (sp1 == std::string::npos || sp2 == std::string::npos) return "";
        return head.substr(sp1 + 1, sp2 - sp1 - 1);
    }

    bool Send(int fd, const std::string& data) {
        return send(fd, data.data(), data.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(data.size());
    }

    static std::string Answer(int status, const std::string& body) {
        return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: application/json\r\n" +
               "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    }

    void Serve(int fd) {
        // Keep-alive: answer requests on this connection until it misbehaves or closes.
        for (int requests = 0; requests < 50 && !stop_; ++requests) {
            const std::string path = ReadRequest(fd);
            if (path.empty()) break;
            if (healthyDevice_ && path == "/api/v1/device") {
                if (!Send(fd, Answer(200, R"({"protocol":1,"name":"Fake","cameraCount":2})")) ||
                    closeAfterAnswer_)
                    break;
                continue;
            }
            Misbehave(fd);
            break;
        }
        close(fd);
    }

    void Misbehave(int fd) {
        switch (mode_) {
            case Mode::Garbage:
                Send(fd, "this is not HTTP at all\r\n\r\n\x01\x02\x03");
                break;
            case Mode::Silent:
                // Far longer than any time-out under test (teardown ends it at once), so a
                // client that waits for the device instead of its time-out is seen.
                for (int i = 0; i < 3000 && !stop_; ++i) {  // at most 60 s
                    pollfd p{fd, POLLIN, 0};
                    char c;
                    if (poll(&p, 1, 20) > 0 && recv(fd, &c, 1, 0) <= 0) break;
                }
                break;
            case Mode::Trickle:
                if (!Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n{")) break;
                for (int i = 0; i < 1200 && !stop_; ++i) {  // at most 60 s
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    if (!Send(fd, " ")) break;
                }
                break;
            case Mode::CloseEarly:
                break;
            case Mode::HalfBody:
                Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"camera\":");
                break;
            case Mode::BadJson:
                Send(fd, Answer(200, R"({"camera":1,"name":7,"in":"many","out":-3})"));
                break;
            case Mode::HugeBody: {
                const std::size_t total = 8u << 20;
                if (!Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(total) +
                                  "\r\n\r\n"))
                    break;
                const std::string chunk(65536, ' ');
                for (std::size_t sent = 0; sent < total && !stop_; sent += chunk.size())
                    if (!Send(fd, chunk)) break;
                break;
            }
            case Mode::NotFound:
                Send(fd, Answer(404, R"({"error":"not found"})"));
                break;
        }
    }

    Mode mode_;
    bool healthyDevice_;
    bool closeAfterAnswer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
};

}  // namespace zl
