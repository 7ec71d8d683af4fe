#pragma once
// Where the device commands send their job bytes: "--to tcp://HOST[:PORT]" (a receipt
// printer's raw port, 9100 unless given), "--to printer:NAME" (one raw spooler job,
// Windows only) or "--to PATH" (a device or a file).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/k20tool/tool.h"

namespace k20::tool {

struct SendTarget {
    enum class Kind { Tcp, Printer, Path } kind = Kind::Path;
    std::string host;
    uint16_t port = 9100;
    std::string name;  // printer name or path
};

bool ParseSendTarget(const std::string& spec, SendTarget& out, std::string& error);
// Removes "--to X" from args; false with an error when it is malformed.
bool TakeSendTarget(Args& args, std::optional<SendTarget>& out, std::string& error);
// Sends the writes in order as one job (document name used for spooler targets).
bool SendToTarget(const SendTarget& target, const std::string& docName,
                  const std::vector<std::vector<uint8_t>>& writes, std::string& error);
// How long a TCP send waits, after its last byte, for the printer to close the connection.
inline constexpr int kTcpCloseWaitSeconds = 60;

// The transports, one implementation per system (send_target_win.cpp, send_target_posix.cpp).
// A TCP job counts as sent only when the printer closed the connection after taking the
// last byte: the bytes are followed by a half-close, and a reset or no close within
// kTcpCloseWaitSeconds is a failure.
bool SendTcpJob(const SendTarget& target, const std::vector<std::vector<uint8_t>>& writes,
                std::string& error);
bool SendPrinterJob(const SendTarget& target, const std::string& docName,
                    const std::vector<std::vector<uint8_t>>& writes, std::string& error);
// Standard output, or the target when one was given. Returns the exit code.
int DeliverJob(const std::optional<SendTarget>& target, const std::string& docName,
               const std::vector<std::vector<uint8_t>>& writes);

}  // namespace k20::tool
