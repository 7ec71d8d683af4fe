// TCP on POSIX systems; spooler printers exist only on Windows.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "tools/k20tool/send_target.h"

namespace k20::tool {

namespace {

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) close(fd);
    }
};

// After the half-close: whatever the printer says is read and dropped until it closes.
// Only its orderly close says that it took every byte; a reset says it did not.
bool WaitForClose(int s, const std::string& peer, std::string& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(kTcpCloseWaitSeconds);
    uint8_t buf[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = peer + " did not close the connection within " + std::to_string(kTcpCloseWaitSeconds) +
                    " s after the job; it may not have taken all of it";
            return false;
        }
        pollfd p{s, POLLIN, 0};
        const int r = poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            error = std::string("waiting for ") + peer + ": " + std::strerror(errno);
            return false;
        }
        if (r == 0) continue;
        const ssize_t n = recv(s, buf, sizeof buf, 0);
        if (n > 0) continue;
        if (n == 0) return true;
        if (errno == EINTR || errno == EAGAIN) continue;
        error = peer +
                (errno == ECONNRESET ? " reset the connection" : std::string(": ") + std::strerror(errno)) +
                "; the job may not have been taken whole";
        return false;
    }
}

}  // namespace

bool SendTcpJob(const SendTarget& t, const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const std::string port = std::to_string(t.port);
    const std::string peer =
        (t.host.find(':') != std::string::npos ? "[" + t.host + "]" : t.host) + ":" + port;
    if (getaddrinfo(t.host.c_str(), port.c_str(), &hints, &res) != 0 || !res) {
        error = "cannot resolve " + t.host;
        return false;
    }
    Socket s;
    for (addrinfo* a = res; a; a = a->ai_next) {
        s.fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s.fd < 0) continue;
        if (connect(s.fd, a->ai_addr, a->ai_addrlen) == 0) break;
        close(s.fd);
        s.fd = -1;
    }
    freeaddrinfo(res);
    if (s.fd < 0) {
        error = "cannot connect to " + peer;
        return false;
    }
    size_t total = 0;
    for (const auto& w : writes) {
        size_t done = 0;
        while (done < w.size()) {
            const ssize_t n = ::send(s.fd, w.data() + done, w.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = "connection to " + peer + " broke after " + std::to_string(total + done) + " bytes";
                return false;
            }
            done += size_t(n);
        }
        total += done;
    }
    if (shutdown(s.fd, SHUT_WR) != 0) {
        error = "connection to " + peer + " broke after the last byte";
        return false;
    }
    return WaitForClose(s.fd, peer, error);
}

bool SendPrinterJob(const SendTarget& t, const std::string&, const std::vector<std::vector<uint8_t>>&,
                    std::string& error) {
    error = "printer:" + t.name + ": spooler printers are reached only on Windows";
    return false;
}

}  // namespace k20::tool
