// The remote client over a link that is slow to open: a relay on 127.0.0.1 holds the server's
// first bytes back, as a distant server or a slow TLS handshake does. Connect must wait for
// the greeting up to the caller's time-out, not give up after gRPC's reconnect back-off.
#include <arpa/inet.h>
#include <gtest/gtest.h>
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

#include "RecNetTestKit.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"

namespace zl::testkit {
namespace {

using Clock = std::chrono::steady_clock;

// Relays every connection to the server; the server's bytes of a connection reach the client
// only `delay` after the connection was accepted.
class SlowRelay {
  public:
    SlowRelay(int serverPort, std::chrono::milliseconds delay)
        : serverPort_(serverPort), delay_(delay) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~SlowRelay() {
        stop_ = true;
        if (acceptor_.joinable()) acceptor_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::thread& pump : pumps_) pump.join();
        if (listener_ >= 0) ::close(listener_);
    }
    int Port() const { return port_; }

  private:
    void AcceptLoop() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            pumps_.emplace_back([this, client] { Pump(client); });
        }
    }

    void Pump(int client) {
        const Clock::time_point opened = Clock::now();
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(serverPort_));
        if (server >= 0 && ::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            Forward(client, server, opened);
        if (server >= 0) ::close(server);
        ::close(client);
    }

    void Forward(int client, int server, Clock::time_point opened) {
        char buffer[16384];
        while (!stop_) {
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(fds, 2, 50) < 0) return;
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) return;
                // The simulated link: the server's answer is late.
                if (i == 1) std::this_thread::sleep_until(opened + delay_);
                if (::write(fds[1 - i].fd, buffer, static_cast<size_t>(n)) != n) return;
            }
        }
    }

    const int serverPort_;
    const std::chrono::milliseconds delay_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> pumps_;
};

// Connects through the relay with a 30 s time-out and uses the session.
void ExpectASessionThrough(int port, const std::string& root) {
    ClientHolder client(CreateRecNetClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->Connect("127.0.0.1", port, 30000), 1);
    ASSERT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 1);
    EXPECT_EQ(client->OpenDatabase((root + "/" + SampleRelativePath(1)).c_str()), 1);
}

TEST(SlowLink, ConnectWaitsForALateGreetingWithinItsTimeOut) {
    TempDir dir;
    const std::string root = dir / "data";
    WriteSampleRoot(root);
    TestServer server({root});
    ASSERT_TRUE(server.Start());
    SlowRelay relay(server.Port(), std::chrono::milliseconds(600));
    ASSERT_NE(relay.Port(), 0);

    ExpectASessionThrough(relay.Port(), root);
    // The caller's time-out still holds: a greeting later than it is a failed connect.
    ClientHolder client(CreateRecNetClient());
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Connect("127.0.0.1", relay.Port(), 200), 0);
}

// With TLS the handshake itself needs the server's answer, so a slow link delays it.
TEST(SlowLink, TlsHandshakeMayTakeLongerThanTheReconnectBackOff) {
    TempDir dir;
    const std::string root = dir / "data";
    WriteSampleRoot(root);
    std::string cert, key, pem;
    if (!WriteSelfSignedCertificate(dir.Path(), &cert, &key, &pem)) GTEST_SKIP() << "no openssl";
    TestServer server({root});
    server.Config().tlsCertFile = cert;
    server.Config().tlsKeyFile = key;
    ASSERT_TRUE(server.Start());
    SlowRelay relay(server.Port(), std::chrono::milliseconds(600));
    ASSERT_NE(relay.Port(), 0);

    RecNetSetTrustedCertificates(pem.c_str());
    struct Untrust {
        ~Untrust() { RecNetSetTrustedCertificates(nullptr); }
    } untrust;
    ExpectASessionThrough(relay.Port(), root);
}

}  // namespace
}  // namespace zl::testkit
