// TCP on POSIX systems; spooler printers exist only on Windows.
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/k20tool/send_target.h"

namespace k20::tool {

bool SendTcpJob(const SendTarget& t, const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const std::string port = std::to_string(t.port);
    if (getaddrinfo(t.host.c_str(), port.c_str(), &hints, &res) != 0 || !res) {
        error = "cannot resolve " + t.host;
        return false;
    }
    int s = -1;
    for (addrinfo* a = res; a; a = a->ai_next) {
        s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s < 0) continue;
        if (connect(s, a->ai_addr, a->ai_addrlen) == 0) break;
        close(s);
        s = -1;
    }
    freeaddrinfo(res);
    if (s < 0) {
        error = "cannot connect to " + t.host + ":" + port;
        return false;
    }
    size_t total = 0;
    for (const auto& w : writes) {
        size_t done = 0;
        while (done < w.size()) {
            const ssize_t n = ::send(s, w.data() + done, w.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                close(s);
                error = "connection to " + t.host + ":" + port + " broke after " + std::to_string(total + done) +
                        " bytes";
                return false;
            }
            done += size_t(n);
        }
        total += done;
    }
    shutdown(s, SHUT_WR);
    close(s);
    return true;
}

bool SendPrinterJob(const SendTarget& t, const std::string&, const std::vector<std::vector<uint8_t>>&,
                    std::string& error) {
    error = "printer:" + t.name + ": spooler printers are reached only on Windows";
    return false;
}

}  // namespace k20::tool
