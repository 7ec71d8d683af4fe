// TCP through Windows sockets and raw jobs through the spooler.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "platform/win32/win32_platform.h"
#include "tools/k20tool/send_target.h"

namespace k20::tool {

namespace {

// After the half-close: whatever the printer says is read and dropped until it closes.
// Only its orderly close says that it took every byte; a reset says it did not.
bool WaitForClose(SOCKET s, const std::string& peer, std::string& error) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(kTcpCloseWaitSeconds) * 1000;
    char buf[4096];
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            error = peer + " did not close the connection within " + std::to_string(kTcpCloseWaitSeconds) +
                    " s after the job; it may not have taken all of it";
            return false;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        const ULONGLONG left = deadline - now;
        timeval tv{long(left / 1000), long(left % 1000) * 1000};
        const int r = select(0, &readable, nullptr, nullptr, &tv);
        if (r == SOCKET_ERROR) {
            error = "waiting for " + peer + " failed (error " + std::to_string(WSAGetLastError()) + ")";
            return false;
        }
        if (r == 0) continue;
        const int n = recv(s, buf, int(sizeof buf), 0);
        if (n > 0) continue;
        if (n == 0) return true;
        const int e = WSAGetLastError();
        error = peer +
                (e == WSAECONNRESET ? std::string(" reset the connection")
                                    : " failed (error " + std::to_string(e) + ")") +
                "; the job may not have been taken whole";
        return false;
    }
}

}  // namespace

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
    const std::string peer =
        (t.host.find(':') != std::string::npos ? "[" + t.host + "]" : t.host) + ":" + port;
    for (const auto& w : writes) {
        size_t done = 0;
        while (done < w.size()) {
            const int chunk = int(std::min<size_t>(w.size() - done, 1u << 30));
            const int n = ::send(s, reinterpret_cast<const char*>(w.data() + done), chunk, 0);
            if (n <= 0) {
                closesocket(s);
                error = "connection to " + peer + " broke";
                return false;
            }
            done += size_t(n);
        }
    }
    if (shutdown(s, SD_SEND) != 0) {
        closesocket(s);
        error = "connection to " + peer + " broke after the last byte";
        return false;
    }
    const bool ok = WaitForClose(s, peer, error);
    closesocket(s);
    return ok;
}

bool SendPrinterJob(const SendTarget& t, const std::string& docName,
                    const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
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
