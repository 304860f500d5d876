#include "devlink/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace zl {

namespace {

struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::string address;
};

std::string Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return {};
    std::string v4, v6;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        if (a->ai_family == AF_INET && v4.empty()) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) v4 = text;
        } else if (a->ai_family == AF_INET6 && v6.empty()) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
            if (inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text)) v6 = text;
        }
    }
    freeaddrinfo(list);
    return v4.empty() ? v6 : v4;
}

bool IsNumeric(const std::string& host) {
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

}  // namespace

std::string LookUpHost(const std::string& host, int timeOutMs) {
    if (host.empty()) return {};
    if (IsNumeric(host)) return host;
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] {
            std::string address = Resolve(host);
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->address = std::move(address);
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
    } catch (...) {
        return {};  // no thread to be had
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(timeOutMs),
                               [&] { return lookup->finished; }))
        return {};
    return lookup->address;
}

}  // namespace zl
