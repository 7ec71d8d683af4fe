#include "tools/k20tool/send_target.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/k20tool/local_files.h"

namespace k20::tool {

bool ParseSendTarget(const std::string& spec, SendTarget& out, std::string& error) {
    out = SendTarget{};
    if (spec.rfind("tcp://", 0) == 0) {
        std::string rest = spec.substr(6);
        while (!rest.empty() && rest.back() == '/') rest.pop_back();
        out.kind = SendTarget::Kind::Tcp;
        std::string port;
        bool hasPort = false;
        if (!rest.empty() && rest.front() == '[') {
            // An IPv6 address in brackets, as in URLs: tcp://[::1]:9100.
            const size_t close = rest.find(']');
            if (close == std::string::npos) {
                error = "no ']' after the address in " + spec;
                return false;
            }
            const std::string after = rest.substr(close + 1);
            if (!after.empty() && after[0] != ':') {
                error = "'" + after + "' after the address in " + spec;
                return false;
            }
            hasPort = !after.empty();
            if (hasPort) port = after.substr(1);
            rest = rest.substr(1, close - 1);
        } else if (const size_t colon = rest.find(':');
                   colon != std::string::npos && rest.rfind(':') == colon) {
            // One colon separates the port; more are a bare IPv6 address on the default port.
            hasPort = true;
            port = rest.substr(colon + 1);
            rest.resize(colon);
        }
        if (hasPort) {
            char* end = nullptr;
            const unsigned long p = std::strtoul(port.c_str(), &end, 10);
            if (port.empty() || *end || p == 0 || p > 65535 || port[0] == '-' || port[0] == '+') {
                error = "bad port '" + port + "' in " + spec;
                return false;
            }
            out.port = uint16_t(p);
        }
        if (rest.empty()) {
            error = "no host in " + spec;
            return false;
        }
        out.host = rest;
        return true;
    }
    if (spec.rfind("printer:", 0) == 0) {
        out.kind = SendTarget::Kind::Printer;
        out.name = spec.substr(8);
        if (out.name.empty()) {
            error = "no printer name in " + spec;
            return false;
        }
        return true;
    }
    if (spec.empty()) {
        error = "--to needs a target";
        return false;
    }
    out.kind = SendTarget::Kind::Path;
    out.name = spec;
    return true;
}

bool TakeSendTarget(Args& args, std::optional<SendTarget>& out, std::string& error) {
    out.reset();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--to") continue;
        if (i + 1 >= args.size()) {
            error = "--to needs a target (tcp://HOST[:PORT], printer:NAME or a path)";
            return false;
        }
        SendTarget t;
        if (!ParseSendTarget(args[i + 1], t, error)) return false;
        out = t;
        args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        --i;
    }
    return true;
}

namespace {

bool SendPath(const SendTarget& t, const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
    std::vector<uint8_t> all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    LocalFileSystem fs;
    if (fs.WriteFile(t.name, all) != platform::kOk) {
        error = "cannot write " + t.name;
        return false;
    }
    return true;
}

}  // namespace

bool SendToTarget(const SendTarget& target, const std::string& docName,
                  const std::vector<std::vector<uint8_t>>& writes, std::string& error) {
    switch (target.kind) {
        case SendTarget::Kind::Tcp:
            return SendTcpJob(target, writes, error);
        case SendTarget::Kind::Printer:
            return SendPrinterJob(target, docName, writes, error);
        case SendTarget::Kind::Path:
            return SendPath(target, writes, error);
    }
    return false;
}

int DeliverJob(const std::optional<SendTarget>& target, const std::string& docName,
               const std::vector<std::vector<uint8_t>>& writes) {
    if (!target) {
        std::vector<uint8_t> all;
        for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
        WriteStdoutBinary(all);
        return 0;
    }
    std::string error;
    if (!SendToTarget(*target, docName, writes, error)) return Fail(error);
    return 0;
}

}  // namespace k20::tool
