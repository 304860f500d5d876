#include "recnet/TransportProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zl::recnet {

namespace {

// The client greeting of HTTP/2 and an empty SETTINGS frame.
constexpr unsigned char kGreeting[] = {
    'P',  'R', 'I', ' ',  '*',  ' ',  'H',  'T', 'T', 'P', '/', '2', '.', '0', '\r', '\n', '\r',
    '\n', 'S', 'M', '\r', '\n', '\r', '\n', 0,   0,   0,   4,   0,   0,   0,   0,    0};
constexpr unsigned char kSettingsFrame = 4;

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int rc;
    while ((rc = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return rc > 0;
}

bool ConnectTo(const std::string& host, int port, int timeoutMs, Socket* socket) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    if (::getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    bool connected = false;
    for (addrinfo* a = found; a && !connected; a = a->ai_next) {
        Socket s;
        s.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (s.fd < 0) continue;
        if (::connect(s.fd, a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS || !WaitFor(s.fd, POLLOUT, timeoutMs)) continue;
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
                continue;
        }
        socket->fd = s.fd;
        s.fd = -1;
        connected = true;
    }
    ::freeaddrinfo(found);
    return connected;
}

}  // namespace

Transport ProbeTransport(const std::string& host, int port, int timeoutMs) {
    Socket socket;
    if (!ConnectTo(host, port, timeoutMs, &socket)) return Transport::Unreachable;
    if (::send(socket.fd, kGreeting, sizeof kGreeting, MSG_NOSIGNAL) !=
        static_cast<ssize_t>(sizeof kGreeting)) {
        return Transport::NotPlain;
    }
    // An HTTP/2 server answers with its SETTINGS frame: 3 bytes of length, then the type.
    unsigned char answer[9];
    size_t have = 0;
    while (have < 4 && WaitFor(socket.fd, POLLIN, timeoutMs)) {
        const ssize_t n = ::recv(socket.fd, answer + have, sizeof answer - have, 0);
        if (n <= 0) break;
        have += static_cast<size_t>(n);
    }
    return have >= 4 && answer[3] == kSettingsFrame ? Transport::PlainHttp2 : Transport::NotPlain;
}

std::string ConnectProblem(const std::string& host, int port, bool tlsConfigured, Transport seen) {
    const std::string where = host + ":" + std::to_string(port);
    switch (seen) {
        case Transport::Unreachable:
            return "cannot connect to " + where + ": no server answers there";
        case Transport::PlainHttp2:
            return tlsConfigured ? "cannot connect to " + where +
                                       ": the server does not use TLS, but a certificate to "
                                       "trust is set (remove it to connect without TLS)"
                                 : "cannot connect to " + where;
        case Transport::NotPlain:
            break;
    }
    return tlsConfigured
               ? "cannot connect to " + where +
                     ": the TLS handshake failed; the server's certificate is not signed by "
                     "the trusted certificate or does not name this host"
               : "cannot connect to " + where +
                     ": the server uses TLS; set the certificate to trust (the viewer: key "
                     "CaFile of section [RecNetTls] in \"Setting .ini\"; reporter-cli: --ca "
                     "FILE)";
}

}  // namespace zl::recnet
