#pragma once
// The one way files from outside are read: what is not a regular file (a folder, a
// device, a pipe) is refused before a byte is read, and so is a file larger than its
// kind can genuinely be. Each limit lies far above any real file of its kind and far
// below what would exhaust the memory of the process that reads it (for the plug-in,
// every application that prints).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace k20::platform {

// A DEVMODE's public and private sizes are 16-bit fields each.
inline constexpr uint64_t kSettingsRecordFileLimit = 128 * 1024;
// 96 rows of at most 400 characters, two bytes each at the most, with their keys.
inline constexpr uint64_t kControlFontTableFileLimit = 256 * 1024;
// A few dozen short sections; the Windows profile functions handle far less.
inline constexpr uint64_t kUninstallIniFileLimit = 1024 * 1024;
// The largest logo the Download page takes, 1024 x 768 at 24 bits, is 2.25 MiB.
inline constexpr uint64_t kLogoFileLimit = 4 * 1024 * 1024;
// The page image of a job is limited to 64 MiB, which a job of this size already exceeds.
inline constexpr uint64_t kLogJobFileLimit = 64ull * 1024 * 1024;
// Firmware and font images for the printer's flash, sent in one write.
inline constexpr uint64_t kFirmwareFileLimit = 64ull * 1024 * 1024;
// Job bytes that `k20tool send` passes on: at most a firmware download.
inline constexpr uint64_t kPrinterJobFileLimit = kFirmwareFileLimit;

enum class FileKind { SettingsRecord, ControlFontTable, UninstallIni, Logo, LogJob, Firmware, PrinterJob };

uint64_t FileLimit(FileKind kind);
const char* FileKindName(FileKind kind);  // "settings record", "logo", ...

Error ReadBoundedFile(FileSystem& fs, const std::string& path, FileKind kind, std::vector<uint8_t>& out);

// What went wrong, for people: "x.prn: not a regular file", "x.prn: larger than the
// 67108864 bytes a log job may have", "cannot open x.prn".
std::string DescribeReadError(const std::string& path, FileKind kind, Error e);

}  // namespace k20::platform
