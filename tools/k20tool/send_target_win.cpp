// TCP through Windows sockets and raw jobs through the spooler.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/win32_platform.h"
#include "tools/k20tool/send_target.h"

namespace k20::tool {

bool SendTcpJob(const SendTarget& t, const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        error = "cannot start Windows sockets";
        return false;
    }
    struct Cleanup {
        ~Cleanup() { WSACleanup(); }
    } cleanup;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const std::string port = std::to_string(t.port);
    if (getaddrinfo(t.host.c_str(), port.c_str(), &hints, &res) != 0 || !res) {
        error = "cannot resolve " + t.host;
        return false;
    }
    SOCKET s = INVALID_SOCKET;
    for (addrinfo* a = res; a; a = a->ai_next) {
        s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) continue;
        if (connect(s, a->ai_addr, int(a->ai_addrlen)) == 0) break;
        closesocket(s);
        s = INVALID_SOCKET;
    }
    freeaddrinfo(res);
    if (s == INVALID_SOCKET) {
        error = "cannot connect to " + t.host + ":" + port;
        return false;
    }
    for (const auto& w : writes) {
        size_t done = 0;
        while (done < w.size()) {
            const int n = ::send(s, reinterpret_cast<const char*>(w.data() + done), int(w.size() - done), 0);
            if (n <= 0) {
                closesocket(s);
                error = "connection to " + t.host + ":" + port + " broke";
                return false;
            }
            done += size_t(n);
        }
    }
    shutdown(s, SD_SEND);
    closesocket(s);
    return true;
}

bool SendPrinterJob(const SendTarget& t, const std::string& docName, const std::vector<std::vector<uint8_t>>& writes,
                    std::string& error) {
    platform::win32::Win32Machine m;
    platform::PrinterHandle h = 0;
    if (platform::Error e = m.spooler.OpenPrinter(t.name, h); e != platform::kOk) {
        error = "cannot open printer " + t.name + " (error " + std::to_string(e) + ")";
        return false;
    }
    const platform::Error e = platform::SendRawJob(m.spooler, h, docName, writes);
    m.spooler.ClosePrinter(h);
    if (e != platform::kOk) {
        error = "the job for " + t.name + " failed (error " + std::to_string(e) + ")";
        return false;
    }
    return true;
}

}  // namespace k20::tool
